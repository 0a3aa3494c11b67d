#pragma once
#include "parameters/AbstractParameterSetList.h"
#include "parameters/OwnedSets.h"

// A parameter set list that owns sets of class T (a PluginParameterSet); the sets are created
// after the list's "Num Active" parameter.
template <class T>
class ParameterSetList : public OwnedSets<T, AbstractParameterSetList> {
public:
    using OwnedSets<T, AbstractParameterSetList>::OwnedSets;
};
