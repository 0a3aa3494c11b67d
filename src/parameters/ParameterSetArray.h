#pragma once
#include "parameters/AbstractParameterSetArray.h"
#include "parameters/OwnedSets.h"

// A parameter set array that owns sets of class T (a PluginParameterSet).
template <class T>
class ParameterSetArray : public OwnedSets<T, AbstractParameterSetArray> {
public:
    using OwnedSets<T, AbstractParameterSetArray>::OwnedSets;
};
