#pragma once
// Per-instance settings with the shape of the product's: one limited choice and one flag.
#include "engine/PluginSettings.h"

struct InstanceSettings : PluginSettings {
    LimitedProperty<int> layout{this, 0, 0, 1};
    Property<bool> modulation{this, false};
    void serialize(SettingSerializer& s) override {
        int l = layout.get();
        s.field("InterfaceLayout", l);
        layout.set(l);
        bool m = modulation.get();
        s.field("ShowModulation", m);
        modulation.set(m);
    }
};
