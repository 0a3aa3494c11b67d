#include "host/aax/sdk/AAX_CChunkDataParser.h"

#include <cstring>

namespace {

void put(uint8_t*& p, const void* v, size_t n) {
    std::memcpy(p, v, n);
    p += n;
}

}  // namespace

uint32_t AAX_CChunkDataParser::valueSize(AAX_ParameterType type) {
    switch (type) {
        case AAX_ParameterType::Float: return 4;
        case AAX_ParameterType::Int32: return 4;
        case AAX_ParameterType::Bool: return 1;
        case AAX_ParameterType::Double: return 8;
    }
    return 0;
}

void AAX_CChunkDataParser::add(const std::string& id, AAX_ParameterType type, double value) {
    if (id.empty() || id.size() > 255) return;  // the layout cannot hold it
    entries_.push_back({id, type, value});
}

const AAX_CChunkDataParser::Entry* AAX_CChunkDataParser::find(const std::string& id) const {
    for (const Entry& e : entries_) {
        if (e.id == id) return &e;
    }
    return nullptr;
}

bool AAX_CChunkDataParser::findValue(const std::string& id, AAX_ParameterType type, double* value) const {
    const Entry* e = find(id);
    if (!e || e->type != type) return false;
    *value = e->value;
    return true;
}

bool AAX_CChunkDataParser::findFloat(const std::string& id, float* value) const {
    double v;
    if (!findValue(id, AAX_ParameterType::Float, &v)) return false;
    *value = static_cast<float>(v);
    return true;
}

bool AAX_CChunkDataParser::findInt32(const std::string& id, int32_t* value) const {
    double v;
    if (!findValue(id, AAX_ParameterType::Int32, &v)) return false;
    *value = static_cast<int32_t>(v);
    return true;
}

bool AAX_CChunkDataParser::findBool(const std::string& id, bool* value) const {
    double v;
    if (!findValue(id, AAX_ParameterType::Bool, &v)) return false;
    *value = v != 0.0;
    return true;
}

bool AAX_CChunkDataParser::findDouble(const std::string& id, double* value) const {
    return findValue(id, AAX_ParameterType::Double, value);
}

uint32_t AAX_CChunkDataParser::size() const {
    uint32_t n = 4;
    for (const Entry& e : entries_) n += 2 + static_cast<uint32_t>(e.id.size()) + valueSize(e.type);
    return n;
}

bool AAX_CChunkDataParser::write(uint8_t* out, uint32_t capacity) const {
    if (!out || capacity < size()) return false;
    uint8_t* p = out;
    const int32_t count = numEntries();
    put(p, &count, 4);
    for (const Entry& e : entries_) {
        const uint8_t type = static_cast<uint8_t>(e.type);
        const uint8_t length = static_cast<uint8_t>(e.id.size());
        put(p, &type, 1);
        put(p, &length, 1);
        put(p, e.id.data(), length);
        switch (e.type) {
            case AAX_ParameterType::Float: {
                const float v = static_cast<float>(e.value);
                put(p, &v, 4);
                break;
            }
            case AAX_ParameterType::Int32: {
                const int32_t v = static_cast<int32_t>(e.value);
                put(p, &v, 4);
                break;
            }
            case AAX_ParameterType::Bool: {
                const uint8_t v = e.value != 0.0 ? 1 : 0;
                put(p, &v, 1);
                break;
            }
            case AAX_ParameterType::Double: put(p, &e.value, 8); break;
        }
    }
    return true;
}

bool AAX_CChunkDataParser::read(const uint8_t* data, uint32_t size) {
    entries_.clear();
    if (!data || size < 4) return false;
    int32_t count;
    std::memcpy(&count, data, 4);
    // Every entry takes at least 4 bytes, so a count the data cannot hold is refused up front.
    if (count < 0 || static_cast<uint32_t>(count) > (size - 4) / 4) return false;
    std::vector<Entry> parsed;
    parsed.reserve(static_cast<size_t>(count));
    uint32_t pos = 4;
    for (int32_t i = 0; i < count; ++i) {
        if (size - pos < 2) return false;
        const uint8_t type = data[pos];
        const uint8_t length = data[pos + 1];
        pos += 2;
        if (type > static_cast<uint8_t>(AAX_ParameterType::Double) || length == 0) return false;
        const AAX_ParameterType t = static_cast<AAX_ParameterType>(type);
        const uint32_t n = valueSize(t);
        if (size - pos < length + n) return false;
        Entry e{std::string(reinterpret_cast<const char*>(data + pos), length), t, 0.0};
        pos += length;
        switch (t) {
            case AAX_ParameterType::Float: {
                float v;
                std::memcpy(&v, data + pos, 4);
                e.value = v;
                break;
            }
            case AAX_ParameterType::Int32: {
                int32_t v;
                std::memcpy(&v, data + pos, 4);
                e.value = v;
                break;
            }
            case AAX_ParameterType::Bool: e.value = data[pos] != 0 ? 1.0 : 0.0; break;
            case AAX_ParameterType::Double: std::memcpy(&e.value, data + pos, 8); break;
        }
        pos += n;
        parsed.push_back(std::move(e));
    }
    if (pos != size) return false;  // trailing bytes: not a chunk of this layout
    entries_ = std::move(parsed);
    return true;
}
