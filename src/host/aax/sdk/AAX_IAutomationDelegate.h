#pragma once
#include "host/aax/sdk/AAX.h"

// The host's side of automation: told when the plug-in itself changed a parameter, so the host's
// control and automation lane follow.
class AAX_IAutomationDelegate {
public:
    virtual AAX_Result parameterChangedByPlugIn(const char* id, double normalizedValue) = 0;

protected:
    virtual ~AAX_IAutomationDelegate() = default;
};
