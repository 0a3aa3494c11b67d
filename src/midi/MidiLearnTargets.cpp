#include "midi/MidiLearnTargets.h"

#include "parameters/AbstractPluginParameter.h"
#include "parameters/GenericParameterOwner.h"
#include "parameters/MidiVirtualPluginParameter.h"

int PluginLearnTargets::getNumParameters() const { return owner_.getNumParameters(); }

std::vector<int> PluginLearnTargets::getVirtualIds() const {
    std::vector<int> ids;
    for (const MidiVirtualPluginParameter* v : virtuals_) {
        if (v) ids.push_back(v->getId());
    }
    return ids;
}

std::string PluginLearnTargets::getTargetName(int id) const {
    if (id >= MidiVirtualPluginParameter::kFirstId) {
        for (const MidiVirtualPluginParameter* v : virtuals_) {
            if (v && v->getId() == id) return v->getName();
        }
        return {};
    }
    AbstractPluginParameter* parameter = owner_.getParameter(id);
    return parameter ? parameter->getHostName() : std::string();
}
