#include "presets/VersionPresetLoader.h"

#include <cmath>
#include <vector>

#include "parameters/EFParameterSetList.h"
#include "parameters/EGParameterSetList.h"
#include "parameters/EGParameterSetListExtension.h"
#include "parameters/FilterParameterSetList.h"
#include "parameters/MidiSourceParameterSetList.h"
#include "parameters/MidiSourceParameterSetListExtension.h"
#include "parameters/XLFOParameterSetList.h"
#include "parameters/XLFOParameterSetListExtension.h"
#include "parameters/XYParameterSetList.h"

namespace {

constexpr float kDecibelsToExponent = 0.1151292546497023f;  // ln(10) / 20
constexpr int kSourceThresholds[] = {4, 8, 12, 16};

void toDefault(AbstractPluginParameter* parameter) {
    if (parameter) parameter->setValue(parameter->getDefaultValue(), 0);
}

}  // namespace

VersionPresetLoader::VersionPresetLoader(const PresetLayout& layout)
    : CustomPresetLoader(*layout.plugin), layout_(layout) {
    for (AbstractPluginParameter* p :
         {layout.inputGain, layout.inputPan, layout.outputGain, layout.outputPan, layout.mix, layout.routing}) {
        addEntry(p);
    }
    addEntry(&layout.filters->getNumActive());
    for (int k = 0; k < layout.filters->getNumSets(); ++k) {
        FilterParameterSet& f = layout.filters->at(k);
        for (AbstractPluginParameter* p : std::initializer_list<AbstractPluginParameter*>{
                 &f.freq, &f.pan, &f.peak, &f.characteristic, &f.response, &f.slope, &f.enabled, &f.linked}) {
            addEntry(p);
        }
    }
    std::vector<AbstractPluginParameter*> lists;
    layout.xlfos->collectParameters(lists);
    layout.egs->collectParameters(lists);
    layout.efs->collectParameters(lists);
    layout.midiSources->collectParameters(lists);
    lists.push_back(layout.receiveMidi);
    lists.push_back(layout.autoMute);
    layout.slots->collectParameters(lists);
    for (AbstractPluginParameter* p : lists) addEntry(p);
}

void VersionPresetLoader::endLoad(int /*version*/) {
    const PresetLayout& l = layout_;
    toDefault(l.routingMode);
    toDefault(l.audition);
    for (int k = 0; k < l.filters->getNumSets(); ++k) toDefault(&l.filters->at(k).delay);

    l.xyControllers->resetAll();
    l.xyControllers->getNumActive().setValue(0.0f, 0);
    l.xlfoExtensions->resetAll();
    l.egExtensions->resetAll();
    l.midiExtensions->resetAll();

    for (int s = 0; s < l.slots->getNumSets(); ++s) {
        AbstractPluginParameter* source = l.slotParameter(s, l.slotMembers.source);
        if (!source) continue;
        int value = static_cast<int>(source->getValue());
        for (int threshold : kSourceThresholds) {
            if (value >= threshold) ++value;
        }
        source->setValue(static_cast<float>(value), 0);
    }

    const float factor = std::exp(l.inputGain->getValue() * kDecibelsToExponent);
    const int activeEGs = l.egs->getActiveCount();
    for (int k = 0; k < activeEGs && k < l.egs->getNumSets(); ++k) {
        LimFloatPropPluginParameter& threshold = l.egs->at(k).threshold;
        threshold.setValue(threshold.getValue() * factor, 0);
    }
}
