#pragma once
#include <string>
#include <vector>

#include "parameters/AbstractParameterSetArray.h"
#include "parameters/PropPluginParameter.h"
#include "parameters/SwitchableTarget.h"

// A parameter set array whose items can be added and removed: every item exists from
// construction on with fixed parameter ids, and "Num Active <list name>" says how many are in use.
// Removing item k moves the values of the later items down by one and resets the freed last one,
// so ids, preset positions and host automation never move. Extension arrays (sets created
// elsewhere, one per item) follow their item through a removal.
class AbstractParameterSetList : public AbstractParameterSetArray {
public:
    // The number of active items. Per processing channel it keeps the items' signal producers (as switchable targets) and
    // switches them on and off with the count, so inactive items cost no processing.
    class NumActiveParameter : public PropPluginParameter<int> {
    public:
        static constexpr int kMaxChannels = 2;

        // Storage for kMaxChannels x maxItems producers is allocated here, once.
        NumActiveParameter(GenericParameterOwner* owner, const std::string& name, int maxItems);

        // Registers item `item`'s producer for a channel (nullptr removes it) and gives it the
        // enabled state of the current count. Set-up only; out-of-range indices are ignored.
        void setItemProducer(int channel, int item, SwitchableTarget* producer);
        SwitchableTarget* getItemProducer(int channel, int item) const;
        int getMaxItems() const { return maxItems_; }

        // Audio thread: updates the bound properties, then enables the producers of items below
        // the new count and disables the others.
        void applyValue(float v) override;

    private:
        void enableProducers(int active);

        int maxItems_;
        std::vector<SwitchableTarget*> producers_;
    };

    // The list's own parameter "Num Active <name>" is registered with the owner here, before the
    // derived list creates its sets. The owner must outlive the list.
    AbstractParameterSetList(GenericParameterOwner* owner, const std::string& name, int minActive, int maxActive,
                             int defaultActive);

    // numActive first, then every set's members.
    void collectParameters(std::vector<AbstractPluginParameter*>& list) override;
    // The list's span (numActive and its sets) or any extension's.
    bool containsId(int id) override;
    // The sets and the extensions; the active count stays as it is.
    void resetAll() override;
    // The id of numActive.
    int firstId() override { return numActive_.getId(); }
    // Removes active item k: the later items move down by one, the freed last item is reset.
    // Nothing happens for an inactive item or when the count is already at its minimum.
    virtual void removeItem(int k);

    // Attaches a parallel array (not owned) whose set i belongs to item i.
    void attachExtension(AbstractParameterSetArray* extension);
    const std::vector<AbstractParameterSetArray*>& getExtensions() const { return extensions_; }

    NumActiveParameter& getNumActive() { return numActive_; }
    int getActiveCount() { return static_cast<int>(numActive_.getValue()); }
    int getMinActive() { return static_cast<int>(numActive_.getMinimum()); }
    int getMaxActive() { return static_cast<int>(numActive_.getMaximum()); }
    const std::string& getName() const { return name_; }
    GenericParameterOwner* getOwner() const { return owner_; }

private:
    NumActiveParameter numActive_;
    std::vector<AbstractParameterSetArray*> extensions_;
    GenericParameterOwner* owner_;
    std::string name_;
};
