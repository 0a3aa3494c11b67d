#pragma once
#include "host/aax/sdk/AAX.h"
#include "host/aax/sdk/AAX_IComponentDescriptor.h"

// Describes one effect variant: names, category, resources, the classes that implement it and
// its component.
class AAX_IEffectDescriptor {
public:
    // Names from the longest to the shortest; the host picks what fits.
    virtual AAX_Result addName(const char* name) = 0;
    virtual AAX_Result addCategory(uint32_t category) = 0;
    virtual AAX_Result addResourceInfo(AAX_ResourceKind kind, const char* file) = 0;
    // The class id the host asks the module's class factory for.
    virtual AAX_Result addClassFactory(AAX_ClassKind kind, const char* classId) = 0;
    // A descriptor owned by this one (null when none can be made).
    virtual AAX_IComponentDescriptor* newComponentDescriptor() = 0;
    virtual AAX_Result addComponent(AAX_IComponentDescriptor* component) = 0;

protected:
    virtual ~AAX_IEffectDescriptor() = default;
};
