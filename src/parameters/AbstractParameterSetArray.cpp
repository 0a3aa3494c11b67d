#include "parameters/AbstractParameterSetArray.h"

#include "parameters/AbstractPluginParameter.h"
#include "parameters/PluginParameterSet.h"

void AbstractParameterSetArray::collectParameters(std::vector<AbstractPluginParameter*>& list) {
    for (int i = 0; i < getNumSets(); ++i) {
        const auto& members = getSet(i)->getMembers();
        list.insert(list.end(), members.begin(), members.end());
    }
}

bool AbstractParameterSetArray::containsId(int id) {
    const int first = firstId();
    const int last = lastMemberId();
    if (first == -1 || last < first) return false;
    if (id == -1) return true;
    return id >= first && id <= last;
}

void AbstractParameterSetArray::resetAll() {
    for (int i = 0; i < getNumSets(); ++i) getSet(i)->resetToDefaults();
}

int AbstractParameterSetArray::firstId() {
    if (getNumSets() == 0) return -1;
    const auto& members = getSet(0)->getMembers();
    return members.empty() ? -1 : members.front()->getId();
}

void AbstractParameterSetArray::configureAll() {
    for (int i = 0; i < getNumSets(); ++i) getSet(i)->configure();
}

int AbstractParameterSetArray::lastMemberId() const {
    for (int i = getNumSets() - 1; i >= 0; --i) {
        const auto& members = getSet(i)->getMembers();
        if (!members.empty()) return members.back()->getId();
    }
    return -1;
}
