#pragma once
#include <memory>
#include <utility>
#include <vector>

// The set storage shared by parameter set arrays and lists: owns sets of class T (a
// PluginParameterSet) on top of the abstract array or list Base. The concrete class's constructor
// creates the sets in order with add().
template <class T, class Base>
class OwnedSets : public Base {
public:
    using Base::Base;

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
