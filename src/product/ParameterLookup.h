#pragma once
#include <string>
#include <vector>

class GenericPlugin;
class AbstractPluginParameter;

// Finds parameters by their exact name and sets them from text, the way a user types into a
// value field.
class ParameterLookup {
public:
    explicit ParameterLookup(GenericPlugin& plugin) : plugin_(plugin) {}

    AbstractPluginParameter* find(const std::string& name) const;
    // Up to `count` parameter names closest to `name` (edit distance, case ignored).
    std::vector<std::string> closest(const std::string& name, size_t count = 3) const;

    // Parses "NAME=TEXT" and applies it, reading TEXT as the parameter does for typed text. On
    // failure returns false with a one-line message that says what the parameter accepts.
    bool apply(const std::string& assignment, std::string& error) const;

    // One line per parameter: id, name, current value text and range.
    std::string listing() const;

private:
    GenericPlugin& plugin_;
};
