#include "host/aax/sdk/CACFUnknown.h"

namespace {
std::atomic<int32_t> liveCount{0};
}

CACFUnknown::CACFUnknown() { liveCount.fetch_add(1); }

CACFUnknown::~CACFUnknown() { liveCount.fetch_sub(1); }

uint32_t CACFUnknown::addRef() { return references_.fetch_add(1) + 1; }

uint32_t CACFUnknown::release() {
    const uint32_t left = references_.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return left;
}

int32_t CACFUnknown::liveObjects() { return liveCount.load(); }
