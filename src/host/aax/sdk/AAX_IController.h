#pragma once
#include <cstdint>

#include "host/aax/sdk/AAX.h"
#include "host/aax/sdk/AAX_Context.h"
#include "host/aax/sdk/AAX_IAutomationDelegate.h"
#include "host/aax/sdk/AAX_ITransport.h"

// The host's services for one instance, given to the parameters object at initialisation.
class AAX_IController {
public:
    virtual AAX_Result getSampleRate(float* rate) const = 0;
    virtual AAX_Result getInputStemFormat(int32_t* format) const = 0;
    virtual AAX_Result getOutputStemFormat(int32_t* format) const = 0;
    virtual AAX_Result setSignalLatency(int32_t samples) = 0;
    // Copies `size` bytes into the data port `field` of the instance's render context; they are
    // seen from the next render call on.
    virtual AAX_Result postPacket(AAX_Field field, const void* data, uint32_t size) = 0;
    // May be null.
    virtual AAX_ITransport* getTransport() = 0;
    virtual AAX_IAutomationDelegate* getAutomationDelegate() = 0;

protected:
    virtual ~AAX_IController() = default;
};
