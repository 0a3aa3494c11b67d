#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "parameters/AbstractParameterSetList.h"

// A parameter set list that owns sets of class T (a PluginParameterSet). The concrete list's
// constructor creates the sets in order with add(), after the list's "Num Active" parameter.
template <class T>
class ParameterSetList : public AbstractParameterSetList {
public:
    using AbstractParameterSetList::AbstractParameterSetList;

    int getNumSets() const override { return static_cast<int>(sets_.size()); }
    T* getSet(int i) const override {
        if (i < 0 || i >= static_cast<int>(sets_.size())) return nullptr;
        return sets_[static_cast<size_t>(i)].get();
    }
    // Set i by reference; throws std::out_of_range for an index outside the array.
    T& at(int i) const { return *sets_.at(static_cast<size_t>(i)); }

protected:
    T& add(std::unique_ptr<T> set) {
        sets_.push_back(std::move(set));
        return *sets_.back();
    }

private:
    std::vector<std::unique_ptr<T>> sets_;
};
