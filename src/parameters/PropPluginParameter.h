#pragma once
#include <string>

#include "parameters/GenericPropPluginParameter.h"
#include "parameters/IndexedPluginParameter.h"
#include "platform/Property.h"

// An indexed parameter bound to Property<T> fields: applying index i sets every bound property
// to the value for i (through the value map when there is one; for bool, whether it is non-zero).
template <class T>
class PropPluginParameter : public GenericPropPluginParameter<Property<T>, IndexedPluginParameter<T>> {
public:
    PropPluginParameter(GenericParameterOwner* owner_, const std::string& name_)
        : GenericPropPluginParameter<Property<T>, IndexedPluginParameter<T>>(owner_, name_) {}
};
