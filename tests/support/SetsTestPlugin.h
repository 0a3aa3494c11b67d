#pragma once
// A plug-in that declares the product's parameters, parameter sets and lists in the product's
// order (with simple stand-ins for the product's own parameters), so tests see the real ids,
// names and list interplay. It records the plain values that target parameters apply.
#include <string>
#include <utility>
#include <vector>

#include "engine/GenericPlugin.h"
#include "modulation/ModulationMatrixOwner.h"
#include "modulation/ModulationSlotParameterSetList.h"
#include "parameters/EFParameterSetList.h"
#include "parameters/EGParameterSetList.h"
#include "parameters/EGParameterSetListExtension.h"
#include "parameters/FilterParameterSetList.h"
#include "parameters/MidiSourceParameterSetList.h"
#include "parameters/MidiSourceParameterSetListExtension.h"
#include "parameters/ModulationTargetParameter.h"
#include "parameters/ParameterEnums.h"
#include "parameters/PropPluginParameter.h"
#include "parameters/XLFOParameterSetList.h"
#include "parameters/XLFOParameterSetListExtension.h"
#include "parameters/XYParameterSetList.h"

class SetsTestPlugin : public GenericPlugin, public ModulationMatrixOwner {
public:
    explicit SetsTestPlugin(int channels = 2)
        : GenericPlugin(channels, {.name = "Kestrum", .pluginId = "ZK2l"}),
          inputGain(this, "Input Gain", this, 84),
          inputPan(this, "Input Pan", this, 85),
          outputGain(this, "Output Gain", this, 86),
          outputPan(this, "Output Pan", this, 87),
          mix(this, "Mix", this, 88),
          routing(this, "Routing"),
          routingMode(this, "Routing Mode"),
          filters(this, this),
          xlfos(this, this),
          egs(this, this),
          efs(this, this),
          midiSources(this, this),
          receiveMidi(this, "Receive MIDI"),
          autoMute(this, "Auto Mute Self-Osc"),
          audition(this, "Audition Signal"),
          slots(this, this),
          xyControllers(this, this),
          xlfoExtensions(this, this),
          egExtensions(this, this),
          midiExtensions(this) {
        setSlotList(&slots);
        xlfos.attachExtension(&xlfoExtensions);
        egs.attachExtension(&egExtensions);
        midiSources.attachExtension(&midiExtensions);
        init();

        inputGain.setRange(-36.0f, 36.0f, 0.0f);
        outputGain.setRange(-36.0f, 36.0f, 0.0f);
        inputPan.setRange(-1.0f, 1.0f, 0.0f);
        outputPan.setRange(-1.0f, 1.0f, 0.0f);
        mix.setRange(0.0f, 100.0f, 100.0f);
        routing.setRange(0, 7, 0);
        routingMode.setRange(RoutingEnums::Stereo, RoutingEnums::MidSide, RoutingEnums::Stereo);
        receiveMidi.setRange(0, 1, 0);
        autoMute.setRange(0, 1, 1);
        audition.setRange(0, 2, 0);

        for (AbstractParameterSetArray* array : allArrays()) array->configureAll();
    }


    void targetValueApplied(int target, float plainValue) override { applied.emplace_back(target, plainValue); }

    std::vector<AbstractParameterSetArray*> allArrays() {
        return {&filters, &xlfos,          &egs,           &efs,           &midiSources,
                &slots,   &xyControllers,  &xlfoExtensions, &egExtensions, &midiExtensions};
    }

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
    PropPluginParameter<int> receiveMidi;
    PropPluginParameter<bool> autoMute;
    PropPluginParameter<int> audition;
    ModulationSlotParameterSetList slots;
    XYParameterSetList xyControllers;
    XLFOParameterSetListExtension xlfoExtensions;
    EGParameterSetListExtension egExtensions;
    MidiSourceParameterSetListExtension midiExtensions;

    std::vector<std::pair<int, float>> applied;
};
