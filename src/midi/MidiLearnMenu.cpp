#include "midi/MidiLearnMenu.h"

#include "midi/MidiControllerMap.h"
#include "midi/MidiLearnTargets.h"
#include "parameters/AbstractPluginParameter.h"
#include "platform/ResourceStore.h"

namespace {
constexpr float kMidiEnabled = 0.0f;
constexpr float kMidiDisabled = 1.0f;
}  // namespace

std::vector<MidiLearnMenu::Item> MidiLearnMenu::clearItems() const {
    std::vector<Item> items;
    if (!setup_.map || !setup_.targets) return items;
    auto add = [&](int id) {
        const int controller = setup_.map->controllerFor(id);
        if (controller == MidiControllerMap::kNone) return;
        items.push_back({kClearController + controller,
                         std::to_string(controller) + ": " + setup_.targets->getTargetName(id), false, true, {}});
    };
    for (int id = 0; id < setup_.targets->getNumParameters(); ++id) add(id);
    for (int id : setup_.targets->getVirtualIds()) add(id);
    return items;
}

std::vector<MidiLearnMenu::Item> MidiLearnMenu::build() const {
    std::vector<Item> menu;
    const bool enabled = setup_.receiveMidi && setup_.receiveMidi->getValue() == kMidiEnabled;
    menu.push_back({kEnableMidi, "Enable MIDI", enabled, setup_.receiveMidi != nullptr, {}});
    std::vector<Item> clear = clearItems();
    const bool any = !clear.empty();
    menu.push_back({kNoCommand, "Clear", false, any, std::move(clear)});
    menu.push_back({kClearAll, "Clear All", false, true, {}});
    menu.push_back({kRevert, "Revert", false, !setup_.folder.empty(), {}});
    menu.push_back({kSave, "Save", false, !setup_.folder.empty(), {}});
    if (!setup_.isEffect) menu.push_back({kLoadFactorySettings, "Load Factory Settings", false, true, {}});
    return menu;
}

bool MidiLearnMenu::perform(int command) {
    if (command == kEnableMidi) {
        if (!setup_.receiveMidi) return false;
        const bool enabled = setup_.receiveMidi->getValue() == kMidiEnabled;
        setup_.receiveMidi->setValue(enabled ? kMidiDisabled : kMidiEnabled, 0);
        return false;
    }
    MidiControllerMap* map = setup_.map;
    if (!map) return false;
    if (command >= kClearController && command < kClearController + MidiControllerMap::kControllers) {
        map->assign(command - kClearController, MidiControllerMap::kNone);
        return true;
    }
    switch (command) {
        case kClearAll: map->clearAll(); return true;
        // A failed read or write is not reported to the user; the map stays as it was.
        case kRevert: map->readMapFile(setup_.folder); return true;
        case kSave: map->writeMapFile(setup_.folder); return false;
        case kLoadFactorySettings:
            if (setup_.isEffect) return false;
            map->installDefaultMap(setup_.resources ? *setup_.resources : ResourceStore::instance());
            return true;
        default: return false;
    }
}
