#include "presets/V1PresetLoader.h"

#include <algorithm>
#include <cmath>

#include "parameters/AbstractModulationOwner.h"
#include "parameters/EGParameterSetList.h"
#include "parameters/FilterParameterSetList.h"
#include "parameters/ModulationTargetParameter.h"
#include "parameters/XLFOParameterSetList.h"
#include "parameters/XLFOParameterSetListExtension.h"

namespace {

constexpr float kDecibelsToExponent = 0.1151292546497023f;  // ln(10) / 20
constexpr float kMinDepth = 1.0e-6f;
constexpr float kMaxGainDb = 36.0f;
constexpr int kParallelRouting = 1;
constexpr int kEGSource = ModulationNumbering::source(ModulationNumbering::kEGSources, 0);  // the first envelope generator
constexpr int kFirstXLFOSource = ModulationNumbering::firstSource(ModulationNumbering::kXLFOSources);

// Offsets inside one filter's 16 values.
enum FilterValue { kEnabled, kCharacteristic, kResponse, kSlope, kFreq, kPeak, kPan, kFirstDepth };
// Offsets inside one LFO's five values, and inside its three extra values.
enum LFOValue { kRate, kSync, kGlide, kBalance, kRateMultiplier };
enum LFOExtraValue { kPhaseOffset, kRetrigger, kRandom };

}  // namespace

V1PresetLoader::V1PresetLoader(const PresetLayout& layout, int variant)
    : CustomPresetLoader(*layout.plugin), layout_(layout), variant_(variant) {
    magic_ = kMagic;
    addEntry(layout.inputGain);
    addEntry(layout.outputGain);
    addSkipped();  // Mix, scaled by endLoad()
    addEntry(layout.routing);
    for (int f = 0; f < 2; ++f) {
        FilterParameterSet& filter = layout.filters->at(f);
        addEntry(&filter.enabled);
        addEntry(&filter.characteristic);
        addEntry(&filter.response);
        addEntry(&filter.slope);
        addEntry(&filter.freq);
        addEntry(&filter.peak);
        addSkipped();  // Pan, scaled by endLoad()
        for (int d = 0; d < kDepthsPerFilter; ++d) addSkipped();
    }
    for (int i = 0; i < kLFOs * kValuesPerLFO; ++i) addSkipped();
    EGParameterSet& eg = layout.egs->at(0);
    for (AbstractPluginParameter* p : std::initializer_list<AbstractPluginParameter*>{
             &eg.threshold, &eg.attack, &eg.decay, &eg.sustain, &eg.release}) {
        addEntry(p);
    }
    addEntry(layout.receiveMidi);
    addSkipped();  // self-oscillation allowed, inverted by endLoad()
    if (variant_ == 1) {
        for (int i = 0; i < kLFOs * kExtraValuesPerLFO; ++i) addSkipped();
    }
}

void V1PresetLoader::beginLoad(int version) {
    CustomPresetLoader::beginLoad(version);
    GenericPlugin& p = plugin();
    for (int i = 0; i < p.getNumParameters(); ++i) applyDefault(p.getParameter(i));
    stored_.assign(entries_.size(), 0.0f);
    present_.assign(entries_.size(), false);
    disabled_ = {false, false};
}

void V1PresetLoader::setValue(int position, float value) {
    CustomPresetLoader::setValue(position, value);
    stored_[static_cast<size_t>(position)] = value;
    present_[static_cast<size_t>(position)] = std::isfinite(value);
}

void V1PresetLoader::setMissing(int position) {
    CustomPresetLoader::setMissing(position);
    present_[static_cast<size_t>(position)] = false;
}

bool V1PresetLoader::finiteAt(int position, float& value) const {
    if (position < 0 || position >= static_cast<int>(present_.size()) || !present_[static_cast<size_t>(position)])
        return false;
    value = stored_[static_cast<size_t>(position)];
    return true;
}

