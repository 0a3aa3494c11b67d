#pragma once
#include <string>
#include <vector>

#include "host/aax/sdk/AAX.h"
#include "host/aax/sdk/AAX_IEffectDescriptor.h"
#include "host/aax/sdk/IACFUnknown.h"

// The classes a module can create, by class id. The module's description registers them while
// it names them in its effect descriptors; the entry points hand out their factories.
class AAX_CClassRegistry {
public:
    using Create = IACFUnknown* (*)();

    struct Entry {
        std::string classId;
        AAX_ClassKind kind;
        Create create;
    };

    // Adds the class (once per id) and names it in the descriptor.
    static AAX_Result registerClass(AAX_IEffectDescriptor& descriptor, AAX_ClassKind kind, const char* classId, Create create);
    static const Entry* find(const std::string& classId);
    static const Entry* at(int index);
    static int size();
    static void clear();

private:
    static std::vector<Entry>& entries();
};
