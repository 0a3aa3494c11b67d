#include "lv2/Lv2Support.h"

#include <stdexcept>

#include "product/ParameterLookup.h"
#include "host/lv2/Lv2ControlPorts.h"
#include "product/KestrumPlugin.h"

namespace lv2test {

std::vector<std::vector<float>> signal(int channels, size_t frames, uint32_t seed) {
    std::vector<std::vector<float>> out(static_cast<size_t>(channels), std::vector<float>(frames));
    uint32_t state = seed * 2654435761u + 1;
    for (int c = 0; c < channels; ++c) {
        for (size_t i = 0; i < frames; ++i) {
            state = state * 1664525u + 1013904223u;
            const float noise = static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
            const float saw = std::fmod(static_cast<float>(i) * (110.0f + 55.0f * static_cast<float>(c)) / 48000.0f, 1.0f) - 0.5f;
            out[static_cast<size_t>(c)][i] = 0.5f * saw + 0.2f * noise;
        }
    }
    return out;
}

std::vector<std::vector<float>> renderReference(const std::vector<std::vector<float>>& input, int channels,
                                                const Settings& settings, int block, double rate, float tempo) {
    KestrumPlugin plugin(channels);
    ParameterLookup lookup(plugin);
    std::string error;
    for (const std::string& s : settings) {
        if (!lookup.apply(s, error)) throw std::runtime_error(error);
    }
    AudioData data;
    data.sampleRate = static_cast<int>(rate);
    data.channels = input;
    data.channels.resize(static_cast<size_t>(channels), input.front());
    RenderSettings rs;
    rs.blockSize = block;
    rs.tempo = tempo;
    RenderJob job(plugin, rs);
    return job.run(data, nullptr).channels;
}

std::vector<std::pair<std::string, float>> portValues(const Settings& settings) {
    KestrumPlugin plugin(2);
    ParameterLookup lookup(plugin);
    const std::vector<Lv2ControlPorts::Port> ports = Lv2ControlPorts::describe(plugin);
    std::vector<std::pair<std::string, float>> out;
    for (const std::string& s : settings) {
        const size_t eq = s.find('=');
        AbstractPluginParameter* p = lookup.find(s.substr(0, eq));
        if (!p) throw std::runtime_error("no parameter in " + s);
        float value = 0.0f;
        if (p->isDiscrete()) {
            if (!p->parseText(s.substr(eq + 1), value)) throw std::runtime_error("bad value in " + s);
        } else {
            value = std::stof(s.substr(eq + 1));
        }
        out.emplace_back(ports[static_cast<size_t>(p->getId())].symbol, value);
    }
    return out;
}

bool allFinite(const std::vector<std::vector<float>>& audio) {
    for (const auto& channel : audio)
        for (float v : channel)
            if (!std::isfinite(v)) return false;
    return true;
}

AbstractPluginParameter& parameterNamed(GenericPlugin& plugin, const std::string& name) {
    for (int i = 0; i < plugin.getNumParameters(); ++i)
        if (plugin.getParameter(i)->getName() == name) return *plugin.getParameter(i);
    throw std::runtime_error("no parameter " + name);
}

std::string bundle() { return KESTRUM_LV2_BUNDLE; }

}  // namespace lv2test
