#include "host/lv2/Lv2PortLayout.h"

#include <cstring>

#include "host/lv2/Lv2Uris.h"

Lv2PortLayout Lv2PortLayout::forVariant(Variant variant) {
    Lv2PortLayout l;
    l.variant = variant;
    uint32_t next = 0;
    l.numInputs = variant == Variant::Stereo ? 2 : 1;
    l.numOutputs = variant == Variant::Mono ? 1 : 2;
    l.numSideChains = l.numInputs;
    l.channels = l.numOutputs;
    for (int i = 0; i < l.numInputs; ++i) l.input[i] = next++;
    for (int i = 0; i < l.numOutputs; ++i) l.output[i] = next++;
    for (int i = 0; i < l.numSideChains; ++i) l.sideChain[i] = next++;
    l.events = next++;
    l.latency = next++;
    l.enabled = next++;
    l.firstControl = next;
    return l;
}

bool Lv2PortLayout::variantOf(const char* uri, Variant& variant) {
    if (!uri) return false;
    for (Variant v : {Variant::Stereo, Variant::Mono, Variant::MonoToStereo}) {
        if (std::strcmp(uri, uriOf(v)) == 0) {
            variant = v;
            return true;
        }
    }
    return false;
}

const char* Lv2PortLayout::uriOf(Variant variant) {
    switch (variant) {
        case Variant::Mono: return lv2uris::kMono;
        case Variant::MonoToStereo: return lv2uris::kMonoToStereo;
        default: return lv2uris::kStereo;
    }
}

const char* Lv2PortLayout::nameOf(Variant variant) {
    switch (variant) {
        case Variant::Mono: return "Kestrum (mono)";
        case Variant::MonoToStereo: return "Kestrum (mono to stereo)";
        default: return "Kestrum";
    }
}
