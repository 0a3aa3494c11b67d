#include "parameters/AbstractPluginParameter.h"

AbstractPluginParameter::AbstractPluginParameter(GenericParameterOwner* owner_, int discrete_, const std::string& name_)
    : name(name_), hostName(name_), owner(owner_), discrete(discrete_) {
    if (owner) id = owner->addParameter(this);
}

std::string AbstractPluginParameter::acceptedText() { return formatValue(getMinimum()) + " .. " + formatValue(getMaximum()); }
