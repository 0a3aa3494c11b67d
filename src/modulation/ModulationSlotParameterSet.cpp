#include "modulation/ModulationSlotParameterSet.h"

#include "parameters/AbstractModulationOwner.h"
#include "parameters/PiecewiseLinearCurve.h"

namespace {

struct Menu {
    std::vector<std::string> items;
    std::vector<int> values;

    void add(std::string item, int matrixIndex) {
        items.push_back(std::move(item));
        values.push_back(matrixIndex + 1);
    }
};

std::string numbered(const char* owner, int n, const char* member) {
    std::string text(owner);
    text += ' ';
    text += std::to_string(n);
    if (member && *member) {
        text += ' ';
        text += member;
    }
    return text;
}

const Menu& sourceMenu() {
    static const Menu menu = [] {
        Menu m;
        m.add("< Source >", -1);
        for (int k = 0; k < 6; ++k) m.add(numbered("XLFO", k + 1, ""), 8 + k);
        for (int k = 0; k < 6; ++k) m.add(numbered("EG", k + 1, ""), 14 + k);
        for (int k = 0; k < 4; ++k) m.add(numbered("EF", k + 1, ""), 20 + k);
        for (int k = 0; k < 10; ++k) m.add(numbered("MIDI", k + 1, ""), 24 + k);
        for (int k = 0; k < 4; ++k) {
            m.add(numbered("XY", k + 1, "Hor"), 2 * k);
            m.add(numbered("XY", k + 1, "Ver"), 2 * k + 1);
        }
        return m;
    }();
    return menu;
}

const Menu& targetMenu() {
    static const Menu menu = [] {
        static const char* const kFilter[] = {"Freq", "Pan", "Peak", "Delay"};
        static const char* const kXLFO[] = {"Freq", "Offset", "Glide"};
        static const char* const kEG[] = {"Attack", "Decay", "Sustain", "Release"};
        static const char* const kEF[] = {"Attack", "Release"};
        static const char* const kProduct[] = {"Input Gain", "Input Pan", "Output Gain", "Output Pan", "Mix"};
        static const char* const kEGExtension[] = {"Hold", "Delay"};
        Menu m;
        m.add("< Target >", -1);
        for (int f = 0; f < 4; ++f)
            for (int j = 0; j < 4; ++j) m.add(numbered("Filter", f + 1, kFilter[j]), 4 * f + j);
        for (int x = 0; x < 6; ++x)
            for (int j = 0; j < 3; ++j) m.add(numbered("XLFO", x + 1, kXLFO[j]), 16 + 4 * x + j);
        for (int e = 0; e < 6; ++e)
            for (int j = 0; j < 4; ++j) m.add(numbered("EG", e + 1, kEG[j]), 40 + 6 * e + j);
        for (int k = 0; k < 4; ++k)
            for (int j = 0; j < 2; ++j) m.add(numbered("EF", k + 1, kEF[j]), 76 + 2 * k + j);
        for (int j = 0; j < 5; ++j) m.add(kProduct[j], 84 + j);
        for (int s = 0; s < AbstractModulationOwner::kNumSlots; ++s)
            m.add(numbered("Slot", s + 1, "Level"), AbstractModulationOwner::kFirstSlotLevelTarget + s);
        for (int x = 0; x < 6; ++x) m.add(numbered("XLFO", x + 1, "Phase Offset"), 16 + 4 * x + 3);
        for (int e = 0; e < 6; ++e)
            for (int j = 0; j < 2; ++j) m.add(numbered("EG", e + 1, kEGExtension[j]), 40 + 6 * e + 4 + j);
        return m;
    }();
    return menu;
}

std::string slotName(int slot) { return "Slot " + std::to_string(slot + 1); }

}  // namespace

const std::vector<std::string>& ModulationSlotParameterSet::sourceItems() { return sourceMenu().items; }
const std::vector<int>& ModulationSlotParameterSet::sourceValues() { return sourceMenu().values; }
const std::vector<std::string>& ModulationSlotParameterSet::targetItems() { return targetMenu().items; }
const std::vector<int>& ModulationSlotParameterSet::targetValues() { return targetMenu().values; }

bool ModulationSlotParameterSet::SourceParameter::setSourceIndex(int sourceIndex, int flags) {
    const int position = positionOfValue(sourceIndex < 0 ? 0 : sourceIndex + 1);
    if (sourceIndex < -1 || position < 0) return false;
    setValue(static_cast<float>(position), flags);
    return true;
}

bool ModulationSlotParameterSet::TargetParameter::setTargetIndex(int targetIndex, int flags) {
    const int position = positionOfValue(targetIndex < 0 ? 0 : targetIndex + 1);
    if (targetIndex < -1 || position < 0) return false;
    setValue(static_cast<float>(position), flags);
    return true;
}

ModulationSlotParameterSet::ModulationSlotParameterSet(GenericParameterOwner* owner, AbstractModulationOwner* modulation,
                                                       int slot)
    : PluginParameterSet(owner, slotName(slot)),
      source(*this, memberName(" Source"), kSource),
      level(this, memberName(" Level"), modulation, AbstractModulationOwner::kFirstSlotLevelTarget + slot),
      bypassed(*this, memberName(" Bypassed"), kBypassed),
      inverted(*this, memberName(" Inverted"), kInverted),
      target(*this, memberName(" Target"), kTarget),
      slot_(slot) {}

void ModulationSlotParameterSet::configure() {
    const Menu& sources = sourceMenu();
    source.setRange(0, static_cast<int>(sources.values.size()) - 1, 0);
    source.setValueMap(sources.values.data(), static_cast<int>(sources.values.size()), 0);
    source.shareItems(&sources.items);
    source.setHelpText(
        "The Source of a modulation slot is the XLFO, envelope generator, envelope follower, MIDI source or XY "
        "controller whose output modulates the slot's target.");

    level.setRange(0.0f, 1.0f, kMiddlePosition);
    PiecewiseLinearCurve::install(level.getDisplay(), PiecewiseLinearCurve::delay(), PiecewiseLinearCurve::delayInverse());
    level.setHelpText(
        "The Level of a modulation slot sets how strongly the source moves the target. The slider gives fine control "
        "over small amounts; its middle position is a level of 0.16. The level can itself be modulated by another "
        "slot.");

    bypassed.setRange(0, 1, 0);
    bypassed.setItems("Normal,Bypassed");
    bypassed.setHelpText("Bypass switches the modulation slot off without losing its source, target and level.");

    inverted.setRange(0, 1, 0);
    inverted.setItems("Normal,Inverted");
    inverted.setHelpText("Invert turns the modulation of this slot around, so that it moves the target the other way.");

    const Menu& targets = targetMenu();
    target.setRange(0, static_cast<int>(targets.values.size()) - 1, 0);
    target.setValueMap(targets.values.data(), static_cast<int>(targets.values.size()), 0);
    target.shareItems(&targets.items);
    target.setHelpText("The Target of a modulation slot is the parameter that the slot's source modulates.");
}

void ModulationSlotParameterSet::clear() {
    source.setSourceIndex(-1, 0);
    target.setTargetIndex(-1, 0);
    bypassed.setValue(0.0f, 0);
    inverted.setValue(0.0f, 0);
    level.setValue(0.0f, 0);
}

void ModulationSlotParameterSet::valueApplied(Member member, int value) {
    if (!listener_) return;
    // Source and target values are the matrix index + 1.
    listener_->slotValueApplied(slot_, member, member == kSource || member == kTarget ? value - 1 : value);
}
