#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/GenericPlugin.h"
#include "engine/product/KestrumChannel.h"
#include "engine/product/KestrumSharedStages.h"
#include "engine/product/KestrumSettings.h"
#include "modulation/ModulationMatrixOwner.h"
#include "modulation/ModulationSlotParameterSetList.h"
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
#include "presets/BinaryDataReader.h"
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
// Threads: construction on the host's thread; loadPresetData, savePresetFile and section presets
// on a parameter thread; parameterChanged on the audio thread.
class KestrumPlugin : public GenericPlugin, public ModulationMatrixOwner {
public:
    static constexpr const char* kPluginId = "ZK2l";
    static constexpr const char* kProductName = "Kestrum";
    // Version of the full state and preset files written now.
    static constexpr int kStateVersion = 2;
    static constexpr float kMinGainDb = -36.0f;
    static constexpr float kMaxGainDb = 36.0f;
    static constexpr int kNumRoutings = 8;

    // Opens a fresh reader on the data to load; called once per loader that is tried.
    using ReaderFactory = std::function<std::unique_ptr<BinaryDataReader>()>;

    explicit KestrumPlugin(int numChannels = 2);
    ~KestrumPlugin() override;

    // Product information.
    std::string getPluginId() override { return kPluginId; }
    int getCategory() override { return 2; }
    bool hasSideChain() override { return true; }
    int getEditorWidth() override;
    int getEditorHeight() override;
    int getMaxEditorWidth() override { return KestrumSettings::kWideWidth; }
    int getMaxEditorHeight() override { return KestrumSettings::kHeightWithModulation; }

    // Audio thread: the framework's handling, then filters join or leave the link parameters.
    void parameterChanged(int index) override;

    // Full presets: the current state format, then the previous generation, then both variants
    // of the first generation. Returns whether one of them read the file completely.
    bool loadPresetData(const std::string& path) override;
    bool loadPresetFrom(const ReaderFactory& open);
    // Writes every parameter in id order (current version); false when the file could not be
    // written completely.
    bool savePresetFile(const std::string& path);

    // Every parameter in id order: the full state.
    const ParameterCollection& stateCollection() const { return *state_; }
    const SectionCollections& sections() const { return *sections_; }
    const PresetLayout& presetLayout() const { return layout_; }

    // The MIDI-learnable parameters without a host id (ids from MidiVirtualPluginParameter::kFirstId).
    const std::vector<MidiVirtualPluginParameter*>& getVirtualParameters() const { return virtualParameters_; }
    KestrumSettings* kestrumSettings() const { return kestrumSettings_; }
    KestrumSharedStages& sharedStages() { return *shared_; }
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

protected:
    std::unique_ptr<PluginSettings> createSettings() override;

private:
    void configureParameters();
    void updateFilterLinks(int index);

    std::vector<MidiVirtualPluginParameter*> virtualParameters_;
    MidiMultiVirtualPluginParameter filterLinkFreq_;
    MidiMultiVirtualPluginParameter filterLinkPeak_;
    KestrumSettings* kestrumSettings_ = nullptr;
    PresetLayout layout_;
    std::unique_ptr<ParameterCollection> state_;
    std::unique_ptr<SectionCollections> sections_;
    std::unique_ptr<KestrumSharedStages> shared_;
    std::vector<std::unique_ptr<KestrumChannel>> channels_;
};
