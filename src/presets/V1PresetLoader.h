#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "presets/CustomPresetLoader.h"
#include "presets/PresetLayout.h"

// Full presets of the first generation ("ZKst"): two filters, two LFOs and one envelope generator
// wired to the filters by fixed depths. Variant 0 (version 0) holds 53 values, variant 1
// (version 1) six more. Positions:
//   0 Input Gain (dB), 1 Output Gain (dB), 2 Mix (0..1), 3 Routing (0 serial, 1 parallel);
//   4..19 filter 1 and 20..35 filter 2: Enabled, Characteristic, Response, Slope, Freq, Peak,
//     Pan (-1..1), then nine depths: for Freq, Peak and Pan in turn, the depth (-1..1) of LFO 1,
//     LFO 2 and the envelope generator;
//   36..45 LFO 1 and LFO 2, five values each: rate (Hz), sync (0 free, 1..11 the sync lengths),
//     glide (0 square .. 1 smooth), balance (0..1), rate multiplier (0.5..2);
//   46..50 the envelope generator: Threshold, Attack, Decay, Sustain, Release;
//   51 Receive MIDI, 52 self-oscillation allowed (the inverse of Auto Mute Self-Osc);
//   variant 1 only: 53..58, LFO 1 and LFO 2, three values each: phase offset (0..1),
//     retrigger on MIDI notes (0/1), random steps (0/1).
// The depths and LFO values are captured raw and turned into XLFOs and modulation slots by
// endLoad(); docs/presets.md describes the conversion.
class V1PresetLoader : public CustomPresetLoader {
public:
    static constexpr const char* kMagic = "ZKst";
    static constexpr int kFilterValues = 16;
    static constexpr int kDepthsPerFilter = 9;
    static constexpr int kLFOs = 2;
    static constexpr int kValuesPerLFO = 5;
    static constexpr int kExtraValuesPerLFO = 3;
    static constexpr int kVariant0Values = 53;
    static constexpr int kVariant1Values = 59;
    static constexpr int kMixPosition = 2;
    static constexpr int kRoutingPosition = 3;
    static constexpr int kFirstFilterPosition = 4;
    static constexpr int kFirstLFOPosition = 36;
    static constexpr int kFirstEGPosition = 46;
    static constexpr int kSelfOscPosition = 52;
    static constexpr int kFirstExtraPosition = 53;

    // variant 0 or 1; it is also the file version the loader expects. The layout must stay valid
    // while the loader is used.
    V1PresetLoader(const PresetLayout& layout, int variant);

    int getVariant() const { return variant_; }

    std::string getMagic(int /*version*/) override { return kMagic; }
    bool acceptsVersion(int version) override { return version == variant_; }
    // Every parameter starts from its default: the first generation had far fewer parameters.
    void beginLoad(int version) override;
    void setValue(int position, float value) override;
    void setMissing(int position) override;
    void endLoad(int version) override;

private:
    // A value the file held as a finite number.
    bool finiteAt(int position, float& value) const;
    void setUpXLFO(int lfo, int item);
    void connectSlots(const std::array<int, kLFOs>& xlfoOfLFO);
    void correctParallelMix();

    const PresetLayout& layout_;
    int variant_;
    std::vector<float> stored_;
    std::vector<bool> present_;
    std::array<bool, 2> disabled_{};
};
