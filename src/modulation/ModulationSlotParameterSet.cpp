#include "modulation/ModulationSlotParameterSet.h"

#include "parameters/AbstractModulationOwner.h"
#include "parameters/PiecewiseLinearCurve.h"

#include <utility>

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
        using N = ModulationNumbering;
        const std::pair<const char*, N::SourceKind> kinds[] = {
            {"XLFO", N::kXLFOSources}, {"EG", N::kEGSources}, {"EF", N::kEFSources}, {"MIDI", N::kMidiSources}};
        for (const auto& [name, kind] : kinds)
            for (int k = 0; k < N::items(kind); ++k) m.add(numbered(name, k + 1, ""), N::source(kind, k));
        for (int k = 0; k < N::kNumXYControllers; ++k) {
            m.add(numbered("XY", k + 1, "Hor"), N::xySource(k, XYOutput::Hor));
            m.add(numbered("XY", k + 1, "Ver"), N::xySource(k, XYOutput::Ver));
        }
        return m;
    }();
    return menu;
}

const Menu& targetMenu() {
    static const Menu menu = [] {
        using N = ModulationNumbering;
        // The menu lists the members in this order; the extension members (XLFO Phase Offset, EG
        // Hold and Delay) come after the slot levels, as they were added later.
        const std::pair<FilterTarget, const char*> filter[] = {
            {FilterTarget::Freq, "Freq"}, {FilterTarget::Pan, "Pan"}, {FilterTarget::Peak, "Peak"},
            {FilterTarget::Delay, "Delay"}};
        const std::pair<XLFOTarget, const char*> xlfo[] = {
            {XLFOTarget::Frequency, "Freq"}, {XLFOTarget::FrequencyOffset, "Offset"}, {XLFOTarget::Glide, "Glide"}};
        const std::pair<EGTarget, const char*> eg[] = {
            {EGTarget::Attack, "Attack"}, {EGTarget::Decay, "Decay"}, {EGTarget::Sustain, "Sustain"},
            {EGTarget::Release, "Release"}};
        const std::pair<EFTarget, const char*> ef[] = {{EFTarget::Attack, "Attack"}, {EFTarget::Release, "Release"}};
        const std::pair<ChainTarget, const char*> chain[] = {
            {ChainTarget::InputGain, "Input Gain"}, {ChainTarget::InputPan, "Input Pan"},
            {ChainTarget::OutputGain, "Output Gain"}, {ChainTarget::OutputPan, "Output Pan"}, {ChainTarget::Mix, "Mix"}};
        const std::pair<EGTarget, const char*> egExtension[] = {{EGTarget::Hold, "Hold"}, {EGTarget::Delay, "Delay"}};
        auto addItems = [](Menu& into, const char* kind, int count, const auto& members) {
            for (int item = 0; item < count; ++item)
                for (const auto& [member, label] : members) into.add(numbered(kind, item + 1, label), N::target(item, member));
        };
        Menu m;
        m.add("< Target >", -1);
        addItems(m, "Filter", N::kNumFilters, filter);
        addItems(m, "XLFO", N::kNumXLFOs, xlfo);
        addItems(m, "EG", N::kNumEGs, eg);
        addItems(m, "EF", N::kNumEFs, ef);
        for (const auto& [member, label] : chain) m.add(label, N::target(member));
        for (int s = 0; s < N::kNumSlots; ++s) m.add(numbered("Slot", s + 1, "Level"), N::slotLevelTarget(s));
        for (int x = 0; x < N::kNumXLFOs; ++x) m.add(numbered("XLFO", x + 1, "Phase Offset"), N::target(x, XLFOTarget::PhaseOffset));
        addItems(m, "EG", N::kNumEGs, egExtension);
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
