#include "engine/PluginSettings.h"

namespace {

// value = serializer(name, value, value): a reader keeps the field when the value is missing,
// and the field's owner hears only of a value that changed.
template <class T>
void serializeProperty(SettingSerializer& s, const std::string& name, Property<T>& p) {
    T value = p.get();
    s.field(name, value);
    p.set(value);
}

}  // namespace

void SharedPluginSettings::serialize(SettingSerializer& s) {
    int conserve = conserveMemory.get();
    s.field("ConserveMemory", conserve);
    conserveMemory.set(std::clamp(conserve, 0, 4));
    serializeProperty(s, "CorrectDigiProductIds", correctDigiProductIds);
    serializeProperty(s, "EnableMIDIProgramChanges", enableMIDIProgramChanges);
    serializeProperty(s, "GraphicsAcceleration", graphicsAcceleration);
    serializeProperty(s, "SavePresetItemEnabled", savePresetItemEnabled);
    serializeProperty(s, "showInteractiveHelp", showInteractiveHelp);
    serializeProperty(s, "showWelcomeHint", showWelcomeHint);
    serializeProperty(s, "ShowComponentDisplays", showComponentDisplays);
}
