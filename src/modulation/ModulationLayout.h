#pragma once
#include <memory>

#include "engine/wave/Environment.h"

class ModulationMatrix;

// The product's fixed modulation layout: 34 source outputs, 113 targets in 18 classes, 24 slots.
//
// Sources: 0..7 XY controllers (Hor, Ver of controller 1, then 2, ...), 8..13 XLFOs, 14..19
// envelope generators, 20..23 envelope followers, 24..33 MIDI sources.
// Targets: 4f+0..3 filter f Freq, Pan, Peak, Delay; 16+4x+0..3 XLFO x Frequency, Frequency
// Offset, Glide, Phase Offset; 40+6e+0..5 EG e Attack, Decay, Sustain, Release, Hold, Delay;
// 76+2k+0..1 EF k Attack, Release; 84..88 Input Gain, Input Pan, Output Gain, Output Pan, Mix;
// 89+s the level of slot s.
struct ModulationLayout {
    static constexpr int kNumSources = 34;
    static constexpr int kNumTargets = 113;
    static constexpr int kNumClasses = 18;
    static constexpr int kNumSlots = 24;

    static constexpr int kFirstXY = 0;
    static constexpr int kFirstXLFO = 8;
    static constexpr int kFirstEG = 14;
    static constexpr int kFirstEF = 20;
    static constexpr int kFirstMidi = 24;
    static constexpr int kNumXLFOs = 6;
    static constexpr int kNumEGs = 6;
    static constexpr int kNumEFs = 4;

    static constexpr int kFirstXLFOTarget = 16;
    static constexpr int kFirstEGTarget = 40;
    static constexpr int kFirstEFTarget = 76;
    static constexpr int kInputGain = 84;
    static constexpr int kInputPan = 85;
    static constexpr int kOutputGain = 86;
    static constexpr int kOutputPan = 87;
    static constexpr int kMix = 88;
    static constexpr int kFirstSlotLevel = 89;

    // Exact class bounds.
    static constexpr float kMinFreq = 2.2665999f;
    static constexpr float kMaxFreq = 16.2064f;
    static constexpr float kMinTime = 0.0014512472f;  // 64 samples at 44100 Hz

    static int filterTarget(int filter, int member) { return 4 * filter + member; }
    static int xlfoTarget(int xlfo, int member) { return kFirstXLFOTarget + 4 * xlfo + member; }
    static int egTarget(int eg, int member) { return kFirstEGTarget + 6 * eg + member; }
    static int efTarget(int ef, int member) { return kFirstEFTarget + 2 * ef + member; }
    static int slotLevelTarget(int slot) { return kFirstSlotLevel + slot; }

    // The kind of each source output while no XLFO is snapped.
    static int defaultKind(int source);

    // Fills the class table, binds every target to its class, gives the XLFOs, envelope
    // generators and followers their own targets and sets every source's kind. Producers are
    // registered by the product afterwards.
    static void configure(ModulationMatrix& matrix);
    // A matrix of the product's sizes, configured.
    static std::unique_ptr<ModulationMatrix> create(wave::Environment& environment);
};
