#pragma once
// Helpers for the product suite: loading preset bytes without files, values that differ from every
// default, and comparing complete states bit for bit.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "product/KestrumPlugin.h"
#include "platform/BinaryDataReader.h"
#include "presets/PresetBytes.h"

namespace detail {
struct StringStreamHolder {
    explicit StringStreamHolder(const std::string& bytes) : bytesStream(bytes) {}
    std::istringstream bytesStream;
};
}  // namespace detail

// A reader over bytes in memory.
class StringReader : private detail::StringStreamHolder, public BinaryDataReader {
public:
    explicit StringReader(const std::string& bytes) : detail::StringStreamHolder(bytes), BinaryDataReader(bytesStream) {}
};

// The full-preset load (with every fallback) over bytes in memory.
inline bool loadBytes(KestrumPlugin& plugin, const std::string& bytes) {
    return plugin.loadPresetFrom([&bytes]() -> std::unique_ptr<BinaryDataReader> {
        return std::make_unique<StringReader>(bytes);
    });
}

// A value inside the parameter's range that is clearly not its default.
inline float nonDefaultValue(AbstractPluginParameter& p) {
    const float lo = p.getMinimum();
    const float hi = p.getMaximum();
    const float def = p.getDefaultValue();
    if (p.isDiscrete()) return def != hi ? hi : lo;
    const float span = hi - lo;
    const float v = lo + 0.3f * span;
    return std::fabs(v - def) > 0.01f * span ? v : lo + 0.7f * span;
}

inline std::uint32_t bitsOf(float v) {
    std::uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

inline std::vector<float> allValues(KestrumPlugin& plugin) {
    std::vector<float> values;
    for (int i = 0; i < plugin.getNumParameters(); ++i) values.push_back(plugin.getParameter(i)->getValue());
    return values;
}

inline void setAllNonDefault(KestrumPlugin& plugin) {
    for (int i = 0; i < plugin.getNumParameters(); ++i) {
        AbstractPluginParameter* p = plugin.getParameter(i);
        p->setValue(nonDefaultValue(*p), 0);
    }
}

inline bool allAtDefault(KestrumPlugin& plugin) {
    for (int i = 0; i < plugin.getNumParameters(); ++i) {
        AbstractPluginParameter* p = plugin.getParameter(i);
        if (p->getValue() != p->getDefaultValue()) return false;
    }
    return true;
}
