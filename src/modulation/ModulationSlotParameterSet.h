#pragma once
#include <string>
#include <vector>

#include "parameters/IndexedPluginParameter.h"
#include "parameters/ModulationTargetParameter.h"
#include "parameters/PluginParameterSet.h"

class AbstractModulationOwner;

// The stored form of modulation slot s (0..23): five parameters "Slot <n> Source", "Slot <n> Level",
// "Slot <n> Bypassed", "Slot <n> Inverted" and "Slot <n> Target" (n = s + 1), so that slots are
// automated, saved in presets and undone like any other parameter.
//
// Source and Target list their items in menu order; a value map gives each item its value, the
// matrix index + 1 (0 = none), so a stored value keeps its meaning whatever the item's position in
// the menu (a stored Target of 20 is always XLFO 1 Phase Offset). The Level is the modulation
// target 89 + s; its knob runs on the delay curve, so the middle position is a level of 0.16.
//
// Applied values reach the modulation matrix through a Listener (audio thread); the level goes
// through the modulation owner like every target parameter.
class ModulationSlotParameterSet : public PluginParameterSet {
public:
    enum Member { kSource, kLevel, kBypassed, kInverted, kTarget };

    // The knob position of a new connection and its level.
    static constexpr float kMiddlePosition = 0.5f;
    static constexpr float kDefaultLevel = 0.16f;

    // Told on the audio thread when a slot's source, target, bypass or invert value takes effect:
    // `value` is the matrix index (-1 = none) for source and target, 0 or 1 for the switches.
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void slotValueApplied(int slot, Member member, int value) = 0;
    };

    // An indexed slot parameter that reports its applied values to the set's listener.
    template <class T>
    class Parameter : public IndexedPluginParameter<T> {
    public:
        Parameter(ModulationSlotParameterSet& set, const std::string& name_, Member member)
            : IndexedPluginParameter<T>(&set, name_), set_(set), member_(member) {}

        void applyValue(float v) override { set_.valueApplied(member_, static_cast<int>(this->appliedValue(v))); }

    protected:
        // The menu position whose mapped value is `value`, -1 if no item carries it.
        int positionOfValue(int value) const {
            for (int j = 0; j < this->valueMapCount; ++j) {
                if (this->valueMap[j] == value) return this->valueMapBase + j;
            }
            return -1;
        }

    private:
        ModulationSlotParameterSet& set_;
        Member member_;
    };

    // The source: menu "< Source >", XLFO 1..6, EG 1..6, EF 1..4, MIDI 1..10, XY 1 Hor .. XY 4 Ver.
    class SourceParameter : public Parameter<int> {
    public:
        using Parameter<int>::Parameter;
        // The matrix source index, -1 for none.
        int getSourceIndex() const { return getStoredValue() - 1; }
        // -1 selects none; an index that is no source changes nothing and returns false.
        bool setSourceIndex(int source, int flags);
    };

    // The target: menu "< Target >", then the 113 targets (see targetItems()).
    class TargetParameter : public Parameter<int> {
    public:
        using Parameter<int>::Parameter;
        // The matrix target index, -1 for none.
        int getTargetIndex() const { return getStoredValue() - 1; }
        // -1 selects none; an index that is no target changes nothing and returns false.
        bool setTargetIndex(int target, int flags);
    };

    class BypassParameter : public Parameter<bool> {
    public:
        using Parameter<bool>::Parameter;
    };

    class InvertParameter : public Parameter<bool> {
    public:
        using Parameter<bool>::Parameter;
    };

    // The menus in menu order and, per item, its value (matrix index + 1). Process-wide.
    static const std::vector<std::string>& sourceItems();
    static const std::vector<int>& sourceValues();
    static const std::vector<std::string>& targetItems();
    static const std::vector<int>& targetValues();

    ModulationSlotParameterSet(GenericParameterOwner* owner, AbstractModulationOwner* modulation, int slot);

    // Menus and value maps, the level curve, defaults and help texts.
    void configure() override;

    int getSlot() const { return slot_; }
    // Not owned; set before processing starts.
    void setListener(Listener* listener) { listener_ = listener; }

    // Source and target none, bypass and invert off, level 0 (this slot only; see the slot list
    // for clearing with the slots that modulate this slot's level).
    void clear();
    // The plain level (0..1).
    float getLevel() { return level.getPlainValue(); }

    SourceParameter source;
    ModulationTargetParameter level;
    BypassParameter bypassed;
    InvertParameter inverted;
    TargetParameter target;

private:
    void valueApplied(Member member, int value);

    int slot_;
    Listener* listener_ = nullptr;
};
