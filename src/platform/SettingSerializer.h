#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One routine per settings object reads and writes it: each field is passed as both the current
// value and the default, and the result is assigned back. A reader returns the stored value, or
// the default when the value is missing or of another type; a writer stores the current value and
// returns it. So the keys, their order, types and defaults exist once.
//
// The base turns bools into ints and ints and floats into strings; a store overrides the types it
// keeps natively (ints, strings and byte arrays).
class SettingSerializer {
public:
    virtual ~SettingSerializer() = default;
    virtual bool isWriting() const = 0;
    // Reads into or writes from `bytes`; a reader leaves `bytes` alone when the value is missing.
    virtual void binaryValue(const std::string& name, std::vector<std::uint8_t>& bytes) = 0;
    virtual bool boolValue(const std::string& name, bool current, bool defaultValue);
    // Kept as text ("%.15g"); text with anything after the number reads as the default.
    virtual double floatValue(const std::string& name, double current, double defaultValue);
    // Kept as text ("%d") in the base; anything but exactly one integer reads as the default.
    virtual int intValue(const std::string& name, int current, int defaultValue);
    virtual std::string stringValue(const std::string& name, const std::string& current,
                                    const std::string& defaultValue) = 0;

    // Convenience for a settings routine: value = serializer.field(name, value).
    template <class T>
    void field(const std::string& name, T& value);
};

template <>
inline void SettingSerializer::field<bool>(const std::string& name, bool& value) {
    value = boolValue(name, value, value);
}
template <>
inline void SettingSerializer::field<int>(const std::string& name, int& value) {
    value = intValue(name, value, value);
}
template <>
inline void SettingSerializer::field<double>(const std::string& name, double& value) {
    value = floatValue(name, value, value);
}
template <>
inline void SettingSerializer::field<std::string>(const std::string& name, std::string& value) {
    value = stringValue(name, value, value);
}
