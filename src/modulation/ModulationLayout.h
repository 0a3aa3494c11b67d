#pragma once
#include <memory>

#include "parameters/FilterFrequencyRange.h"
#include "engine/wave/Environment.h"
#include "parameters/ModulationNumbering.h"

class ModulationMatrix;

// The product's fixed modulation layout: 34 source outputs, 113 targets in 18 classes, 24 slots.
//
// The numbering of sources and targets comes from ModulationNumbering; this adds the target
// classes (limits and depths) and which targets belong to which source.
struct ModulationLayout {
    using N = ModulationNumbering;
    static constexpr int kNumSources = N::kNumSources;
    static constexpr int kNumTargets = N::kNumTargets;
    static constexpr int kNumClasses = 18;
    static constexpr int kNumSlots = N::kNumSlots;

    static constexpr int kFirstXY = N::firstSource(N::kXYSources);
    static constexpr int kFirstXLFO = N::firstSource(N::kXLFOSources);
    static constexpr int kFirstEG = N::firstSource(N::kEGSources);
    static constexpr int kFirstEF = N::firstSource(N::kEFSources);
    static constexpr int kFirstMidi = N::firstSource(N::kMidiSources);
    static constexpr int kNumXLFOs = N::kNumXLFOs;
    static constexpr int kNumEGs = N::kNumEGs;
    static constexpr int kNumEFs = N::kNumEFs;

    static constexpr int kInputGain = N::target(ChainTarget::InputGain);
    static constexpr int kInputPan = N::target(ChainTarget::InputPan);
    static constexpr int kOutputGain = N::target(ChainTarget::OutputGain);
    static constexpr int kOutputPan = N::target(ChainTarget::OutputPan);
    static constexpr int kMix = N::target(ChainTarget::Mix);
    static constexpr int kFirstSlotLevel = N::slotLevelTarget(0);

    // Exact class bounds.
    static constexpr float kMinFreq = FilterFrequencyRange::kMin;
    static constexpr float kMaxFreq = FilterFrequencyRange::kMax;
    static constexpr float kMinTime = 0.0014512472f;  // 64 samples at 44100 Hz

    static constexpr int filterTarget(int filter, FilterTarget member) { return N::target(filter, member); }
    static constexpr int xlfoTarget(int xlfo, XLFOTarget member) { return N::target(xlfo, member); }
    static constexpr int egTarget(int eg, EGTarget member) { return N::target(eg, member); }
    static constexpr int efTarget(int ef, EFTarget member) { return N::target(ef, member); }
    static constexpr int slotLevelTarget(int slot) { return N::slotLevelTarget(slot); }

    // The kind of each source output while no XLFO is snapped.
    static int defaultKind(int source);

    // Fills the class table, binds every target to its class, gives the XLFOs, envelope
    // generators and followers their own targets and sets every source's kind. Producers are
    // registered by the product afterwards.
    static void configure(ModulationMatrix& matrix);
    // A matrix of the product's sizes, configured.
    static std::unique_ptr<ModulationMatrix> create(wave::Environment& environment);
};
