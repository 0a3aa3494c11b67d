#pragma once
#include "presets/CustomPresetLoader.h"
#include "presets/PresetLayout.h"

// Full presets of the previous state generation ("ZK2l", version 1). That layout has the product's
// parameters without Routing Mode and Audition Signal, the filters without their Delay, the XLFO,
// EG, EF and MIDI source lists, Receive MIDI, Auto Mute Self-Osc and the slot list; it has no XY
// controllers and no extension sets. After the values are applied, endLoad() brings the state up
// to date:
// - Routing Mode, Audition Signal and every filter's Delay take their defaults; the XY list and the
//   extension arrays are reset and no XY controller is active;
// - each slot's stored source gains one for every threshold 4, 8, 12, 16 it reaches (in turn, so a
//   raise counts for the next threshold): the source menu grew by one item in each of those places;
// - the envelope generators' thresholds moved behind the input gain stage, so each active EG's
//   Threshold is multiplied by the Input Gain factor 10^(g/20).
// The corrections also run when the file turned out to be cut short, so a partly read file still
// leaves a consistent state (the load still reports the failure).
class VersionPresetLoader : public CustomPresetLoader {
public:
    static constexpr int kVersion = 1;

    // The layout must stay valid while the loader is used.
    explicit VersionPresetLoader(const PresetLayout& layout);

    void endLoad(int version) override;

private:
    const PresetLayout& layout_;
};
