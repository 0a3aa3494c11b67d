#include "presets/SectionCollections.h"

#include "parameters/EFParameterSetList.h"
#include "parameters/EGParameterSetList.h"
#include "parameters/EGParameterSetListExtension.h"
#include "parameters/FilterParameterSetList.h"
#include "parameters/MidiSourceParameterSetList.h"
#include "parameters/MidiSourceParameterSetListExtension.h"
#include "parameters/XLFOParameterSetList.h"
#include "parameters/XLFOParameterSetListExtension.h"
#include "presets/CollectionFile.h"

namespace {

// One collection per set of `list`, each followed by the members of the extension's set.
template <class List>
std::vector<ParameterCollection> perItem(GenericPlugin& plugin, const List& list,
                                         const AbstractParameterSetArray* extension) {
    std::vector<ParameterCollection> result;
    for (int k = 0; k < list.getNumSets(); ++k) {
        ParameterCollection c(plugin);
        c.add(list.getSet(k)->getMembers());
        if (extension) {
            if (PluginParameterSet* e = extension->getSet(k)) c.add(e->getMembers());
        }
        result.push_back(std::move(c));
    }
    return result;
}

}  // namespace

SectionCollections::SectionCollections(const PresetLayout& layout) {
    GenericPlugin& plugin = *layout.plugin;

    ParameterCollection filters(plugin);
    std::vector<AbstractPluginParameter*> list;
    layout.filters->collectParameters(list);
    filters.add(list);
    filters.add(layout.routing);
    filters.add(layout.routingMode);
    collections_[kFilters].push_back(std::move(filters));

    collections_[kXLFO] = perItem(plugin, *layout.xlfos, layout.xlfoExtensions);
    collections_[kEG] = perItem(plugin, *layout.egs, layout.egExtensions);
    collections_[kEF] = perItem(plugin, *layout.efs, nullptr);
    collections_[kMidi] = perItem(plugin, *layout.midiSources, layout.midiExtensions);

    ParameterCollection slots(plugin);
    list.clear();
    layout.slots->collectParameters(list);
    slots.add(list);
    collections_[kSlots].push_back(std::move(slots));
}

std::string SectionCollections::extension(Section section) {
    switch (section) {
        case kFilters: return ".filters";
        case kXLFO: return ".xlfo";
        case kEG: return ".eg";
        case kEF: return ".ef";
        case kMidi: return ".midi";
        case kSlots: return ".slots";
        default: return std::string();
    }
}

std::string SectionCollections::name(Section section) {
    switch (section) {
        case kFilters: return "Filters";
        case kXLFO: return "XLFO";
        case kEG: return "EG";
        case kEF: return "EF";
        case kMidi: return "MIDI";
        case kSlots: return "Slots";
        default: return std::string();
    }
}

int SectionCollections::getNumInstances(Section section) const {
    if (section < 0 || section >= kNumSections) return 0;
    return static_cast<int>(collections_[static_cast<size_t>(section)].size());
}

const ParameterCollection* SectionCollections::get(Section section, int instance) const {
    if (instance < 0 || instance >= getNumInstances(section)) return nullptr;
    return &collections_[static_cast<size_t>(section)][static_cast<size_t>(instance)];
}

bool SectionCollections::save(Section section, int instance, const std::string& path) const {
    const ParameterCollection* c = get(section, instance);
    return c && writeCollection(*c, path, kVersion);
}

bool SectionCollections::load(Section section, int instance, const std::string& path) const {
    const ParameterCollection* c = get(section, instance);
    return c && loadCollection(*c, path, kVersion);
}
