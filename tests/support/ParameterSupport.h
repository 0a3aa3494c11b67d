#pragma once
// Finding and setting a plug-in's parameters by name, the way a user or a host names them.
#include <string>

#include "parameters/AbstractPluginParameter.h"
#include "parameters/GenericParameterOwner.h"

namespace parameter_support {

// The parameter of that name, or nullptr.
inline AbstractPluginParameter* find(GenericParameterOwner& plugin, const std::string& name) {
    for (int i = 0; i < plugin.getNumParameters(); ++i) {
        AbstractPluginParameter* p = plugin.getParameter(i);
        if (p && p->getName() == name) return p;
    }
    return nullptr;
}

// The id of the parameter of that name, or -1.
inline int idOf(GenericParameterOwner& plugin, const std::string& name) {
    AbstractPluginParameter* p = find(plugin, name);
    return p ? p->getId() : -1;
}

// Sets a parameter from text, as a user types it; false when there is no such parameter or the
// text does not parse.
inline bool setFromText(GenericParameterOwner& plugin, const std::string& name, const std::string& text) {
    AbstractPluginParameter* p = find(plugin, name);
    float v = 0.0f;
    if (!p || !p->parseText(text, v)) return false;
    p->setValue(v, 0);
    return true;
}

}  // namespace parameter_support
