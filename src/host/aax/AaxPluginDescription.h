#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/GenericPlugin.h"
#include "host/aax/sdk/AAX.h"
#include "host/aax/sdk/AAX_ICollection.h"

// Describes the plug-in to the host once per module registration: one effect per variant (stereo,
// offline, mono, mono offline, or mono-to-stereo when the product has no mono variant), each with
// its names, category, classes, properties and render-context fields.
class AaxPluginDescription {
public:
    // Variant bits.
    static constexpr int kMono = 1;
    static constexpr int kMonoToStereo = 4;
    static constexpr int kAudioSuite = 8;

    // Numbered properties of a variant's component.
    enum Property : int32_t {
        kManufacturerId = 11,
        kProductId = 12,
        kNativePluginId = 13,
        kAudioSuitePluginId = 14,
        kInputStemFormat = 51,
        kOutputStemFormat = 52,
        kProperty58 = 58,   // set to 0x7FFFFFFF
        kProperty60 = 60,   // set to 1
        kProperty108 = 108, // 1 for AudioSuite variants that are not mono
        kProperty301 = 301, // set to 1
    };

    static constexpr const char* kManufacturerCode = "Zlvx";
    static constexpr const char* kEffectIdPrefix = "com.zelvatrix.";

    // Describes every variant into the collection; the first error ends the description.
    static AAX_Result describe(AAX_ICollection& collection);
    // The same with a product already made (any channel count), for tests of other products' facts.
    static AAX_Result describe(AAX_ICollection& collection, GenericPlugin& plugin);

    // The variants in the order they are described.
    static std::vector<int> variants(const GenericPlugin::ProductInfo& info);
    // The host's category code for a framework category (0 when it has none).
    static uint32_t hostCategory(int category);
    // The plug-in id with its last character replaced by the variant's digit (plain stereo keeps it).
    static std::string variantId(const std::string& pluginId, int variant);
    // "com.zelvatrix.Kestrum.2.AAX" and its ".AS", ".Mono" and ".MonoToStereo" forms.
    static std::string effectId(const std::string& productName, int variant);
    static uint32_t packageVersion();

private:
    static AAX_Result describeVariant(AAX_ICollection& collection, GenericPlugin& plugin, int variant);
    static AAX_Result describeComponent(AAX_IEffectDescriptor& effect, GenericPlugin& plugin, int variant);
};
