#include "product/ParameterLookup.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "engine/GenericPlugin.h"

namespace {

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    size_t e = s.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

}  // namespace

AbstractPluginParameter* ParameterLookup::find(const std::string& name) const {
    for (int i = 0; i < plugin_.getNumParameters(); ++i) {
        AbstractPluginParameter* p = plugin_.getParameter(i);
        if (p && p->getName() == name) return p;
    }
    return nullptr;
}

std::vector<std::string> ParameterLookup::closest(const std::string& name, size_t count) const {
    std::vector<std::pair<size_t, std::string>> scored;
    std::string wanted = lower(name);
    for (int i = 0; i < plugin_.getNumParameters(); ++i) {
        AbstractPluginParameter* p = plugin_.getParameter(i);
        if (p) scored.emplace_back(editDistance(wanted, lower(p->getName())), p->getName());
    }
    std::stable_sort(scored.begin(), scored.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> names;
    for (size_t i = 0; i < scored.size() && i < count; ++i) names.push_back(scored[i].second);
    return names;
}

bool ParameterLookup::apply(const std::string& assignment, std::string& error) const {
    size_t eq = assignment.find('=');
    if (eq == std::string::npos) {
        error = "expected NAME=VALUE, got '" + assignment + "'";
        return false;
    }
    std::string name = trim(assignment.substr(0, eq));
    std::string text = trim(assignment.substr(eq + 1));
    AbstractPluginParameter* p = find(name);
    if (!p) {
        error = "unknown parameter '" + name + "'";
        auto near = closest(name);
        if (!near.empty()) {
            error += "; did you mean";
            for (size_t i = 0; i < near.size(); ++i) error += (i ? ", '" : " '") + near[i] + "'";
            error += "?";
        }
        return false;
    }
    float value = 0.0f;
    const AbstractPluginParameter::TextVerdict verdict = p->readText(text, value);
    if (verdict != AbstractPluginParameter::TextVerdict::Accepted) {
        const bool outOfRange = verdict == AbstractPluginParameter::TextVerdict::OutOfRange;
        error = "'" + text + (outOfRange ? "' is out of range for '" : "' is not a valid value for '") + name +
                "': expected " + p->acceptedText();
        return false;
    }
    p->setValue(value, 0);
    return true;
}

std::string ParameterLookup::listing() const {
    std::ostringstream out;
    for (int i = 0; i < plugin_.getNumParameters(); ++i) {
        AbstractPluginParameter* p = plugin_.getParameter(i);
        if (!p) continue;
        out << i << '\t' << p->getName() << '\t' << p->formatValue(p->getValue()) << '\t'
            << p->formatValue(p->getMinimum()) << " .. " << p->formatValue(p->getMaximum()) << '\n';
    }
    return out.str();
}
