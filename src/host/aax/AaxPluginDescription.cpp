#include "host/aax/AaxPluginDescription.h"

#include "Version.h"
#include "engine/GlobalSettings.h"
#include "host/aax/AaxPluginAdapter.h"
#include "host/aax/AaxRenderContext.h"
#include "host/aax/sdk/AAX_CClassRegistry.h"
#include "host/aax/sdk/AAX_Module.h"
#include "product/KestrumPlugin.h"

namespace {

constexpr uint32_t kMidiChannelMask = 0xffff;

// Runs each step until one fails.
#define AAX_CHECK(expression)                          \
    do {                                               \
        const AAX_Result checked_ = (expression);      \
        if (checked_ != AAX_SUCCESS) return checked_;  \
    } while (false)

}  // namespace

AAX_Result AAX_DescribeModule(AAX_ICollection* collection) {
    if (!collection) return AAX_ERROR_INVALID_ARGUMENT;
    return AaxPluginDescription::describe(*collection);
}

std::vector<int> AaxPluginDescription::variants(const GenericPlugin::ProductInfo& info) {
    std::vector<int> list{0};
    if (info.isEffect) list.push_back(kAudioSuite);
    if (info.supportsMono) {
        list.push_back(kMono);
        if (info.isEffect) list.push_back(kMono | kAudioSuite);
    } else {
        list.push_back(kMonoToStereo);
    }
    return list;
}

uint32_t AaxPluginDescription::hostCategory(int category) {
    switch (category) {
        case GenericPlugin::kCategoryInstrument: return 2048;
        case GenericPlugin::kCategoryEffect: return 8192;
        case GenericPlugin::kCategoryDelay: return 16;
        case GenericPlugin::kCategoryDynamics: return 2;
        case GenericPlugin::kCategoryEq: return 1;
        case GenericPlugin::kCategoryHarmonic: return 64;
        default: return 0;
    }
}

std::string AaxPluginDescription::variantId(const std::string& pluginId, int variant) {
    std::string id = pluginId.substr(0, 4);
    if (id.size() < 4) return id;
    const bool mono = (variant & kMono) != 0;
    if (variant & kAudioSuite) {
        id[3] = mono ? '6' : '5';
    } else if (variant & kMonoToStereo) {
        id[3] = '1';
    } else if (mono) {
        id[3] = '2';
    }
    return id;
}

std::string AaxPluginDescription::effectId(const std::string& productName, int variant) {
    std::string id = std::string(kEffectIdPrefix) + productName + "." + std::to_string(KESTRUM_VERSION_MAJOR) + ".AAX";
    if (variant & kAudioSuite) id += ".AS";
    if (variant & kMono) {
        id += ".Mono";
    } else if (variant & kMonoToStereo) {
        id += ".MonoToStereo";
    }
    return id;
}

uint32_t AaxPluginDescription::packageVersion() {
    return (static_cast<uint32_t>(KESTRUM_VERSION_MAJOR) << 16) | (static_cast<uint32_t>(KESTRUM_VERSION_MINOR) << 8) |
           static_cast<uint32_t>(KESTRUM_VERSION_PATCH);
}

AAX_Result AaxPluginDescription::describe(AAX_ICollection& collection) {
    KestrumPlugin plugin(2);
    return describe(collection, plugin);
}

AAX_Result AaxPluginDescription::describe(AAX_ICollection& collection, GenericPlugin& plugin) {
    for (int variant : variants(plugin.productInfo())) AAX_CHECK(describeVariant(collection, plugin, variant));
    const std::string product = plugin.productInfo().name;
    AAX_CHECK(collection.setManufacturerName(GlobalSettings::kMakerFolder));
    AAX_CHECK(collection.addPackageName(product.c_str()));
    AAX_CHECK(collection.addPackageName((std::string(GlobalSettings::kMakerFolder) + " " + product).c_str()));
    AAX_CHECK(collection.setPackageVersion(packageVersion()));
    return AAX_SUCCESS;
}

