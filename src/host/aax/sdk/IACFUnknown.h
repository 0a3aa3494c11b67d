#pragma once
#include <cstdint>

#include "host/aax/sdk/AAX.h"

// The base of every object the module hands to the host: reference counted, and asked for its
// interfaces by id (the host never casts across the module boundary).
class IACFUnknown {
public:
    virtual uint32_t addRef() = 0;
    // Deletes the object when the last reference goes.
    virtual uint32_t release() = 0;
    // The object as the asked interface, or null when it does not implement it.
    virtual void* queryInterface(AAX_InterfaceId id) = 0;

protected:
    virtual ~IACFUnknown() = default;
};

// Creates instances of one class of the module.
class AAX_IClassFactory {
public:
    // A new object with one reference, or null when it cannot be made.
    virtual IACFUnknown* createInstance() = 0;

protected:
    virtual ~AAX_IClassFactory() = default;
};
