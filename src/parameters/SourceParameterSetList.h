#pragma once
#include <string>

#include "parameters/TargetParameterSetList.h"

// A list of modulation sources: item k owns the source outputs firstSource + sourcesPerItem * k + j,
// j = 0 .. sourcesPerItem - 1, and possibly modulation targets (targetsPerItem 0: none).
//
// Removing item k first deletes every slot that uses one of the item's sources, then removes the
// item as a target list does, then moves the slots that use a moved item's sources down with it.
template <class T>
class SourceParameterSetList : public TargetParameterSetList<T> {
public:
    SourceParameterSetList(GenericParameterOwner* owner, const std::string& name, int minActive, int maxActive,
                           int defaultActive, AbstractModulationOwner* modulation, int firstTarget, int targetsPerItem,
                           int firstSource, int sourcesPerItem)
        : TargetParameterSetList<T>(owner, name, minActive, maxActive, defaultActive, modulation, firstTarget,
                                    targetsPerItem),
          firstSource_(firstSource),
          sourcesPerItem_(sourcesPerItem) {}

    void removeItem(int k) override {
        const int active = this->getActiveCount();
        if (k < 0 || k >= active || active <= this->getMinActive()) return;
        AbstractModulationOwner* modulation = this->getModulationOwner();
        this->getOwner()->beginUpdate();
        if (modulation) {
            for (int j = 0; j < sourcesPerItem_; ++j) modulation->deleteSlotsWithSource(firstSource_ + sourcesPerItem_ * k + j);
        }
        TargetParameterSetList<T>::removeItem(k);
        if (modulation && sourcesPerItem_ > 0 && this->getActiveCount() < active) {
            modulation->shiftSlotSources(firstSource_ + sourcesPerItem_ * (k + 1), firstSource_ + sourcesPerItem_ * active,
                                         -sourcesPerItem_);
        }
        this->getOwner()->endUpdate();
    }

    int getFirstSource() const { return firstSource_; }
    int getSourcesPerItem() const { return sourcesPerItem_; }

private:
    int firstSource_;
    int sourcesPerItem_;
};
