#pragma once
#include <cstdint>

#include "host/aax/sdk/AAX.h"
#include "host/aax/sdk/AAX_IEffectDescriptor.h"

// Everything the module describes at registration: its effects and the package they ship in.
class AAX_ICollection {
public:
    // A descriptor owned by the collection (null when none can be made).
    virtual AAX_IEffectDescriptor* newDescriptor() = 0;
    virtual AAX_Result addEffect(const char* effectId, AAX_IEffectDescriptor* descriptor) = 0;
    virtual AAX_Result setManufacturerName(const char* name) = 0;
    // Package names from the shortest to the longest.
    virtual AAX_Result addPackageName(const char* name) = 0;
    virtual AAX_Result setPackageVersion(uint32_t version) = 0;

protected:
    virtual ~AAX_ICollection() = default;
};
