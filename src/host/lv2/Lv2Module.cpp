// The bundle's entry point: three descriptors over Lv2Plugin. Only lv2_descriptor is exported.
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/worker/worker.h>

#include <string_view>

#include "host/lv2/Lv2Plugin.h"

namespace {

Lv2Plugin* self(LV2_Handle h) { return static_cast<Lv2Plugin*>(h); }

template <Lv2PortLayout::Variant V>
LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features) {
    try {
        return Lv2Plugin::create(V, rate, features).release();
    } catch (...) {
        return nullptr;  // out of memory: the host reports a plug-in that could not be created
    }
}

void connectPort(LV2_Handle h, uint32_t port, void* data) { self(h)->connect(port, data); }
void activate(LV2_Handle h) { self(h)->activate(); }
void run(LV2_Handle h, uint32_t frames) { self(h)->run(frames); }
void deactivate(LV2_Handle) {}
void cleanup(LV2_Handle h) { delete self(h); }

LV2_State_Status save(LV2_Handle h, LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t,
                      const LV2_Feature* const*) {
    try {
        return self(h)->save(store, handle);
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

LV2_State_Status restore(LV2_Handle h, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle, uint32_t,
                         const LV2_Feature* const*) {
    try {
        return self(h)->restore(retrieve, handle);
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

LV2_Worker_Status work(LV2_Handle h, LV2_Worker_Respond_Function, LV2_Worker_Respond_Handle, uint32_t, const void*) {
    try {
        return self(h)->work();
    } catch (...) {
        return LV2_WORKER_ERR_UNKNOWN;
    }
}

LV2_Worker_Status workResponse(LV2_Handle, uint32_t, const void*) { return LV2_WORKER_SUCCESS; }

const void* extensionData(const char* uri) {
    static const LV2_State_Interface state = {save, restore};
    static const LV2_Worker_Interface worker = {work, workResponse, nullptr};
    if (std::string_view(uri) == LV2_STATE__interface) return &state;
    if (std::string_view(uri) == LV2_WORKER__interface) return &worker;
    return nullptr;
}

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    static const LV2_Descriptor descriptors[] = {
        {Lv2PortLayout::uriOf(Lv2PortLayout::Variant::Stereo), instantiate<Lv2PortLayout::Variant::Stereo>, connectPort,
         activate, run, deactivate, cleanup, extensionData},
        {Lv2PortLayout::uriOf(Lv2PortLayout::Variant::Mono), instantiate<Lv2PortLayout::Variant::Mono>, connectPort,
         activate, run, deactivate, cleanup, extensionData},
        {Lv2PortLayout::uriOf(Lv2PortLayout::Variant::MonoToStereo), instantiate<Lv2PortLayout::Variant::MonoToStereo>,
         connectPort, activate, run, deactivate, cleanup, extensionData},
    };
    return index < 3 ? &descriptors[index] : nullptr;
}
