#pragma once
#include <atomic>
#include <cstdint>

#include "host/aax/sdk/IACFUnknown.h"

// Reference counting for the module's objects, and the module-wide count of live objects that
// decides whether the host may unload the module.
class CACFUnknown : public virtual IACFUnknown {
public:
    CACFUnknown();
    CACFUnknown(const CACFUnknown&) = delete;
    CACFUnknown& operator=(const CACFUnknown&) = delete;

    uint32_t addRef() override;
    uint32_t release() override;

    // Any thread: objects of this module not yet deleted.
    static int32_t liveObjects();

protected:
    ~CACFUnknown() override;

private:
    std::atomic<uint32_t> references_{1};
};
