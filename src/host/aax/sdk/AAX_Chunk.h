#pragma once
#include <cstdint>

#include "host/aax/sdk/AAX.h"

// A state chunk as host and plug-in exchange it. For a read the host sets `data` to a buffer of
// `size` bytes (the size the plug-in reported); the plug-in fills it and sets `size` to the bytes
// written. For a write `size` bytes of `data` are the stored chunk.
struct AAX_Chunk {
    AAX_FourCC id = 0;
    int32_t version = 0;
    char name[32] = {};  // NUL-terminated, at most 31 characters
    uint32_t size = 0;
    uint8_t* data = nullptr;
};
