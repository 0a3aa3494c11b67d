#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/aax/sdk/AAX.h"

// Reads and writes the standard controls chunk: a list of (parameter id, typed value) entries.
//
// Layout, little-endian: int32 entry count, then per entry a type byte (AAX_ParameterType), an id
// length byte (1..255), the id's characters and the value (float 4 bytes, int32 4, bool 1,
// double 8). read() accepts only data that matches this layout exactly.
class AAX_CChunkDataParser {
public:
    static constexpr int32_t kVersion = 1;

    void clear() { entries_.clear(); }
    void addFloat(const std::string& id, float value) { add(id, AAX_ParameterType::Float, value); }
    void addInt32(const std::string& id, int32_t value) { add(id, AAX_ParameterType::Int32, value); }
    void addBool(const std::string& id, bool value) { add(id, AAX_ParameterType::Bool, value ? 1.0 : 0.0); }
    void addDouble(const std::string& id, double value) { add(id, AAX_ParameterType::Double, value); }

    // False when there is no entry of that id with that type.
    bool findFloat(const std::string& id, float* value) const;
    bool findInt32(const std::string& id, int32_t* value) const;
    bool findBool(const std::string& id, bool* value) const;
    bool findDouble(const std::string& id, double* value) const;
    // Any entry of that id as a number, whatever its type.
    bool findValue(const std::string& id, AAX_ParameterType type, double* value) const;

    int32_t version() const { return kVersion; }
    int numEntries() const { return static_cast<int>(entries_.size()); }
    uint32_t size() const;
    // Writes size() bytes; false when the buffer is smaller.
    bool write(uint8_t* out, uint32_t capacity) const;
    // Replaces the entries; on malformed data the parser is left empty and false is returned.
    bool read(const uint8_t* data, uint32_t size);

private:
    struct Entry {
        std::string id;
        AAX_ParameterType type;
        double value;
    };
    void add(const std::string& id, AAX_ParameterType type, double value);
    const Entry* find(const std::string& id) const;
    static uint32_t valueSize(AAX_ParameterType type);

    std::vector<Entry> entries_;
};
