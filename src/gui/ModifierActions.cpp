#include "gui/ModifierActions.h"

#include <array>
#include <atomic>

#include "gui/Modifiers.h"

namespace gui {

namespace {

struct Pair {
    int modifiers;
    int actions;
};

using Table = std::array<Pair, 4>;

constexpr Table kDefault = {{{modifiers::kCtrl, ModifierActions::kReset},
                             {modifiers::kShift, ModifierActions::kFine},
                             {modifiers::kAlt, ModifierActions::kLinked},
                             {modifiers::kShift | modifiers::kAlt, ModifierActions::kFine | ModifierActions::kLinked}}};
constexpr Table kProTools = {{{modifiers::kAlt, ModifierActions::kReset},
                              {modifiers::kCtrl, ModifierActions::kFine},
                              {modifiers::kShift, ModifierActions::kLinked},
                              {modifiers::kShift | modifiers::kCtrl, ModifierActions::kFine | ModifierActions::kLinked}}};

// Swapped as a whole, so a look-up on another thread sees one table or the other.
std::atomic<const Table*> current{&kDefault};

}  // namespace

void ModifierActions::installDefault() { current.store(&kDefault); }

void ModifierActions::installProTools() { current.store(&kProTools); }

int ModifierActions::lookup(int mods) {
    const int key = mods & modifiers::kLookupMask;
    for (const Pair& pair : *current.load())
        if (pair.modifiers == key) return pair.actions;
    return 0;
}

}  // namespace gui
