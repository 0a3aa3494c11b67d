#pragma once
#include <cstdint>
#include <cstring>

#include "host/aax/sdk/AAX_Context.h"
#include "host/aax/sdk/AAX_ITransport.h"

class AaxPluginAdapter;

// The fields of the render context as the adapter describes them, and typed access to one
// instance's record (every accessor tolerates a field the host left null).
class AaxRenderContext {
public:
    enum Field : AAX_Field {
        kMasterBypass = 0,   // int32, posted from the master bypass parameter
        kAdapter = 1,        // the instance's AaxPluginAdapter pointer, posted at initialisation
        kAudioIn = 2,
        kAudioOut = 3,
        kBufferLength = 4,
        kSideChain = 5,      // index of the side-chain channel in the audio input array
        kSampleRate = 6,
        kMidiIn = 7,
        kTransport = 8,
        kResetRequest = 9,   // int32 private data; 1 asks for a reset
        kNumFields = 10,
    };

    explicit AaxRenderContext(AAX_Context fields) : fields_(fields) {}

    AaxPluginAdapter* adapter() const {
        AaxPluginAdapter* a = nullptr;
        if (fields_[kAdapter]) std::memcpy(&a, fields_[kAdapter], sizeof a);
        return a;
    }
    bool masterBypass() const { return fields_[kMasterBypass] && *static_cast<const int32_t*>(fields_[kMasterBypass]) != 0; }
    const float* const* inputs() const { return static_cast<const float* const*>(fields_[kAudioIn]); }
    float* const* outputs() const { return static_cast<float* const*>(fields_[kAudioOut]); }
    // -1 when the host gave no length.
    int32_t bufferLength() const { return fields_[kBufferLength] ? *static_cast<const int32_t*>(fields_[kBufferLength]) : -1; }
    // -1 when no side chain is connected.
    int32_t sideChainIndex() const { return fields_[kSideChain] ? *static_cast<const int32_t*>(fields_[kSideChain]) : -1; }
    // 0 when the host gave no rate.
    float sampleRate() const { return fields_[kSampleRate] ? *static_cast<const float*>(fields_[kSampleRate]) : 0.0f; }
    const AAX_MidiStream* midiInput() const { return static_cast<const AAX_MidiStream*>(fields_[kMidiIn]); }
    AAX_ITransport* transport() const { return static_cast<AAX_ITransport*>(fields_[kTransport]); }
    // Clears a pending reset request and says whether there was one.
    bool takeResetRequest() const {
        auto* request = static_cast<int32_t*>(fields_[kResetRequest]);
        if (!request || *request == 0) return false;
        *request = 0;
        return true;
    }

private:
    AAX_Context fields_;
};
