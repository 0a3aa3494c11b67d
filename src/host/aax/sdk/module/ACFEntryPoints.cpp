// The module's exported entry points; built into the loadable module only.
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "host/aax/sdk/AAX_CClassRegistry.h"
#include "host/aax/sdk/AAX_Module.h"
#include "host/aax/sdk/CACFUnknown.h"

#define ACF_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::mutex moduleMutex;

// One factory per registered class, made on demand and kept for the module's lifetime.
class RegistryFactory final : public AAX_IClassFactory {
public:
    explicit RegistryFactory(AAX_CClassRegistry::Create create) : create_(create) {}
    IACFUnknown* createInstance() override { return create_ ? create_() : nullptr; }

private:
    AAX_CClassRegistry::Create create_;
};

RegistryFactory* factoryFor(AAX_CClassRegistry::Create create) {
    static std::vector<std::unique_ptr<RegistryFactory>> factories;
    static std::vector<AAX_CClassRegistry::Create> creators;
    for (size_t i = 0; i < creators.size(); ++i) {
        if (creators[i] == create) return factories[i].get();
    }
    creators.push_back(create);
    factories.push_back(std::make_unique<RegistryFactory>(create));
    return factories.back().get();
}

}  // namespace

ACF_EXPORT AAX_Result ACFStartup() { return AAX_SUCCESS; }

ACF_EXPORT AAX_Result ACFRegisterPlugin(AAX_ICollection* collection) {
    if (!collection) return AAX_ERROR_INVALID_ARGUMENT;
    std::lock_guard<std::mutex> lock(moduleMutex);
    return AAX_DescribeModule(collection);
}

ACF_EXPORT AAX_Result ACFRegisterComponent(int32_t index, AAX_ClassInfo* info) {
    if (!info) return AAX_ERROR_INVALID_ARGUMENT;
    std::lock_guard<std::mutex> lock(moduleMutex);
    const AAX_CClassRegistry::Entry* entry = AAX_CClassRegistry::at(index);
    if (!entry || entry->classId.size() >= sizeof info->classId) return AAX_ERROR_UNKNOWN_CLASS;
    std::memset(info->classId, 0, sizeof info->classId);
    std::memcpy(info->classId, entry->classId.data(), entry->classId.size());
    info->kind = entry->kind;
    return AAX_SUCCESS;
}

ACF_EXPORT AAX_Result ACFGetClassFactory(const char* classId, AAX_IClassFactory** factory) {
    if (!classId || !factory) return AAX_ERROR_INVALID_ARGUMENT;
    std::lock_guard<std::mutex> lock(moduleMutex);
    *factory = nullptr;
    const AAX_CClassRegistry::Entry* entry = AAX_CClassRegistry::find(classId);
    if (!entry) return AAX_ERROR_UNKNOWN_CLASS;
    *factory = factoryFor(entry->create);
    return AAX_SUCCESS;
}

ACF_EXPORT AAX_Result ACFCanUnloadNow() { return CACFUnknown::liveObjects() == 0 ? AAX_SUCCESS : 1; }

ACF_EXPORT AAX_Result ACFShutdown() {
    std::lock_guard<std::mutex> lock(moduleMutex);
    AAX_CClassRegistry::clear();
    return AAX_SUCCESS;
}

ACF_EXPORT AAX_Result ACFGetSDKVersion(uint64_t* version) {
    if (!version) return AAX_ERROR_INVALID_ARGUMENT;
    *version = AAX_SDK_VERSION;
    return AAX_SUCCESS;
}
