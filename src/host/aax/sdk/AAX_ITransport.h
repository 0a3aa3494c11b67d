#pragma once
#include <cstdint>

#include "host/aax/sdk/AAX.h"

// The host's transport. Musical positions are in ticks from the start of the song,
// AAX_TICKS_PER_BEAT ticks to a quarter-note beat.
constexpr int64_t AAX_TICKS_PER_BEAT = 3840000;

class AAX_ITransport {
public:
    virtual AAX_Result getCurrentTempo(double* bpm) const = 0;
    virtual AAX_Result getCurrentTickPosition(int64_t* ticks) const = 0;
    virtual AAX_Result isTransportPlaying(bool* playing) const = 0;

protected:
    virtual ~AAX_ITransport() = default;
};
