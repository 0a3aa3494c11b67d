#pragma once
#include <string>
#include <vector>

#include "parameters/GenericParameterOwner.h"

// A named group of parameters (one filter, one XLFO, one slot, ...). The members are embedded in
// the concrete set and register through it: the set records them in creation order and forwards
// them to its owner (the plug-in, or an enclosing set), so one set's members get consecutive ids.
// Member names are the set name followed by the member name (" Freq" gives "Filter 1 Freq").
//
// configure() sets ranges, defaults, display chains, item names and help texts; the owner calls it
// once after construction. Threads: as the member parameters.
class PluginParameterSet : public GenericParameterOwner {
public:
    // The owner must outlive the set.
    PluginParameterSet(GenericParameterOwner* owner, const std::string& name);
    ~PluginParameterSet() override = default;
    PluginParameterSet(const PluginParameterSet&) = delete;
    PluginParameterSet& operator=(const PluginParameterSet&) = delete;

    // GenericParameterOwner: everything but the member list is forwarded to the owner.
    void beginUpdate() override { owner_->beginUpdate(); }
    void endUpdate() override { owner_->endUpdate(); }
    // Member i, nullptr outside the member list.
    AbstractPluginParameter* getParameter(int i) override;
    int getGroupIndex() override { return groupIndex_; }
    int getNumParameters() override { return static_cast<int>(members_.size()); }
    void setParameter(int id, float value, int flags) override { owner_->setParameter(id, value, flags); }
    int addParameter(AbstractPluginParameter* parameter) override;
    int registerName(const std::string& name) override { return owner_->registerName(name); }

    virtual void configure() {}

    const std::string& getName() const { return name_; }
    GenericParameterOwner* getOwner() const { return owner_; }
    const std::vector<AbstractPluginParameter*>& getMembers() const { return members_; }

    // Copies every member value of `other` (a set of the same class) into this set, member by member.
    void copyValuesFrom(PluginParameterSet& other);
    // Every member back to its default.
    void resetToDefaults();

protected:
    // Set name + member name.
    std::string memberName(const char* member) const { return name_ + member; }

private:
    int groupIndex_;
    std::vector<AbstractPluginParameter*> members_;
    GenericParameterOwner* owner_;
    std::string name_;
};
