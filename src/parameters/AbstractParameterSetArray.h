#pragma once
#include <vector>

class AbstractPluginParameter;
class PluginParameterSet;

// A fixed array of parameter sets of one kind, created together so that their members have
// consecutive ids.
class AbstractParameterSetArray {
public:
    AbstractParameterSetArray() = default;
    virtual ~AbstractParameterSetArray() = default;
    AbstractParameterSetArray(const AbstractParameterSetArray&) = delete;
    AbstractParameterSetArray& operator=(const AbstractParameterSetArray&) = delete;

    // Appends every member of every set, set by set, to the list.
    virtual void collectParameters(std::vector<AbstractPluginParameter*>& list);
    // Whether id lies in the array's id span (consecutive ids from firstId() to the last member);
    // -1 counts as contained, an empty array contains nothing.
    virtual bool containsId(int id);
    virtual int getNumSets() const = 0;
    // Set i, nullptr outside the array.
    virtual PluginParameterSet* getSet(int i) const = 0;
    // Every member of every set to its default.
    virtual void resetAll();
    // The id of the first member of set 0, -1 if there is none.
    virtual int firstId();

    // Runs configure() on every set.
    void configureAll();

protected:
    // The id of the last member of the last set that has members, -1 if there is none.
    int lastMemberId() const;
};
