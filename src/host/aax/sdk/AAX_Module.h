#pragma once
// The module's side of the entry points. A plug-in module defines AAX_DescribeModule(); the SDK
// layer's entry points call it from ACFRegisterPlugin.
#include <cstdint>

#include "host/aax/sdk/AAX.h"
#include "host/aax/sdk/AAX_ICollection.h"
#include "host/aax/sdk/IACFUnknown.h"

// Describes every effect of the module into the collection and registers the classes they use.
AAX_Result AAX_DescribeModule(AAX_ICollection* collection);

// What ACFRegisterComponent tells the host about one class.
struct AAX_ClassInfo {
    char classId[128] = {};
    AAX_ClassKind kind = AAX_ClassKind::EffectParameters;
};

// The exported entry points (C linkage, the only symbols the module exports):
//   ACFStartup()                    before anything else; AAX_SUCCESS
//   ACFRegisterPlugin(collection)   describes the module; the description's first error
//   ACFRegisterComponent(i, info)   the i-th class of the module; AAX_ERROR_UNKNOWN_CLASS past the end
//   ACFGetClassFactory(id, out)     the factory of a class; AAX_ERROR_UNKNOWN_CLASS for an unknown id
//   ACFCanUnloadNow()               AAX_SUCCESS when no object of the module is alive, else 1
//   ACFShutdown()                   last; forgets the classes
//   ACFGetSDKVersion(out)           AAX_SDK_VERSION
extern "C" {
using ACFStartupFunction = AAX_Result (*)();
using ACFRegisterPluginFunction = AAX_Result (*)(AAX_ICollection*);
using ACFRegisterComponentFunction = AAX_Result (*)(int32_t, AAX_ClassInfo*);
using ACFGetClassFactoryFunction = AAX_Result (*)(const char*, AAX_IClassFactory**);
using ACFCanUnloadNowFunction = AAX_Result (*)();
using ACFShutdownFunction = AAX_Result (*)();
using ACFGetSDKVersionFunction = AAX_Result (*)(uint64_t*);
}
