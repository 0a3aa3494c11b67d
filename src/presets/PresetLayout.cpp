#include "presets/PresetLayout.h"

#include "parameters/AbstractParameterSetList.h"
#include "parameters/PluginParameterSet.h"

AbstractPluginParameter* PresetLayout::slotParameter(int slot, int member) const {
    if (!slots) return nullptr;
    PluginParameterSet* set = slots->getSet(slot);
    return set ? set->getParameter(member) : nullptr;
}
