#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/GenericPlugin.h"
#include "product/KestrumChannel.h"
#include "product/KestrumSharedStages.h"
#include "product/KestrumSources.h"
#include "product/KestrumSettings.h"
#include "modulation/ModulationMatrixOwner.h"
#include "modulation/ModulationSlotParameterSetList.h"
#include "midi/DefaultEventReceiver.h"
#include "parameters/EFParameterSetList.h"
#include "parameters/EGParameterSetList.h"
#include "parameters/EGParameterSetListExtension.h"
#include "parameters/FilterParameterSetList.h"
#include "parameters/MidiMultiVirtualPluginParameter.h"
#include "parameters/MidiSourceParameterSetList.h"
#include "parameters/MidiSourceParameterSetListExtension.h"
#include "parameters/ModulationTargetParameter.h"
#include "parameters/ParameterEnums.h"
#include "parameters/PropPluginParameter.h"
#include "parameters/XLFOParameterSetList.h"
#include "parameters/XLFOParameterSetListExtension.h"
#include "parameters/XYParameterSetList.h"
#include "platform/BinaryDataReader.h"
#include "presets/ParameterCollection.h"
#include "presets/PresetLayout.h"
#include "presets/SectionCollections.h"

// The product: a stereo (or mono) multi-filter effect with up to four filters, input and output
// gain and pan, a dry/wet mix, an audition switch and a modulation system.
//
// The parameters are declared in a fixed order, which fixes every parameter's id for hosts,
// presets and MIDI learn: Input Gain, Input Pan, Output Gain, Output Pan, Mix, Routing, Routing
// Mode, the filter list, the XLFO, EG, EF and MIDI source lists, Receive MIDI, Auto Mute
// Self-Osc, Audition Signal, the modulation slot list, the XY list and the XLFO, EG and MIDI
// source extension arrays. Two virtual parameters for MIDI learn follow outside the host list:
// "Filter Link Freq" and "Filter Link Peak" move the Freq (Peak) of every linked filter.
//
// The modulation sources (KestrumSources) and the XY sources (KestrumSharedStages) are built after
// init(); MIDI input runs through a decoder into a DefaultEventReceiver whose listeners include
// the MIDI sources' cache, and whose notes reach noteOn/noteOff here.
//
// Threads: construction on the host's thread; loadPresetData, writePresetFile and section presets
// on a parameter thread; parameterChanged, notes, tempo and processing on the audio thread;
// getSourceDisplayValue on any thread.
class KestrumPlugin : public GenericPlugin, public ModulationMatrixOwner {
public:
    static constexpr const char* kPluginId = "ZK2l";
    static constexpr const char* kProductName = "Kestrum";
    // The product generation: names the settings key ("...\\Kestrum\\2.0") and "Kestrum 2" folders.
    static constexpr int kMajorVersion = 2;
    // Version of the full state and preset files written now.
    static constexpr int kStateVersion = 2;
    static constexpr float kMinGainDb = -36.0f;
    static constexpr float kMaxGainDb = 36.0f;
    static constexpr int kNumRoutings = 8;

    // Opens a fresh reader on the data to load; called once per loader that is tried.
    using ReaderFactory = std::function<std::unique_ptr<BinaryDataReader>()>;

    explicit KestrumPlugin(int numChannels = 2);
    ~KestrumPlugin() override;

    // The product's facts for the framework and the host adapters (no instance needed).
    static ProductInfo describe();
    // User-interface thread: the editor size follows the layout and modulation settings.
    int getEditorWidth() override;
    int getEditorHeight() override;

    // Audio thread: the framework's handling, then filters join or leave the link parameters and
    // the sources follow their mode parameters.
    void parameterChanged(int index) override;
    // Audio thread (from the MIDI receiver): held notes, MIDI Trigger and MIDI-triggered envelopes.
    // Key 0 is reserved: a note-on clears, a note-off (all notes off) releases everything.
    void noteOn(int key, float velocity, int channel) override;
    void noteOff(int key, float velocity) override;
    // Audio thread: tempo-synced XLFOs follow the host's tempo and song position.
    void tempoChanged(float bpm, float position) override;
    // Audio thread: the chunk's channels, then the sources' display levels are captured.
    void processChannels(const float** buffers, int count, int frames) override;
    // Any thread: a modulation source's current level on a 0..1 scale for the editor (XY and
    // XLFO values -1..1 as (v + 1) / 2), as captured after the last processed chunk.
    float getSourceDisplayValue(int source) const;

    // Full presets: the current state format, then the previous generation, then both variants
    // of the first generation. Returns whether one of them read the file completely.
    bool loadPresetData(const std::string& path) override;
    bool loadPresetFrom(const ReaderFactory& open);
    // Writes every parameter in id order (current version); false when the file could not be
    // written completely.
    bool writePresetFile(const std::string& path) override;
    // Non-real-time thread: a pending MIDI program change loads its preset.
    void performDeferredWork() override;

