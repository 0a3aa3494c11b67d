#pragma once
#include <functional>
#include <string>
#include <vector>

// A GNU-style command-line reader: long options as "--name VALUE" or "--name=VALUE", short ones as
// "-n VALUE" or "-nVALUE", flags without a value, "--" ending the options, and "-" as an ordinary
// argument (standard input or output). Each option is declared with the code that takes it in.
class CommandLine {
public:
    // Takes an option's value; returns false with a message when the value is refused.
    using Take = std::function<bool(const std::string& value, std::string& error)>;

    // `names` are the spellings of one option, e.g. {"--jobs", "-j"}.
    void option(std::vector<std::string> names, Take take);
    void flag(std::vector<std::string> names, std::function<void()> set);

    // Runs every declared option in the order given and collects the other arguments.
    bool parse(const std::vector<std::string>& args, std::vector<std::string>& positional, std::string& error) const;

private:
    struct Entry {
        std::vector<std::string> names;
        bool takesValue = false;
        Take take;
        std::function<void()> set;
    };
    const Entry* find(const std::string& name) const;

    std::vector<Entry> entries_;
};
