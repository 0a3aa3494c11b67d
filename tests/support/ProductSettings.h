#pragma once
// Product settings shared by the benchmarks and the render comparison: the benchmark settings
// (four steep filters with 24 XY slots, every source running, one 24 dB filter, one Clean 48 dB
// filter) and three more (resonant, modulated with delays, Mid/Side), a second of programme
// material, and the per-block driver that moves the XY pads and the transport as a host would.
#include <cmath>
#include <vector>

#include "filters/MultiDesignFilter.h"
#include "modulation/ModulationLayout.h"
#include "modulation/ModulationMatrix.h"
#include "product/KestrumPlugin.h"

namespace product_settings {

using Layout = ModulationLayout;
constexpr float kSampleRate = 48000.0f;
constexpr int kGentle = 6;
constexpr int kProgrammeFrames = 48000;

enum class Setting { XYSlots, AllSources, OneFilter24, Clean48, Resonant, Modulated, MidSide };
constexpr Setting kAllSettings[] = {Setting::XYSlots,  Setting::AllSources, Setting::OneFilter24, Setting::Clean48,
                                    Setting::Resonant, Setting::Modulated,  Setting::MidSide};

inline const char* name(Setting s) {
    switch (s) {
        case Setting::XYSlots: return "XYSlots";
        case Setting::AllSources: return "AllSources";
        case Setting::OneFilter24: return "OneFilter24";
        case Setting::Clean48: return "Clean48";
        case Setting::Resonant: return "Resonant";
        case Setting::Modulated: return "Modulated";
        case Setting::MidSide: return "MidSide";
    }
    return "?";
}

inline void connect(KestrumPlugin& p, int slot, int source, int target, float level) {
    p.setSlotSource(slot, source);
    p.setSlotTarget(slot, target);
    p.slots.at(slot).level.setPlainValue(level, 0);
}

inline void filter(KestrumPlugin& p, int k, int characteristic, int slope, float freq, float peak) {
    FilterParameterSet& f = p.filters.at(k);
    f.characteristic.setValue(static_cast<float>(characteristic), 0);
    f.slope.setValue(static_cast<float>(slope), 0);
    f.freq.setValue(freq, 0);
    f.peak.setValue(peak, 0);
}

inline void fourSteepFilters(KestrumPlugin& p) {
    p.filters.getNumActive().setValue(4.0f, 0);
    p.routing.setValue(0.0f, 0);
    for (int k = 0; k < 4; ++k) filter(p, k, kGentle, FilterEnums::Slope48, 0.45f + 0.1f * static_cast<float>(k), 0.3f);
    p.slots.getNumActive().setValue(24.0f, 0);
}

// 16 filter targets, the five gain/pan/mix targets and three slot levels, all from XY outputs.
inline void xySlots(KestrumPlugin& p) {
    for (int t = 0; t < 16; ++t) connect(p, t, Layout::kFirstXY + t % 8, t, 0.2f);
    for (int j = 0; j < 5; ++j) connect(p, 16 + j, Layout::kFirstXY + j, Layout::kInputGain + j, 0.1f);
    for (int j = 0; j < 3; ++j) connect(p, 21 + j, Layout::kFirstXY + 5 + j, Layout::slotLevelTarget(j), 0.3f);
}

// Every source kind in use: XLFOs on filters and on each other, envelopes triggered by the input,
// the side chain and MIDI, followers on both inputs.
inline void allSources(KestrumPlugin& p) {
    p.xlfos.getNumActive().setValue(6.0f, 0);
    p.egs.getNumActive().setValue(6.0f, 0);
    p.efs.getNumActive().setValue(4.0f, 0);
    for (int k = 0; k < 6; ++k) {
        p.xlfos.at(k).steps.getNumActive().setValue(static_cast<float>(4 + 2 * k), 0);
        for (int s = 0; s < 16; ++s) {
            p.xlfos.at(k).steps.at(s).value.setValue(std::sin(static_cast<float>(s + k)), 0);
            p.xlfos.at(k).steps.at(s).glide.setValue(0.3f, 0);
        }
        p.xlfos.at(k).frequency.setPlainValue(0.3f + 1.7f * static_cast<float>(k), 0);
        p.egs.at(k).triggering.setValue(static_cast<float>(k % 2), 0);
        p.egs.at(k).threshold.setValue(0.45f, 0);
        p.egs.at(k).attack.setPlainValue(0.01f, 0);
        p.egs.at(k).release.setPlainValue(0.1f, 0);
    }
    p.xlfos.at(5).syncMode.setValue(static_cast<float>(XLFOEnums::Eighth), 0);
    p.efs.at(3).input.setValue(1.0f, 0);
    const int connections[24][2] = {
        {Layout::kFirstXLFO, Layout::filterTarget(0, FilterTarget::Freq)},
        {Layout::kFirstXLFO + 1, Layout::filterTarget(1, FilterTarget::Freq)},
        {Layout::kFirstXLFO + 2, Layout::filterTarget(2, FilterTarget::Pan)},
        {Layout::kFirstXLFO + 3, Layout::filterTarget(3, FilterTarget::Peak)},
        {Layout::kFirstXLFO + 4, Layout::xlfoTarget(0, XLFOTarget::Frequency)},
        {Layout::kFirstXLFO + 5, Layout::egTarget(0, EGTarget::Attack)},
        {Layout::kFirstEG, Layout::filterTarget(0, FilterTarget::Peak)},
        {Layout::kFirstEG + 1, Layout::filterTarget(1, FilterTarget::Delay)},
        {Layout::kFirstEG + 2, Layout::filterTarget(2, FilterTarget::Freq)},
        {Layout::kFirstEG + 3, Layout::kMix},
        {Layout::kFirstEG + 4, Layout::xlfoTarget(1, XLFOTarget::Glide)},
        {Layout::kFirstEG + 5, Layout::filterTarget(3, FilterTarget::Freq)},
        {Layout::kFirstEF, Layout::filterTarget(0, FilterTarget::Pan)},
        {Layout::kFirstEF + 1, Layout::kOutputGain},
        {Layout::kFirstEF + 2, Layout::xlfoTarget(2, XLFOTarget::PhaseOffset)},
        {Layout::kFirstEF + 3, Layout::egTarget(1, EGTarget::Sustain)},
        {Layout::kFirstXY, Layout::filterTarget(1, FilterTarget::Pan)},
        {Layout::kFirstXY + 1, Layout::kInputPan},
        {Layout::kFirstMidi, Layout::filterTarget(2, FilterTarget::Peak)},
        {Layout::kFirstMidi + 1, Layout::kOutputPan},
        {Layout::kFirstXLFO, Layout::slotLevelTarget(6)},
        {Layout::kFirstXLFO + 1, Layout::filterTarget(3, FilterTarget::Delay)},
        {Layout::kFirstEF, Layout::slotLevelTarget(0)},
        {Layout::kFirstXLFO + 2, Layout::kInputGain},
    };
    for (int s = 0; s < 24; ++s) connect(p, s, connections[s][0], connections[s][1], 0.25f);
}

// Applies a setting to a plug-in that was just constructed with its sample rate set.
inline void configure(KestrumPlugin& p, Setting setting) {
    switch (setting) {
        case Setting::XYSlots:
            fourSteepFilters(p);
            xySlots(p);
            break;
        case Setting::AllSources:
            fourSteepFilters(p);
            allSources(p);
            break;
        case Setting::OneFilter24:
            p.filters.getNumActive().setValue(1.0f, 0);
            filter(p, 0, kGentle, FilterEnums::Slope24, 0.5f, 0.3f);
            break;
        case Setting::Clean48:
            p.filters.getNumActive().setValue(1.0f, 0);
            filter(p, 0, MultiDesignFilter::kClean, FilterEnums::Slope48, 0.5f, 0.3f);
            break;
        case Setting::Resonant:
            // Two filters in parallel near self-oscillation, band and high pass.
            p.filters.getNumActive().setValue(2.0f, 0);
            p.routing.setValue(1.0f, 0);
            filter(p, 0, 2, FilterEnums::Slope12, 0.55f, 0.97f);
            filter(p, 1, 8, FilterEnums::Slope24, 0.4f, 0.93f);
            p.filters.at(0).response.setValue(static_cast<float>(FilterEnums::BandPass), 0);
            p.filters.at(1).response.setValue(static_cast<float>(FilterEnums::HighPass), 0);
            break;
        case Setting::Modulated:
            // Three filters, XLFOs on frequency, peak and a delay that glides, a Clean one among them.
            p.filters.getNumActive().setValue(3.0f, 0);
            p.routing.setValue(2.0f, 0);
            filter(p, 0, 1, FilterEnums::Slope24, 0.5f, 0.6f);
            filter(p, 1, MultiDesignFilter::kClean, FilterEnums::Slope24, 0.6f, 0.5f);
            filter(p, 2, 4, FilterEnums::Slope48, 0.45f, 0.4f);
            p.filters.at(1).delay.setValue(0.3f, 0);
            p.filters.at(2).delay.setValue(0.15f, 0);
            p.filters.at(0).pan.setValue(0.7f, 0);
            p.xlfos.getNumActive().setValue(2.0f, 0);
            p.xlfos.at(0).frequency.setPlainValue(3.0f, 0);
            p.xlfos.at(1).frequency.setPlainValue(0.7f, 0);
            p.slots.getNumActive().setValue(4.0f, 0);
            connect(p, 0, Layout::kFirstXLFO, Layout::filterTarget(0, FilterTarget::Freq), 0.4f);
            connect(p, 1, Layout::kFirstXLFO + 1, Layout::filterTarget(1, FilterTarget::Delay), 0.3f);
            connect(p, 2, Layout::kFirstXLFO + 1, Layout::filterTarget(2, FilterTarget::Peak), 0.5f);
            connect(p, 3, Layout::kFirstXLFO, Layout::filterTarget(2, FilterTarget::Delay), 0.2f);
            break;
        case Setting::MidSide:
            // Mid/Side: two filters in series on each of mid and side.
            p.routingMode.setValue(static_cast<float>(RoutingEnums::MidSide), 0);
            p.filters.getNumActive().setValue(2.0f, 0);
            p.routing.setValue(0.0f, 0);
            filter(p, 0, 3, FilterEnums::Slope24, 0.5f, 0.5f);
            filter(p, 1, kGentle, FilterEnums::Slope12, 0.65f, 0.7f);
            p.filters.at(1).response.setValue(static_cast<float>(FilterEnums::HighPass), 0);
            break;
    }
}

// Whether the setting uses the side chain (the fourth and third host inputs).
inline bool usesSideChain(Setting s) { return s == Setting::AllSources; }

// A second of programme material: tones with a tremolo, so the detectors open and close, plus a
// side chain. Each has kProgrammeFrames + extra frames so a block may start anywhere.
struct Programme {
    std::vector<float> left, right, side;
    explicit Programme(int extra = 1024)
        : left(kProgrammeFrames + extra), right(kProgrammeFrames + extra), side(kProgrammeFrames + extra) {
        for (size_t i = 0; i < left.size(); ++i) {
            const double t = static_cast<double>(i) / kSampleRate;
            const double tremolo = 0.5 + 0.5 * std::sin(2.0 * M_PI * 2.0 * t);
            left[i] = static_cast<float>(0.5 * tremolo * std::sin(2.0 * M_PI * 220.0 * t));
            right[i] = static_cast<float>(0.5 * tremolo * std::sin(2.0 * M_PI * 331.0 * t));
            side[i] = static_cast<float>(0.8 * (1.0 - tremolo) * std::sin(2.0 * M_PI * 97.0 * t));
        }
    }
};

// Drives a plug-in over a programme block by block as the benchmark host does: the XY pads move
// every block (setting XYSlots), the transport follows the frames processed.
class Driver {
public:
    Driver(KestrumPlugin& plugin, Setting setting) : plugin_(plugin), setting_(setting) {
        plugin_.setSideChainConnected(usesSideChain(setting));
    }

    // Processes `frames` frames of the programme starting at `position` into out[0], out[1].
    void process(const Programme& in, long position, float** out, int frames) {
        if (setting_ == Setting::XYSlots) {
            const float x = std::sin(0.01f * static_cast<float>(blocks_));
            for (int k = 0; k < 4; ++k) {
                plugin_.xyControllers.at(k).hor.setValue(x, 0);
                plugin_.xyControllers.at(k).ver.setValue(-x, 0);
            }
        }
        const float* ins[4] = {in.left.data() + position, in.right.data() + position, in.side.data() + position,
                               in.side.data() + position};
        plugin_.setTransport(120.0f, static_cast<float>(frames_) * 2.0f / kSampleRate);
        plugin_.processBlock(ins, usesSideChain(setting_) ? 4 : 2, out, 2, frames);
        frames_ += frames;
        ++blocks_;
    }

private:
    KestrumPlugin& plugin_;
    Setting setting_;
    long long frames_ = 0;
    int blocks_ = 0;
};

}  // namespace product_settings
