#include "parameters/AbstractParameterSetList.h"

#include <algorithm>

#include "parameters/PluginParameterSet.h"

AbstractParameterSetList::NumActiveParameter::NumActiveParameter(GenericParameterOwner* owner_,
                                                                 const std::string& name_, int maxItems)
    : PropPluginParameter<int>(owner_, name_),
      maxItems_(std::max(0, maxItems)),
      producers_(static_cast<size_t>(kMaxChannels * std::max(0, maxItems)), nullptr) {}

void AbstractParameterSetList::NumActiveParameter::setItemProducer(int channel, int item, SwitchableTarget* producer) {
    if (channel < 0 || channel >= kMaxChannels || item < 0 || item >= maxItems_) return;
    producers_[static_cast<size_t>(channel * maxItems_ + item)] = producer;
    if (producer) producer->setEnabled(item < getIndex());
}

SwitchableTarget* AbstractParameterSetList::NumActiveParameter::getItemProducer(int channel, int item) const {
    if (channel < 0 || channel >= kMaxChannels || item < 0 || item >= maxItems_) return nullptr;
    return producers_[static_cast<size_t>(channel * maxItems_ + item)];
}

void AbstractParameterSetList::NumActiveParameter::applyValue(float v) {
    PropPluginParameter<int>::applyValue(v);
    enableProducers(appliedValue(v));
}

void AbstractParameterSetList::NumActiveParameter::enableProducers(int active) {
    for (int c = 0; c < kMaxChannels; ++c) {
        for (int j = 0; j < maxItems_; ++j) {
            if (SwitchableTarget* p = producers_[static_cast<size_t>(c * maxItems_ + j)]) p->setEnabled(j < active);
        }
    }
}

AbstractParameterSetList::AbstractParameterSetList(GenericParameterOwner* owner, const std::string& name,
                                                   int minActive, int maxActive, int defaultActive)
    : numActive_(owner, "Num Active " + name, maxActive), owner_(owner), name_(name) {
    numActive_.setRange(minActive, maxActive, std::clamp(defaultActive, std::min(minActive, maxActive),
                                                         std::max(minActive, maxActive)));
}

void AbstractParameterSetList::collectParameters(std::vector<AbstractPluginParameter*>& list) {
    list.push_back(&numActive_);
    AbstractParameterSetArray::collectParameters(list);
}

bool AbstractParameterSetList::containsId(int id) {
    if (AbstractParameterSetArray::containsId(id)) return true;
    return std::any_of(extensions_.begin(), extensions_.end(), [id](AbstractParameterSetArray* e) { return e->containsId(id); });
}

void AbstractParameterSetList::resetAll() {
    AbstractParameterSetArray::resetAll();
    for (AbstractParameterSetArray* e : extensions_) e->resetAll();
}

void AbstractParameterSetList::attachExtension(AbstractParameterSetArray* extension) {
    if (extension && std::find(extensions_.begin(), extensions_.end(), extension) == extensions_.end()) {
        extensions_.push_back(extension);
    }
}

void AbstractParameterSetList::removeItem(int k) {
    const int active = getActiveCount();
    if (k < 0 || k >= active || active <= getMinActive()) return;
    owner_->beginUpdate();
    numActive_.setValue(static_cast<float>(active - 1), 0);
    auto shift = [k, active](const AbstractParameterSetArray& array) {
        for (int i = k; i + 1 < active; ++i) {
            PluginParameterSet* to = array.getSet(i);
            PluginParameterSet* from = array.getSet(i + 1);
            if (to && from) to->copyValuesFrom(*from);
        }
        if (PluginParameterSet* freed = array.getSet(active - 1)) freed->resetToDefaults();
    };
    shift(*this);
    for (AbstractParameterSetArray* e : extensions_) shift(*e);
    owner_->endUpdate();
}
