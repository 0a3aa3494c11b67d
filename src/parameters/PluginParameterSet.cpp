#include "parameters/PluginParameterSet.h"

#include <algorithm>

#include "parameters/AbstractPluginParameter.h"

PluginParameterSet::PluginParameterSet(GenericParameterOwner* owner, const std::string& name)
    : groupIndex_(owner->registerName(name)), owner_(owner), name_(name) {}

AbstractPluginParameter* PluginParameterSet::getParameter(int i) {
    if (i < 0 || i >= static_cast<int>(members_.size())) return nullptr;
    return members_[static_cast<size_t>(i)];
}

int PluginParameterSet::addParameter(AbstractPluginParameter* parameter) {
    members_.push_back(parameter);
    return owner_->addParameter(parameter);
}

void PluginParameterSet::copyValuesFrom(PluginParameterSet& other) {
    if (&other == this) return;
    const size_t n = std::min(members_.size(), other.members_.size());
    for (size_t i = 0; i < n; ++i) members_[i]->setValue(other.members_[i]->getValue(), 0);
}

void PluginParameterSet::resetToDefaults() {
    for (AbstractPluginParameter* p : members_) p->setValue(p->getDefaultValue(), 0);
}