void V1PresetLoader::endLoad(int /*version*/) {
    const PresetLayout& l = layout_;
    float v;
    // Input Pan, Output Pan, Routing Mode, Audition Signal, filters 3 and 4 and every filter's
    // Delay already hold their defaults (beginLoad).
    if (finiteAt(kMixPosition, v)) l.mix->setValue(v * 100.0f, 0);
    if (finiteAt(kSelfOscPosition, v)) l.autoMute->setValue(v != 0.0f ? 0.0f : 1.0f, 0);
    // Two filters only: serial or parallel.
    l.routing->setValue(std::min(l.routing->getValue(), static_cast<float>(kParallelRouting)), 0);

    l.filters->getNumActive().setValue(2.0f, 0);
    for (int f = 0; f < 2; ++f) {
        FilterParameterSet& filter = l.filters->at(f);
        filter.linked.setValue(1.0f, 0);
        if (finiteAt(kFirstFilterPosition + f * kFilterValues + kPan, v)) {
            filter.pan.setValue(v * FilterParameterSet::kMaxPan, 0);
        }
        disabled_[static_cast<size_t>(f)] = filter.enabled.getValue() == 0.0f;
    }

    // Each LFO that any filter uses becomes an XLFO, in order.
    std::array<int, kLFOs> xlfoOfLFO{-1, -1};
    int used = 0;
    for (int lfo = 0; lfo < kLFOs; ++lfo) {
        bool needed = false;
        for (int f = 0; f < 2 && !needed; ++f) {
            for (int group = 0; group < 3; ++group) {
                const int position = kFirstFilterPosition + f * kFilterValues + kFirstDepth + group * 3 + lfo;
                if (finiteAt(position, v) && std::fabs(v) > kMinDepth) needed = true;
            }
        }
        if (needed) xlfoOfLFO[static_cast<size_t>(lfo)] = used++;
    }
    l.xlfos->getNumActive().setValue(static_cast<float>(used), 0);
    for (int lfo = 0; lfo < kLFOs; ++lfo) {
        if (xlfoOfLFO[static_cast<size_t>(lfo)] >= 0) setUpXLFO(lfo, xlfoOfLFO[static_cast<size_t>(lfo)]);
    }
    connectSlots(xlfoOfLFO);

    // A disabled filter is removed with the slots that modulate it; the other's slots follow it.
    const bool parallelWithOneDisabled =
        static_cast<int>(l.routing->getValue()) == kParallelRouting && disabled_[0] != disabled_[1];
    for (int f = 1; f >= 0; --f) {
        if (disabled_[static_cast<size_t>(f)]) l.filters->removeItem(f);
    }
    if (parallelWithOneDisabled) correctParallelMix();
    if (l.filters->getActiveCount() < 2) l.routing->setValue(0.0f, 0);

    // Sources left without a slot (their filter was removed) are not kept running.
    AbstractModulationOwner* m = l.modulation;
    const int activeSlots = l.slots->getActiveCount();
    auto sourceUsed = [&](int source) {
        for (int s = 0; s < activeSlots; ++s) {
            if (m->getSlotSource(s) == source) return true;
        }
        return false;
    };
    for (int x = l.xlfos->getActiveCount() - 1; x >= 0; --x) {
        if (!sourceUsed(kFirstXLFOSource + x)) l.xlfos->removeItem(x);
    }
    l.egs->getNumActive().setValue(sourceUsed(kEGSource) ? 1.0f : 0.0f, 0);
}

