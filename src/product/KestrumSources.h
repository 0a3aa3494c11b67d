#pragma once
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "engine/mixing/Router.h"
#include "modulation/FrequencyMultiplier.h"
#include "modulation/EnvelopeFollower.h"
#include "modulation/EnvelopeGenerator.h"
#include "modulation/MidiModSource.h"
#include "modulation/ModulationLayout.h"
#include "modulation/Trigger.h"
#include "modulation/XLFO.h"
#include "modulation/XLFOFreqController.h"

class KestrumPlugin;
class KestrumSharedStages;
class ModulationMatrix;

// The plug-in-wide modulation sources: six XLFOs with their frequency controllers, six envelope
// generators with their audio triggers, four envelope followers, and the ten MIDI sources on one
// cache of the latest MIDI values. The XY sources live with the shared stages.
//
// At construction every source output is registered with the matrix (sources 8..33), every
// modulated input is plugged into its target controller, every source parameter is bound to its
// source, and every source joins the update list, so it advances even when no slot reads it. Each
// list's "Num Active" switches its items' producers, so inactive sources cost nothing.
//
// The level detectors (triggers and followers) read a router that picks the peak of the normal
// input or of the side chain.
//
// Threads: construction and destruction during set-up; parameterChanged, notes, tempo and the
// display capture on the audio thread; displayValue and heldNotes from any thread.
class KestrumSources {
public:
    static constexpr int kXLFOs = ModulationLayout::kNumXLFOs;
    static constexpr int kEGs = ModulationLayout::kNumEGs;
    static constexpr int kEFs = ModulationLayout::kNumEFs;
    static constexpr int kMidiSources = ModulationLayout::kNumSources - ModulationLayout::kFirstMidi;
    // After the always-rendered entries: a source already pulled by a slot in a block is only
    // stamped, one nobody pulled is advanced without output.
    static constexpr int kUpdatePriority = 1;

    KestrumSources(KestrumPlugin& plugin, ModulationMatrix& matrix, KestrumSharedStages& shared);
    ~KestrumSources();
    KestrumSources(const KestrumSources&) = delete;
    KestrumSources& operator=(const KestrumSources&) = delete;

    // Audio thread: step counts, XLFO snap (the matrix's source kind) and EG triggering
    // (trigger input, trigger mode, cleared state). -1 means every parameter.
    void parameterChanged(int index);

    // Audio thread. A note-on counts the key as held, restarts the XLFOs set to MIDI Trigger and
    // opens the generators triggered by MIDI at the start of the next block. Key 0 is the reset
    // message instead: it forgets the held notes and clears the MIDI-triggered generators.
    void noteOn(int key);
    // Audio thread. Releasing the last held note closes every generator's gate; key 0 (all notes
    // off, or MIDI switched off) releases everything whatever is held. A note-off for a key that
    // is not held changes nothing.
    void noteOff(int key);
    // Audio thread: the host's tempo (BPM, 0 counts as 120) and song position (quarter notes).
    void tempoChanged(float bpm, float position);

    // Audio thread, after each processed chunk: stores every source's level for the editor.
    void captureDisplayValues();
    // Any thread: the level of source output `source` (0..33) on a 0..1 scale, 0 for no source.
    float displayValue(int source) const;
    int heldNotes() const { return heldCount_.load(std::memory_order_relaxed); }

    XLFO& xlfo(int k) { return *xlfos_[static_cast<size_t>(k)]; }
    XLFOFreqController& xlfoFrequency(int k) { return *controllers_[static_cast<size_t>(k)]; }
    EnvelopeGenerator& eg(int e) { return *egs_[static_cast<size_t>(e)]; }
    Trigger& trigger(int e) { return *triggers_[static_cast<size_t>(e)]; }
    Router& triggerInput(int e) { return *triggerInputs_[static_cast<size_t>(e)]; }
    EnvelopeFollower& ef(int k) { return *efs_[static_cast<size_t>(k)]; }
    Router& followerInput(int k) { return *followerInputs_[static_cast<size_t>(k)]; }
    MidiModSource& midiSource(int m) { return *midiSources_[static_cast<size_t>(m)]; }
    MidiModSource::Cache& midiCache() { return cache_; }

private:
    void createXLFO(int k);
    void createEG(int e);
    void createEF(int k);
    void createMidiSource(int m);
    float xlfoDisplay(int k) const;
    // Closes the gates of the generators (all six, or those triggered by MIDI).
    void closeGates(bool midiOnly);
    // Remembers how to undo a binding made at construction.
    template <class Parameter, class PropertyType>
    void bind(Parameter& parameter, PropertyType& property);

    KestrumPlugin& plugin_;
    ModulationMatrix& matrix_;
    KestrumSharedStages& shared_;
    std::vector<std::function<void()>> unbinders_;

    MidiModSource::Cache cache_;
    std::array<std::unique_ptr<XLFO>, kXLFOs> xlfos_;
    std::array<std::unique_ptr<XLFOFreqController>, kXLFOs> controllers_;
    std::array<std::unique_ptr<FrequencyMultiplier>, kXLFOs> freeRates_;
    std::array<std::unique_ptr<FrequencyMultiplier>, kXLFOs> offsetFactors_;
    std::array<std::unique_ptr<Router>, kEGs> triggerInputs_;
    std::array<std::unique_ptr<Trigger>, kEGs> triggers_;
    std::array<std::unique_ptr<EnvelopeGenerator>, kEGs> egs_;
    std::array<std::unique_ptr<Router>, kEFs> followerInputs_;
    std::array<std::unique_ptr<EnvelopeFollower>, kEFs> efs_;
    std::array<std::unique_ptr<MidiModSource>, kMidiSources> midiSources_;

    // Held notes per key (notes may arrive on several channels at once).
    std::array<int, 128> held_{};
    std::atomic<int> heldCount_{0};
    std::array<std::atomic<float>, ModulationLayout::kNumSources> display_{};
};