AAX_Result AaxPluginDescription::describeVariant(AAX_ICollection& collection, GenericPlugin& plugin, int variant) {
    const GenericPlugin::ProductInfo& info = plugin.productInfo();
    AAX_IEffectDescriptor* effect = collection.newDescriptor();
    if (!effect) return AAX_ERROR_NOT_PRODUCED;
    const bool monoOffline = (variant & kMono) && (variant & kAudioSuite);
    const std::string suffix = monoOffline ? " (mono)" : "";
    AAX_CHECK(effect->addName((info.name + suffix).c_str()));
    AAX_CHECK(effect->addName((std::string(GlobalSettings::kMakerFolder) + " " + info.name + suffix).c_str()));
    AAX_CHECK(effect->addCategory(hostCategory(info.category)));
    if (info.hasHostPageTable) AAX_CHECK(effect->addResourceInfo(AAX_ResourceKind::PageTable, "DigiPageTable.xml"));
    AAX_CHECK(AAX_CClassRegistry::registerClass(*effect, AAX_ClassKind::EffectParameters, AaxPluginAdapter::kClassId,
                                                &AaxPluginAdapter::create));
    AAX_CHECK(describeComponent(*effect, plugin, variant));
    return collection.addEffect(effectId(info.name, variant).c_str(), effect);
}

AAX_Result AaxPluginDescription::describeComponent(AAX_IEffectDescriptor& effect, GenericPlugin& plugin, int variant) {
    const GenericPlugin::ProductInfo& info = plugin.productInfo();
    AAX_IComponentDescriptor* component = effect.newComponentDescriptor();
    if (!component) return AAX_ERROR_NOT_PRODUCED;
    AAX_CHECK(component->addAudioIn(AaxRenderContext::kAudioIn));
    AAX_CHECK(component->addAudioOut(AaxRenderContext::kAudioOut));
    AAX_CHECK(component->addAudioBufferLength(AaxRenderContext::kBufferLength));
    AAX_CHECK(component->addSampleRate(AaxRenderContext::kSampleRate));
    AAX_CHECK(component->addMidiNode(AaxRenderContext::kMidiIn, AAX_MIDI_NODE_INPUT, info.name.c_str(), kMidiChannelMask));
    AAX_CHECK(component->addMidiNode(AaxRenderContext::kTransport, AAX_MIDI_NODE_TRANSPORT, info.name.c_str(), kMidiChannelMask));
    AAX_CHECK(component->addDataInPort(AaxRenderContext::kMasterBypass, sizeof(int32_t)));
    AAX_CHECK(component->addDataInPort(AaxRenderContext::kAdapter, sizeof(void*)));
    AAX_CHECK(component->addPrivateData(AaxRenderContext::kResetRequest, sizeof(int32_t)));
    SharedPluginSettings* shared = GenericPlugin::sharedSettings();
    if (info.hasSideChain && !(shared && shared->defaultToNoSideChain.get())) {
        AAX_CHECK(component->addSideChainIn(AaxRenderContext::kSideChain));
    }

    AAX_IPropertyMap* properties = component->newPropertyMap();
    if (!properties) return AAX_ERROR_NOT_PRODUCED;
    const bool mono = (variant & kMono) != 0;
    const bool offline = (variant & kAudioSuite) != 0;
    const bool correctIds = !shared || shared->correctDigiProductIds.get();
    const std::string productId = correctIds ? info.pluginId.substr(0, 4) : variantId(info.pluginId, variant);
    properties->addProperty(kManufacturerId, AAX_FourCCFrom(kManufacturerCode));
    properties->addProperty(kProductId, AAX_FourCCFrom(productId.c_str()));
    properties->addProperty(offline ? kAudioSuitePluginId : kNativePluginId, AAX_FourCCFrom(variantId(info.pluginId, variant).c_str()));
    properties->addProperty(kProperty60, 1);
    properties->addProperty(kProperty301, 1);
    properties->addProperty(kProperty58, 0x7FFFFFFF);
    properties->addProperty(kInputStemFormat, mono || (variant & kMonoToStereo) ? AAX_STEM_MONO : AAX_STEM_STEREO);
    properties->addProperty(kOutputStemFormat, mono ? AAX_STEM_MONO : AAX_STEM_STEREO);
    if (offline && !mono) properties->addProperty(kProperty108, 1);
    AAX_CHECK(component->addProcessProc(&AaxPluginAdapter::renderCallback, properties));
    return effect.addComponent(component);
}
