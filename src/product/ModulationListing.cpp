#include "product/ModulationListing.h"

#include <algorithm>

#include "modulation/ModulationMatrix.h"
#include "modulation/ModulationSlotParameterSet.h"
#include "product/KestrumPlugin.h"

namespace {

// The menu name whose stored value (matrix index + 1) belongs to `index`; empty if none does.
std::string menuName(const std::vector<std::string>& items, const std::vector<int>& values, int index) {
    for (size_t j = 0; j < values.size() && j < items.size(); ++j) {
        if (values[j] == index + 1) return items[j];
    }
    return std::string();
}

template <class List>
void addSources(List& list, std::vector<ModulationListing::Source>& out) {
    const std::vector<std::string>& items = ModulationSlotParameterSet::sourceItems();
    const std::vector<int>& values = ModulationSlotParameterSet::sourceValues();
    for (int k = 0; k < list.getNumSets(); ++k) {
        for (int j = 0; j < list.getSourcesPerItem(); ++j) {
            ModulationListing::Source s;
            s.index = list.getFirstSource() + list.getSourcesPerItem() * k + j;
            s.name = menuName(items, values, s.index);
            s.item = list.at(k).getName();
            s.activeCount = list.getNumActive().getName();
            s.itemNumber = k + 1;
            out.push_back(std::move(s));
        }
    }
}

std::string escapeCell(const std::string& text) {
    std::string cell;
    for (char c : text) {
        if (c == '|') cell += '\\';
        cell += c;
    }
    return cell;
}

std::string availability(const ModulationListing::Source& s) {
    return s.activeCount + " >= " + std::to_string(s.itemNumber);
}

}  // namespace

ModulationListing::ModulationListing(KestrumPlugin& plugin) {
    addSources(plugin.xyControllers, sources_);
    addSources(plugin.xlfos, sources_);
    addSources(plugin.egs, sources_);
    addSources(plugin.efs, sources_);
    addSources(plugin.midiSources, sources_);
    std::stable_sort(sources_.begin(), sources_.end(), [](const Source& a, const Source& b) { return a.index < b.index; });

    const ModulationMatrix* matrix = plugin.getModulationMatrix();
    const std::vector<std::string>& items = ModulationSlotParameterSet::targetItems();
    const std::vector<int>& values = ModulationSlotParameterSet::targetValues();
    for (int t = 0; t < AbstractModulationOwner::kNumTargets; ++t) {
        Target target;
        target.index = t;
        target.name = menuName(items, values, t);
        if (ModulationTargetParameter* p = plugin.getTargetParameter(t)) {
            target.parameter = p->getName();
            target.range = p->formatValue(p->getMinimum()) + " .. " + p->formatValue(p->getMaximum());
        }
        if (matrix) {
            const int slot = matrix->getOwningSlot(t);
            if (slot >= 0 && slot < plugin.slots.getNumSets()) target.owner = plugin.slots.at(slot).getName();
        }
        targets_.push_back(std::move(target));
    }
    if (matrix) {
        for (const Source& s : sources_) {
            for (int t : matrix->getSourceOwnTargets(s.index)) {
                if (t >= 0 && t < static_cast<int>(targets_.size())) targets_[static_cast<size_t>(t)].owner = s.item;
            }
        }
    }
}

std::string ModulationListing::sourcesText() const {
    std::string text;
    for (const Source& s : sources_) {
        text += std::to_string(s.index) + '\t' + s.name + '\t' + s.item + '\t' + availability(s) + '\n';
    }
    return text;
}

std::string ModulationListing::targetsText() const {
    std::string text;
    for (const Target& t : targets_) {
        text += std::to_string(t.index) + '\t' + t.name + '\t' + t.parameter + '\t' + t.range + '\t' + t.owner + '\n';
    }
    return text;
}

std::string ModulationListing::sourcesMarkdown() const {
    std::string text = "| # | Source | Set up with | Available while |\n|---:|---|---|---|\n";
    for (const Source& s : sources_) {
        text += "| " + std::to_string(s.index) + " | " + escapeCell(s.name) + " | " + escapeCell(s.item) + " | " +
                escapeCell(availability(s)) + " |\n";
    }
    return text;
}

std::string ModulationListing::targetsMarkdown() const {
    std::string text = "| # | Target | Parameter | Range | Own parameter of |\n|---:|---|---|---|---|\n";
    for (const Target& t : targets_) {
        text += "| " + std::to_string(t.index) + " | " + escapeCell(t.name) + " | " + escapeCell(t.parameter) + " | " +
                escapeCell(t.range) + " | " + escapeCell(t.owner) + " |\n";
    }
    return text;
}