void V1PresetLoader::setUpXLFO(int lfo, int item) {
    XLFOParameterSet& x = layout_.xlfos->at(item);
    const int base = kFirstLFOPosition + lfo * kValuesPerLFO;
    float v;
    if (finiteAt(base + kRate, v) && v > 0.0f) {
        x.frequency.setPlainValue(std::clamp(v, XLFOParameterSet::kMinFrequency, XLFOParameterSet::kMaxFrequency), 0);
    }
    if (finiteAt(base + kSync, v)) x.syncMode.setValue(v, 0);
    if (finiteAt(base + kGlide, v)) x.glide.setValue(std::clamp(v, 0.0f, 1.0f), 0);
    if (finiteAt(base + kBalance, v)) x.balance.setValue(v, 0);
    if (finiteAt(base + kRateMultiplier, v) && v > 0.0f) x.frequencyOffset.setValue(std::log2(v), 0);

    // The first generation's wave: one step up, one step down, gliding along a sine.
    x.steps.getNumActive().setValue(2.0f, 0);
    for (int s = 0; s < 2; ++s) {
        XLFOParameterSet::StepParameterSet& step = x.steps.at(s);
        step.value.setValue(s == 0 ? 1.0f : -1.0f, 0);
        step.glideFunction.setValue(static_cast<float>(XLFOEnums::Sine), 0);
    }

    if (variant_ != 1) return;
    const int extra = kFirstExtraPosition + lfo * kExtraValuesPerLFO;
    if (finiteAt(extra + kPhaseOffset, v)) layout_.xlfoExtensions->at(item).phaseOffset.setValue(v, 0);
    if (finiteAt(extra + kRetrigger, v)) x.midiTrigger.setValue(v != 0.0f ? 1.0f : 0.0f, 0);
    if (finiteAt(extra + kRandom, v) && v != 0.0f) {
        for (int s = 0; s < 2; ++s) x.steps.at(s).random.setValue(1.0f, 0);
    }
}

void V1PresetLoader::connectSlots(const std::array<int, kLFOs>& xlfoOfLFO) {
    const PresetLayout& l = layout_;
    AbstractModulationOwner* m = l.modulation;
    const FilterTarget targets[3] = {FilterTarget::Freq, FilterTarget::Peak, FilterTarget::Pan};
    int slot = 0;
    float depth;
    for (int f = 0; f < 2; ++f) {
        for (int group = 0; group < 3; ++group) {
            for (int source = 0; source < 3; ++source) {
                const int position = kFirstFilterPosition + f * kFilterValues + kFirstDepth + group * 3 + source;
                if (!finiteAt(position, depth) || std::fabs(depth) <= kMinDepth) continue;
                if (slot >= l.slots->getNumSets()) return;
                const int matrixSource =
                    source < kLFOs ? kFirstXLFOSource + xlfoOfLFO[static_cast<size_t>(source)] : kEGSource;
                m->setSlotSource(slot, matrixSource);
                m->setSlotTarget(slot, ModulationNumbering::target(f, targets[group]));
                if (ModulationTargetParameter* level =
                        m->getTargetParameter(ModulationNumbering::slotLevelTarget(slot))) {
                    level->setPlainValue(std::min(std::fabs(depth), 1.0f), 0);
                }
                if (AbstractPluginParameter* inverted = l.slotParameter(slot, l.slotMembers.inverted)) {
                    inverted->setValue(depth < 0.0f ? 1.0f : 0.0f, 0);
                }
                ++slot;
                l.slots->getNumActive().setValue(static_cast<float>(slot), 0);
            }
        }
    }
}

// In the first generation a disabled filter in the parallel routing still passed its input into
// the average of the two branches, so the output held half of the filtered and half of the
// unfiltered signal, all behind the output gain G:
//   out = (1 - m) dry + m G (F / 2 + dry / 2) = a dry + w F,  a = 1 - m + m G / 2,  w = m G / 2.
// The converted preset has one filter and out = (1 - m') dry + m' G' F. With a <= 1 this is exact:
// m' = 1 - a, G' = w / m'. Louder settings cannot keep the dry part above unity, so the output
// gain stays and the mix keeps the ratio of filtered to unfiltered signal.
void V1PresetLoader::correctParallelMix() {
    const PresetLayout& l = layout_;
    const float m = l.mix->getValue() / 100.0f;
    const float g = std::exp(l.outputGain->getValue() * kDecibelsToExponent);
    const float a = 1.0f - m + 0.5f * m * g;
    const float w = 0.5f * m * g;
    float newMix;
    float newGain = g;
    if (a <= 1.0f) {
        newMix = 1.0f - a;
        if (newMix > 0.0f) newGain = w / newMix;
    } else {
        newMix = w / (a * g + w);
    }
    l.mix->setValue(std::clamp(newMix, 0.0f, 1.0f) * 100.0f, 0);
    const float db = 20.0f * std::log10(newGain);
    if (std::isfinite(db)) l.outputGain->setValue(std::clamp(db, -kMaxGainDb, kMaxGainDb), 0);
}