    // Every parameter in id order: the full state.
    const ParameterCollection& stateCollection() const { return *state_; }
    const SectionCollections& sections() const { return *sections_; }
    const PresetLayout& presetLayout() const { return layout_; }

    // The MIDI-learnable parameters without a host id (ids from MidiVirtualPluginParameter::kFirstId).
    const std::vector<MidiVirtualPluginParameter*>& getVirtualParameters() const { return virtualParameters_; }
    KestrumSettings* kestrumSettings() const { return kestrumSettings_; }
    KestrumSharedStages& sharedStages() { return *shared_; }
    KestrumSources& sources() { return *sources_; }
    // The receiver behind the MIDI input (null before init()).
    DefaultEventReceiver* midiReceiver() const { return midiReceiver_; }
    // Routings the user may choose for an effective filter count (1, 2, 4 or 8; 4 or 1 when the
    // channels are split in Per Channel or Mid/Side mode).
    static int routingsOffered(int effectiveFilters, bool stereo, int routingMode);
    const std::vector<std::unique_ptr<KestrumChannel>>& kestrumChannels() const { return channels_; }

    // The parameters, in id order.
    ModulationTargetParameter inputGain;
    ModulationTargetParameter inputPan;
    ModulationTargetParameter outputGain;
    ModulationTargetParameter outputPan;
    ModulationTargetParameter mix;
    PropPluginParameter<int> routing;
    PropPluginParameter<RoutingEnums::RoutingMode> routingMode;
    FilterParameterSetList filters;
    XLFOParameterSetList xlfos;
    EGParameterSetList egs;
    EFParameterSetList efs;
    MidiSourceParameterSetList midiSources;
    PropPluginParameter<GenericPlugin::MidiState> receiveMidi;
    PropPluginParameter<bool> autoMute;
    PropPluginParameter<int> audition;
    ModulationSlotParameterSetList slots;
    XYParameterSetList xyControllers;
    XLFOParameterSetListExtension xlfoExtensions;
    EGParameterSetListExtension egExtensions;
    MidiSourceParameterSetListExtension midiExtensions;

    // The virtual link parameters ("Filter Link Freq", "Filter Link Peak").
    MidiMultiVirtualPluginParameter& filterLinkFreq() { return filterLinkFreq_; }
    MidiMultiVirtualPluginParameter& filterLinkPeak() { return filterLinkPeak_; }

    // The folders the product keeps for the user, and the factory content: "Restore Factory
    // Presets" installs it again with overwrite. False when the presets could not all be written.
    bool installFactoryContent(bool overwrite);
    // The label of the installed factory section presets, below each section's own folder.
    static constexpr const char* kFactorySectionLabel = "Factory Presets";

protected:
    std::unique_ptr<PluginSettings> createSettings() override;
    // First instance: the preset managers on the user's folders, the factory content on a first
    // start or into an empty preset folder, and program changes looked up in the main manager.
    void initShared(const std::string& productName, bool firstStart) override;
    void shutdownShared() override;
    // The process-wide MIDI controller map in the application-data folder.
    bool readMidiControllerMap() override;
    void installDefaultMidiControllerMap() override;
    bool saveMidiControllerMap() override;
    void presetFileWritten(const std::string& path) override;
    // Called by init(): a decoder feeding a new DefaultEventReceiver.
    std::unique_ptr<MidiMessageReceiver> createEventReceiver() override;
    // The state in memory: every parameter in id order (current version); read back with every
    // fallback of loadPresetFrom.
    bool writeStateData(std::vector<uint8_t>& out) override;
    bool loadStateData(const uint8_t* data, size_t size) override;
    // Every XLFO draws a new seed from the instance's generator.
    void reseedRandom() override;

private:
    void configureParameters();
    // Loads the default preset from the main manager as the start-up load, when there is one.
    void loadDefaultPreset();
    void updateFilterLinks(int index);

    std::vector<MidiVirtualPluginParameter*> virtualParameters_;
    MidiMultiVirtualPluginParameter filterLinkFreq_;
    MidiMultiVirtualPluginParameter filterLinkPeak_;
    KestrumSettings* kestrumSettings_ = nullptr;
    PresetLayout layout_;
    std::unique_ptr<ParameterCollection> state_;
    std::unique_ptr<SectionCollections> sections_;
    std::unique_ptr<KestrumSharedStages> shared_;
    std::unique_ptr<KestrumSources> sources_;
    DefaultEventReceiver* midiReceiver_ = nullptr;  // owned by the framework's decoder
    std::vector<std::unique_ptr<KestrumChannel>> channels_;
};
