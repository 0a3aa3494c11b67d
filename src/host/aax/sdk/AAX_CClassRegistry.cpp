#include "host/aax/sdk/AAX_CClassRegistry.h"

std::vector<AAX_CClassRegistry::Entry>& AAX_CClassRegistry::entries() {
    static std::vector<Entry> list;
    return list;
}

AAX_Result AAX_CClassRegistry::registerClass(AAX_IEffectDescriptor& descriptor, AAX_ClassKind kind, const char* classId,
                                             Create create) {
    if (!classId || !*classId || !create) return AAX_ERROR_INVALID_ARGUMENT;
    const Entry* known = find(classId);
    if (known && (known->kind != kind || known->create != create)) return AAX_ERROR_INVALID_ARGUMENT;
    if (!known) entries().push_back({classId, kind, create});
    return descriptor.addClassFactory(kind, classId);
}

const AAX_CClassRegistry::Entry* AAX_CClassRegistry::find(const std::string& classId) {
    for (const Entry& e : entries()) {
        if (e.classId == classId) return &e;
    }
    return nullptr;
}

const AAX_CClassRegistry::Entry* AAX_CClassRegistry::at(int index) {
    if (index < 0 || index >= size()) return nullptr;
    return &entries()[static_cast<size_t>(index)];
}

int AAX_CClassRegistry::size() { return static_cast<int>(entries().size()); }

void AAX_CClassRegistry::clear() { entries().clear(); }
