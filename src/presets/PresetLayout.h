#pragma once
#include <array>

class AbstractModulationOwner;
class AbstractParameterSetList;
class AbstractPluginParameter;
class EFParameterSetList;
class EGParameterSetList;
class EGParameterSetListExtension;
class FilterParameterSetList;
class GenericPlugin;
class MidiSourceParameterSetList;
class MidiSourceParameterSetListExtension;
class XLFOParameterSetList;
class XLFOParameterSetListExtension;
class XYParameterSetList;

// What the product's preset loaders and section presets address: the product's own parameters,
// its lists and extension arrays, and the modulation owner. The product fills it once after
// construction; the loaders only read it. Slot members are addressed by their position in a slot
// set, so this file needs nothing from the modulation layer.
struct PresetLayout {
    // Positions of the members of one modulation slot set.
    struct SlotMembers {
        int source = 0;
        int level = 1;
        int bypassed = 2;
        int inverted = 3;
        int target = 4;
    };

    GenericPlugin* plugin = nullptr;
    AbstractModulationOwner* modulation = nullptr;

    AbstractPluginParameter* inputGain = nullptr;
    AbstractPluginParameter* inputPan = nullptr;
    AbstractPluginParameter* outputGain = nullptr;
    AbstractPluginParameter* outputPan = nullptr;
    AbstractPluginParameter* mix = nullptr;
    AbstractPluginParameter* routing = nullptr;
    AbstractPluginParameter* routingMode = nullptr;
    AbstractPluginParameter* receiveMidi = nullptr;
    AbstractPluginParameter* autoMute = nullptr;
    AbstractPluginParameter* audition = nullptr;

    FilterParameterSetList* filters = nullptr;
    XLFOParameterSetList* xlfos = nullptr;
    EGParameterSetList* egs = nullptr;
    EFParameterSetList* efs = nullptr;
    MidiSourceParameterSetList* midiSources = nullptr;
    AbstractParameterSetList* slots = nullptr;
    XYParameterSetList* xyControllers = nullptr;
    XLFOParameterSetListExtension* xlfoExtensions = nullptr;
    EGParameterSetListExtension* egExtensions = nullptr;
    MidiSourceParameterSetListExtension* midiExtensions = nullptr;
    SlotMembers slotMembers;

    // Member `member` of slot s, nullptr when either does not exist.
    AbstractPluginParameter* slotParameter(int slot, int member) const;
};
