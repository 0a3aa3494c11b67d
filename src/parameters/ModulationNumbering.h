#pragma once

// The fixed numbering of the modulation system, built from one table of kinds: how many items of
// each kind exist and how many outputs (sources) or targets (members) each item has. Source
// outputs and targets are numbered kind by kind, item by item, member by member, so every index
// follows from the table:
//   sources  0..7 XY (Hor, Ver per controller), 8..13 XLFO, 14..19 EG, 20..23 EF, 24..33 MIDI
//   targets  0..15 filters, 16..39 XLFOs, 40..75 EGs, 76..83 EFs, 84..88 gain, pan and mix,
//            89..112 slot levels
// Parameter ids, preset files and the slot menus depend on these numbers: they never change.

enum class FilterTarget { Freq, Pan, Peak, Delay };
enum class XLFOTarget { Frequency, FrequencyOffset, Glide, PhaseOffset };
enum class EGTarget { Attack, Decay, Sustain, Release, Hold, Delay };
enum class EFTarget { Attack, Release };
enum class ChainTarget { InputGain, InputPan, OutputGain, OutputPan, Mix };
enum class XYOutput { Hor, Ver };

// A kind of source or target: how many items, and how many outputs or targets each.
struct ModulationKind {
    int items;
    int members;
};

// The first index of kinds[kind]: everything numbered before it.
constexpr int firstModulationIndex(const ModulationKind* kinds, int kind) {
    int first = 0;
    for (int k = 0; k < kind; ++k) first += kinds[k].items * kinds[k].members;
    return first;
}

struct ModulationNumbering {
    using Kind = ModulationKind;

    enum SourceKind { kXYSources, kXLFOSources, kEGSources, kEFSources, kMidiSources, kNumSourceKinds };
    enum TargetKind { kFilterTargets, kXLFOTargets, kEGTargets, kEFTargets, kChainTargets, kSlotLevelTargets,
                      kNumTargetKinds };

    static constexpr Kind kSources[kNumSourceKinds] = {{4, 2}, {6, 1}, {6, 1}, {4, 1}, {10, 1}};
    static constexpr Kind kTargets[kNumTargetKinds] = {{4, 4}, {6, 4}, {6, 6}, {4, 2}, {1, 5}, {24, 1}};

    static constexpr int firstSource(SourceKind kind) { return firstModulationIndex(kSources, kind); }
    static constexpr int firstTarget(TargetKind kind) { return firstModulationIndex(kTargets, kind); }
    static constexpr int items(SourceKind kind) { return kSources[kind].items; }
    static constexpr int items(TargetKind kind) { return kTargets[kind].items; }
    static constexpr int members(TargetKind kind) { return kTargets[kind].members; }

    static constexpr int kNumSources = firstModulationIndex(kSources, kNumSourceKinds);
    static constexpr int kNumTargets = firstModulationIndex(kTargets, kNumTargetKinds);
    static constexpr int kNumFilters = kTargets[kFilterTargets].items;
    static constexpr int kNumXLFOs = kSources[kXLFOSources].items;
    static constexpr int kNumEGs = kSources[kEGSources].items;
    static constexpr int kNumEFs = kSources[kEFSources].items;
    static constexpr int kNumMidiSources = kSources[kMidiSources].items;
    static constexpr int kNumXYControllers = kSources[kXYSources].items;
    static constexpr int kNumSlots = kTargets[kSlotLevelTargets].items;

    // Source output of item `item` of a kind (XY controllers have two outputs each).
    static constexpr int source(SourceKind kind, int item) { return firstSource(kind) + kSources[kind].members * item; }
    static constexpr int xySource(int controller, XYOutput output) {
        return source(kXYSources, controller) + static_cast<int>(output);
    }

    static constexpr int target(TargetKind kind, int item, int member) {
        return firstTarget(kind) + kTargets[kind].members * item + member;
    }
    static constexpr int target(int filter, FilterTarget m) { return target(kFilterTargets, filter, static_cast<int>(m)); }
    static constexpr int target(int xlfo, XLFOTarget m) { return target(kXLFOTargets, xlfo, static_cast<int>(m)); }
    static constexpr int target(int eg, EGTarget m) { return target(kEGTargets, eg, static_cast<int>(m)); }
    static constexpr int target(int ef, EFTarget m) { return target(kEFTargets, ef, static_cast<int>(m)); }
    static constexpr int target(ChainTarget m) { return target(kChainTargets, 0, static_cast<int>(m)); }
    static constexpr int slotLevelTarget(int slot) { return target(kSlotLevelTargets, slot, 0); }
};

static_assert(ModulationNumbering::kNumSources == 34, "34 source outputs");
static_assert(ModulationNumbering::kNumTargets == 113, "113 targets");
static_assert(ModulationNumbering::target(ChainTarget::InputGain) == 84, "gain, pan and mix follow the EFs");
static_assert(ModulationNumbering::slotLevelTarget(0) == 89, "slot levels come last");
