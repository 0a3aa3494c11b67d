#pragma once
#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

// Flushes denormals to zero (FTZ and DAZ) for its lifetime and restores the previous mode.
class DenormalGuard {
public:
    DenormalGuard() {
#if defined(__SSE2__)
        saved_ = _mm_getcsr();
        _mm_setcsr(saved_ | 0x8040u);  // FTZ (bit 15) | DAZ (bit 6)
#endif
    }
    ~DenormalGuard() {
#if defined(__SSE2__)
        _mm_setcsr(saved_);
#endif
    }
    DenormalGuard(const DenormalGuard&) = delete;
    DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
    unsigned saved_ = 0;
};
