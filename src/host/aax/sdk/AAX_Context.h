#pragma once
// The per-instance record the host passes to the render callback: an array of pointers, one per
// field index the component described. What each field points to depends on how it was described:
//
//   audio input          const float* const*   the input channels, main stem first, then the side chain
//   audio output         float* const*          the output channels
//   buffer length        const int32_t*         samples in this buffer
//   sample rate          const float*           the host's rate in Hz
//   side-chain input     const int32_t*         index of the side-chain channel in the audio input
//                                               array; negative while nothing is connected
//   MIDI input node      const AAX_MidiStream*  the packets of this buffer
//   MIDI transport node  AAX_ITransport*        the host's transport (the pointer itself; may be null)
//   data input port      void*                  `size` bytes: the last packet posted to the field
//   private data         void*                  `size` bytes the host keeps for the instance
//
// A field the host could not fill is a null pointer.
#include <cstdint>

using AAX_Field = int32_t;
using AAX_Context = void* const*;

// Called on the host's audio thread for a batch of instances of one component.
using AAX_RenderCallback = void (*)(const AAX_Context* contexts, int32_t count);

// MIDI node types.
enum AAX_MidiNodeType : int32_t {
    AAX_MIDI_NODE_INPUT = 0,
    AAX_MIDI_NODE_TRANSPORT = 3,
};

// One short MIDI message; timestamp is its sample offset in the current buffer.
struct AAX_MidiPacket {
    uint32_t timestamp = 0;
    uint32_t length = 0;  // bytes of data that are valid (0..4)
    uint8_t data[4] = {0, 0, 0, 0};
};

struct AAX_MidiStream {
    uint32_t count = 0;
    const AAX_MidiPacket* packets = nullptr;
};
