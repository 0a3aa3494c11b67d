#pragma once
#include <map>
#include <string>

// The values of one settings key, kept in a small text file: one "name=type:value" line per value,
// where type is "dword" (a 32-bit integer), "sz" (a string, with \\, \n and \r escaped) or "hex"
// (bytes as hexadecimal digits). Lines that do not parse are ignored, so a file cut short loses
// at most its last value. save() writes a temporary file next to the target and renames it into
// place, so a reader never sees a half-written file.
class SettingsFile {
public:
    enum class Type { Dword, String, Binary };
    struct Value {
        Type type = Type::String;
        std::string text;  // dword: decimal digits; sz: the string itself; hex: the raw bytes
    };

    // Parses the text of a file.
    static SettingsFile parse(const std::string& text);
    // Reads `path`; a missing or unreadable file gives an empty set.
    static SettingsFile load(const std::string& path);

    std::string format() const;
    // Creates the folders when needed; false when the file could not be written (the old one stays).
    bool save(const std::string& path) const;

    const Value* find(const std::string& name) const;
    void set(const std::string& name, Value value) { values_[name] = std::move(value); }
    const std::map<std::string, Value>& values() const { return values_; }

    // A name is stored only when it is plain printable text without '=' or line breaks.
    static bool validName(const std::string& name);

private:
    std::map<std::string, Value> values_;
};
