#include "CommandLine.h"

#include <algorithm>

void CommandLine::option(std::vector<std::string> names, Take take) {
    entries_.push_back({std::move(names), true, std::move(take), {}});
}

void CommandLine::flag(std::vector<std::string> names, std::function<void()> set) {
    entries_.push_back({std::move(names), false, {}, std::move(set)});
}

const CommandLine::Entry* CommandLine::find(const std::string& name) const {
    for (const Entry& e : entries_)
        if (std::find(e.names.begin(), e.names.end(), name) != e.names.end()) return &e;
    return nullptr;
}

bool CommandLine::parse(const std::vector<std::string>& args, std::vector<std::string>& positional,
                        std::string& error) const {
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.size() < 2 || a[0] != '-') {
            positional.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        // Split "--name=value" and "-nVALUE".
        std::string name = a, inlineValue;
        bool hasInline = false;
        if (a[1] == '-') {
            const size_t eq = a.find('=');
            if (eq != std::string::npos) {
                name = a.substr(0, eq);
                inlineValue = a.substr(eq + 1);
                hasInline = true;
            }
        } else if (a.size() > 2) {
            name = a.substr(0, 2);
            inlineValue = a.substr(2);
            hasInline = true;
        }
        const Entry* entry = find(name);
        if (!entry) {
            error = "unknown option '" + a + "' (see --help)";
            return false;
        }
        if (!entry->takesValue) {
            if (hasInline) {
                error = name + " takes no value";
                return false;
            }
            entry->set();
            continue;
        }
        std::string value = inlineValue;
        if (!hasInline) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if (!entry->take(value, error)) return false;
    }
    return true;
}
