#pragma once
// A plug-in rig for the modulation wiring tests: the product at 48 kHz with Filter 1 in the
// chain, slots connected through the slot parameters, and the modulated Filter 1 frequency
// recorded sample by sample while audio runs through processBlock.
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "engine/MidiMessage.h"
#include "product/KestrumPlugin.h"
#include "modulation/ModulationLayout.h"
#include "modulation/ModulationMatrix.h"

namespace wiring {

constexpr float kRate = 48000.0f;
constexpr int kFilter1Freq = 0;  // target index
constexpr float kBaseFreq = 9.0f;  // log2 Hz, about 512 Hz: room for modulation both ways

inline std::unique_ptr<KestrumPlugin> makePlugin(int channels = 2) {
    auto plugin = std::make_unique<KestrumPlugin>(channels);
    plugin->setSampleRate(kRate);
    plugin->autoMute.setValue(0.0f, 0);
    plugin->filters.at(0).freq.setPlainValue(kBaseFreq, 0);
    return plugin;
}

// Applies everything set so far at once, without smoothing.
inline void settle(KestrumPlugin& plugin) {
    plugin.reset();
    plugin.getEnvironment().restartTime();
}

inline void connect(KestrumPlugin& plugin, int slot, int source, int target, float level) {
    if (plugin.slots.getActiveCount() < slot + 1) plugin.slots.getNumActive().setValue(static_cast<float>(slot + 1), 0);
    plugin.setSlotSource(slot, source);
    plugin.setSlotTarget(slot, target);
    plugin.slots.at(slot).level.setPlainValue(level, 0);
}

// Drives the plug-in and records Filter 1's modulated frequency.
class Runner {
public:
    using Level = std::function<float(long sample)>;
    using BeforeBlock = std::function<void(long sample)>;

    explicit Runner(KestrumPlugin& plugin) : plugin_(plugin) {}

    // Host blocks of `block` frames (at most the graph's block size, so each is one chunk) of a
    // DC input at level(sample) on both channels (the side chain carries sideLevel when set).
    void run(long frames, int block, const Level& level, const BeforeBlock& before = {}, const Level& sideLevel = {}) {
        const int channels = plugin_.getNumChannels();
        std::vector<float> in(static_cast<size_t>(block)), side(static_cast<size_t>(block));
        std::vector<float> out0(static_cast<size_t>(block)), out1(static_cast<size_t>(block));
        plugin_.setSideChainConnected(static_cast<bool>(sideLevel));
        ModulationMatrix& matrix = *plugin_.getModulationMatrix();
        for (long done = 0; done < frames; done += block) {
            const int n = static_cast<int>(std::min<long>(block, frames - done));
            if (before) before(position_);
            for (int i = 0; i < n; ++i) {
                in[static_cast<size_t>(i)] = level(position_ + i);
                side[static_cast<size_t>(i)] = sideLevel ? sideLevel(position_ + i) : 0.0f;
            }
            const float* ins[4] = {in.data(), in.data(), side.data(), side.data()};
            const float* monoIns[2] = {in.data(), side.data()};
            float* outs[2] = {out0.data(), out1.data()};
            plugin_.processBlock(channels == 2 ? ins : monoIns, sideLevel ? 2 * channels : channels, outs, channels, n);
            const float* f = matrix.getTargetController(kFilter1Freq)->getOutput()->data();
            frequency.insert(frequency.end(), f, f + n);
            output.insert(output.end(), out0.begin(), out0.begin() + n);
            position_ += n;
        }
    }

    long position() const { return position_; }

    std::vector<float> frequency;
    std::vector<float> output;

private:
    KestrumPlugin& plugin_;
    long position_ = 0;
};

inline float constantLevel(long) { return 0.1f; }

// Mean distance in samples between upward crossings of `level` in trace[from, to).
inline double meanPeriod(const std::vector<float>& trace, float level, size_t from, size_t to = 0) {
    if (to == 0 || to > trace.size()) to = trace.size();
    long first = -1, last = -1, count = 0;
    for (size_t i = std::max<size_t>(from, 1); i < to; ++i) {
        if (trace[i - 1] < level && trace[i] >= level) {
            if (first < 0) first = static_cast<long>(i);
            last = static_cast<long>(i);
            ++count;
        }
    }
    return count >= 2 ? static_cast<double>(last - first) / static_cast<double>(count - 1) : 0.0;
}

inline MidiMessage midi(int status, int data1, int data2, int offset = 0) {
    MidiMessage m;
    m.status = static_cast<uint8_t>(status);
    m.data1 = static_cast<uint8_t>(data1);
    m.data2 = static_cast<uint8_t>(data2);
    m.offset = offset;
    return m;
}

// The host's MIDI input (the product's "Receive MIDI" parameter hides the framework's entry).
inline void send(KestrumPlugin& plugin, const MidiMessage& message) {
    static_cast<MidiMessageReceiver&>(plugin).receiveMidi(message);
}

}  // namespace wiring
