#pragma once
#include <cstdint>

#include "host/aax/sdk/AAX.h"
#include "host/aax/sdk/AAX_Context.h"
#include "host/aax/sdk/AAX_IPropertyMap.h"

// Describes the fields of the render context and the render callback of one component. Every
// call returns AAX_SUCCESS, or an error when the field is already taken or the argument is invalid.
class AAX_IComponentDescriptor {
public:
    virtual AAX_Result addAudioIn(AAX_Field field) = 0;
    virtual AAX_Result addAudioOut(AAX_Field field) = 0;
    virtual AAX_Result addAudioBufferLength(AAX_Field field) = 0;
    virtual AAX_Result addSampleRate(AAX_Field field) = 0;
    virtual AAX_Result addSideChainIn(AAX_Field field) = 0;
    virtual AAX_Result addMidiNode(AAX_Field field, AAX_MidiNodeType type, const char* name, uint32_t channelMask) = 0;
    virtual AAX_Result addDataInPort(AAX_Field field, uint32_t size) = 0;
    virtual AAX_Result addPrivateData(AAX_Field field, uint32_t size) = 0;
    // A map owned by the descriptor (null when none can be made).
    virtual AAX_IPropertyMap* newPropertyMap() = 0;
    virtual AAX_Result addProcessProc(AAX_RenderCallback callback, AAX_IPropertyMap* properties) = 0;

protected:
    virtual ~AAX_IComponentDescriptor() = default;
};
