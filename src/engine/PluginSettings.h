#pragma once
#include <algorithm>

#include <string>

#include "platform/Property.h"
#include "platform/SettingSerializer.h"

// Settings objects: observable properties with a loaded flag. Saving does nothing until the
// settings were loaded once, so defaults never overwrite a user's stored choices. Where the
// values are stored is decided by the settings store (SettingSerializer); until one is attached,
// save and load keep the values in memory.
class PluginSettingsBase : public PropertyOwner {
public:
    ~PluginSettingsBase() override = default;
    virtual bool save() { return loaded_; }
    virtual bool load() { return true; }
    // Reads or writes the fields, in their fixed order (see GlobalSettings).
    virtual void serialize(SettingSerializer& /*serializer*/) {}
    void setLoaded(bool loaded) { loaded_ = loaded; }
    bool isLoaded() const { return loaded_; }
    void propertyChanged(PropertyBase*) override { ++changeCount_; }
    int getChangeCount() const { return changeCount_; }

private:
    bool loaded_ = false;
    int changeCount_ = 0;
};

// Per-instance settings (products derive their own).
class PluginSettings : public PluginSettingsBase {};

// One object shared by every instance in the process.
class SharedPluginSettings : public PluginSettingsBase {
public:
    // 0..4: each step halves the processing block size (1024 down to 64).
    Property<int> conserveMemory{this, 0};
    Property<bool> correctDigiProductIds{this, true};
    Property<bool> enableMIDIProgramChanges{this, false};
    Property<int> graphicsAcceleration{this, 1};
    Property<bool> savePresetItemEnabled{this, false};
    Property<bool> showInteractiveHelp{this, true};
    Property<bool> showWelcomeHint{this, false};
    Property<bool> showComponentDisplays{this, true};
    // The main preset folder; empty until the settings were read.
    Property<std::string> presetFolder{this, std::string()};
    // Read only: kept by the user's settings file, never written back.
    Property<bool> defaultToNoSideChain{this, false};
    Property<bool> useProToolsShortcuts{this, true};
    Property<std::string> helpFileName{this, std::string()};

    int getConserveMemory() const { return std::clamp(conserveMemory.get(), 0, 4); }

    // The eight shared values, in their stored order.
    void serialize(SettingSerializer& serializer) override;
};
