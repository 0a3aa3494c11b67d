#pragma once
#include "presets/ParameterCollection.h"
#include "presets/PresetLoader.h"

// Loads a parameter collection (a full state or a section preset): position i is the collection's
// i-th parameter, and the magic is the collection's.
class CollectionPresetLoader : public PresetLoader {
public:
    explicit CollectionPresetLoader(const ParameterCollection& collection)
        : PresetLoader(collection.plugin()), collection_(collection) {
        magic_ = collection.getMagic();
    }

    int getNumValues() override { return collection_.size(); }
    void setMissing(int position) override { applyDefault(collection_[position]); }
    void setValue(int position, float value) override { applyStored(collection_[position], value); }

private:
    const ParameterCollection& collection_;
};
