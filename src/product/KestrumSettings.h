#pragma once
#include "engine/PluginSettings.h"
#include "platform/Property.h"

// The per-instance settings of the product: the editor's layout and whether the modulation panel
// is shown. The editor's size follows from them.
class KestrumSettings : public PluginSettings {
public:
    // Names under which the settings store keeps the values.
    static constexpr const char* kInterfaceLayoutName = "InterfaceLayout";
    static constexpr const char* kShowModulationName = "ShowModulation";

    enum InterfaceLayout { kNormal = 0, kWide = 1 };

    static constexpr int kNormalWidth = 640;
    static constexpr int kWideWidth = 926;
    static constexpr int kHeight = 317;
    static constexpr int kHeightWithModulation = 510;

    // 0 = Normal, 1 = Wide; other values are limited to that range.
    LimitedProperty<int> interfaceLayout{this, kNormal, kNormal, kWide};
    Property<bool> showModulation{this, false};

    int getEditorWidth() const { return interfaceLayout.get() == kWide ? kWideWidth : kNormalWidth; }
    int getEditorHeight() const { return showModulation.get() ? kHeightWithModulation : kHeight; }
};
