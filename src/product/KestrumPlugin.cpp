#include "product/KestrumPlugin.h"

#include <algorithm>

#include <cmath>
#include <filesystem>

#include "parameters/PanParameterUnit.h"
#include "midi/MidiDecoder.h"
#include "parameters/DBParameterUnit.h"
#include "parameters/ParameterText.h"
#include "parameters/PercentParameterUnit.h"
#include "platform/BinaryFileReader.h"
#include "platform/BinaryMemoryReader.h"
#include "engine/PluginStorage.h"
#include "midi/MidiControllerMap.h"
#include "platform/FileSystem.h"
#include "presets/CollectionFile.h"
#include "presets/PresetManagers.h"
#include "presets/ProgramChangeLoader.h"
#include "presets/ResourceArchive.h"
#include "presets/CollectionPresetLoader.h"
#include "presets/V1PresetLoader.h"
#include "presets/VersionPresetLoader.h"

namespace {

// ln(10) / 20: 10^(x/20) = e^(x * kDecibelsToExponent).
constexpr float kDecibelsToExponent = 0.1151292546497023f;

float decibelsToLinear(float db) { return std::exp(db * kDecibelsToExponent); }

// Decibel gain: the value is in dB, the modulation target receives the linear factor, and the
// display shows dB again.
void configureGain(ModulationTargetParameter& gain, const char* help) {
    gain.setRange(KestrumPlugin::kMinGainDb, KestrumPlugin::kMaxGainDb, 0.0f);
    ParameterDisplay& d = gain.getDisplay();
    d.curve = decibelsToLinear;
    d.curveInverse = linearToDecibels;
    d.toDisplay = linearToDecibels;
    d.fromDisplay = decibelsToLinear;
    gain.setUnit(DBParameterUnit::instance());
    gain.setHelpText(help);
}

void configurePan(ModulationTargetParameter& pan, const char* help) {
    pan.setRange(-1.0f, 1.0f, 0.0f);
    pan.setUnit(PanParameterUnit::instance());
    pan.setHelpText(help);
}

}  // namespace

KestrumPlugin::KestrumPlugin(int numChannels)
    : GenericPlugin(numChannels, describe()),
      inputGain(this, "Input Gain", this, ModulationNumbering::target(ChainTarget::InputGain)),
      inputPan(this, "Input Pan", this, ModulationNumbering::target(ChainTarget::InputPan)),
      outputGain(this, "Output Gain", this, ModulationNumbering::target(ChainTarget::OutputGain)),
      outputPan(this, "Output Pan", this, ModulationNumbering::target(ChainTarget::OutputPan)),
      mix(this, "Mix", this, ModulationNumbering::target(ChainTarget::Mix)),
      routing(this, "Routing"),
      routingMode(this, "Routing Mode"),
      filters(this, this),
      xlfos(this, this),
      egs(this, this),
      efs(this, this),
      midiSources(this, this),
      receiveMidi(this, "Receive MIDI"),
      autoMute(this, "Auto Mute Self-Osc"),
      audition(this, "Audition Signal"),
      slots(this, this),
      xyControllers(this, this),
      xlfoExtensions(this, this),
      egExtensions(this, this),
      midiExtensions(this),
      filterLinkFreq_(virtualParameters_, "Filter Link Freq"),
      filterLinkPeak_(virtualParameters_, "Filter Link Peak") {
    setSlotList(&slots);
    xlfos.attachExtension(&xlfoExtensions);
    egs.attachExtension(&egExtensions);
    midiSources.attachExtension(&midiExtensions);

    init();

    // The plug-in-wide stages, then the channel chains, on the environment init() created.
    ModulationMatrix& matrix = createModulationMatrix(getEnvironment());
    shared_ = std::make_unique<KestrumSharedStages>(*this, matrix);
    sources_ = std::make_unique<KestrumSources>(*this, matrix, *shared_);
    reseedRandom();
    if (midiReceiver_) {
        midiReceiver_->addListener(&sources_->midiCache());
        midiReceiver_->setVirtualParameters(&virtualParameters_);
    }
    for (int c = 0; c < getNumChannels(); ++c) channels_.push_back(std::make_unique<KestrumChannel>(*this, c));
    std::vector<KestrumChannel*> chains;
    for (auto& c : channels_) chains.push_back(c.get());
    shared_->connectChannels(chains.data(), static_cast<int>(chains.size()));

    configureParameters();
    setMidiParameter(&receiveMidi);

    layout_.plugin = this;
    layout_.modulation = this;
    layout_.inputGain = &inputGain;
    layout_.inputPan = &inputPan;
    layout_.outputGain = &outputGain;
    layout_.outputPan = &outputPan;
    layout_.mix = &mix;
    layout_.routing = &routing;
    layout_.routingMode = &routingMode;
    layout_.receiveMidi = &receiveMidi;
    layout_.autoMute = &autoMute;
    layout_.audition = &audition;
    layout_.filters = &filters;
    layout_.xlfos = &xlfos;
    layout_.egs = &egs;
    layout_.efs = &efs;
    layout_.midiSources = &midiSources;
    layout_.slots = &slots;
    layout_.xyControllers = &xyControllers;
    layout_.xlfoExtensions = &xlfoExtensions;
    layout_.egExtensions = &egExtensions;
    layout_.midiExtensions = &midiExtensions;
    layout_.slotMembers.source = ModulationSlotParameterSet::kSource;
    layout_.slotMembers.level = ModulationSlotParameterSet::kLevel;
    layout_.slotMembers.bypassed = ModulationSlotParameterSet::kBypassed;
    layout_.slotMembers.inverted = ModulationSlotParameterSet::kInverted;
    layout_.slotMembers.target = ModulationSlotParameterSet::kTarget;
    state_ = std::make_unique<ParameterCollection>(ParameterCollection::allParameters(*this));
    sections_ = std::make_unique<SectionCollections>(layout_);

    // Every consumer starts from the configured values, without smoothing.
    for (int i = 0; i < getNumParameters(); ++i) {
        AbstractPluginParameter* p = getParameter(i);
        p->applyValue(p->getValue());
        parameterChanged(i);
    }
    syncModulationMatrix();
    getEnvironment().reset();

    // Learned controllers may only ever address parameters this product has.
    MidiControllerMap::shared().setValidIds(getNumParameters(), static_cast<int>(virtualParameters_.size()));
    if (midiReceiver_) {
        midiReceiver_->setPresetLookup([this](int bank, int program) {
            PresetManager* main = PresetManagers::main();
            SharedPluginSettings* shared = sharedSettings();
            if (!main || !shared) return std::string();
            return ProgramChangeLoader(*this, *main, *shared).lookup(bank, program);
        });
    }
    loadDefaultPreset();
}

namespace {

// True for a preset folder that holds no presets and no subfolders (or does not exist yet).
bool holdsNoPresets(const std::string& folder, const std::string& extension) {
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) return true;
    for (const auto& entry : it) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory(ec)) return false;
        if (name.size() > extension.size() && name.compare(name.size() - extension.size(), extension.size(), extension) == 0) return false;
    }
    return true;
}

}  // namespace

void KestrumPlugin::loadDefaultPreset() {
    PresetManager* main = PresetManagers::main();
    const Preset* preset = main ? main->findByName(productInfo().defaultPresetName) : nullptr;
    if (!preset) return;
    setLoadingDefaultPreset(true);
    loadPreset(preset->path);
    setLoadingDefaultPreset(false);
}

void KestrumPlugin::initShared(const std::string&, bool firstStart) {
    SharedPluginSettings& shared = *sharedSettings();
    if (!PluginStorage::canRead()) {
        // Nothing on disk: empty managers, so menus and look-ups still work.
        PresetManagers::create("");
        return;
    }
    const GlobalSettings store = globalSettings();
    const std::string folder = shared.presetFolder.get();
    const bool emptyFolder = holdsNoPresets(folder, productInfo().presetExtension);
    if (PluginStorage::canWrite() && (firstStart || emptyFolder)) {
        ResourceArchive().installFactoryContent(store.applicationDataFolder(), folder, false);
    }
    PresetManagers::create(folder, store.firstGenerationPresetFolder());
    // The factory's section presets are installed into the application-data folder; each section
    // manager shows them below the user's own folder, so "Default" is found there too.
    const std::vector<PresetManagers::Section> sectionList = PresetManagers::productSections();
    for (int i = 0; i < PresetManagers::numSections() && i < static_cast<int>(sectionList.size()); ++i) {
        const std::string factory =
            PresetManagers::sectionFolder(store.applicationDataFolder(), sectionList[static_cast<size_t>(i)].name);
        if (FileSystem::isDirectory(factory)) PresetManagers::section(i)->addExtraFolder(factory, kFactorySectionLabel);
    }
}

bool KestrumPlugin::installFactoryContent(bool overwrite) {
    if (!PluginStorage::canWrite() || !sharedSettings()) return false;
    const GlobalSettings store = globalSettings();
    const bool ok = ResourceArchive().installFactoryContent(store.applicationDataFolder(),
                                                            sharedSettings()->presetFolder.get(), overwrite);
    if (PresetManagers::exists()) {
        PresetManagers::main()->rescan();
        for (int i = 0; i < PresetManagers::numSections(); ++i) PresetManagers::section(i)->rescan();
    }
    return ok;
}

void KestrumPlugin::shutdownShared() {
    PresetManagers::destroy();
    GenericPlugin::shutdownShared();
}

bool KestrumPlugin::readMidiControllerMap() {
    return MidiControllerMap::shared().readMapFile(globalSettings().applicationDataFolder());
}

void KestrumPlugin::installDefaultMidiControllerMap() { MidiControllerMap::shared().installDefaultMap(); }

bool KestrumPlugin::saveMidiControllerMap() {
    if (!PluginStorage::canWrite()) return false;
    return MidiControllerMap::shared().writeMapFile(globalSettings().applicationDataFolder());
}

void KestrumPlugin::presetFileWritten(const std::string&) {
    if (PresetManager* main = PresetManagers::main()) main->rescan();
}

int KestrumPlugin::routingsOffered(int effectiveFilters, bool stereo, int routingMode) {
    if (stereo && routingMode != RoutingEnums::Stereo) return effectiveFilters == 4 ? 4 : 1;
    return std::max(1, 1 << (std::clamp(effectiveFilters, 1, 4) - 1));
}

KestrumPlugin::~KestrumPlugin() {
    releaseShared();
    // The receiver belongs to the framework and outlives the cache.
    if (midiReceiver_ && sources_) midiReceiver_->removeListener(&sources_->midiCache());
}

std::unique_ptr<MidiMessageReceiver> KestrumPlugin::createEventReceiver() {
    return DefaultEventReceiver::createInput(*this, &midiReceiver_);
}

std::unique_ptr<PluginSettings> KestrumPlugin::createSettings() {
    auto settings = std::make_unique<KestrumSettings>();
    kestrumSettings_ = settings.get();
    return settings;
}

GenericPlugin::ProductInfo KestrumPlugin::describe() {
    ProductInfo info;
    info.name = kProductName;
    info.pluginId = kPluginId;
    info.majorVersion = kMajorVersion;
    info.category = kCategoryEffect;
    info.isEffect = true;
    info.supportsMono = true;
    info.hasSideChain = true;
    info.presetExtension = ".zxp";
    info.defaultPresetName = "Default Setting";
    info.editorWidth = KestrumSettings::kNormalWidth;
    info.editorHeight = KestrumSettings::kHeight;
    info.maxEditorWidth = KestrumSettings::kWideWidth;
    info.maxEditorHeight = KestrumSettings::kHeightWithModulation;
    return info;
}

int KestrumPlugin::getEditorWidth() {
    return kestrumSettings_ ? kestrumSettings_->getEditorWidth() : KestrumSettings::kNormalWidth;
}

int KestrumPlugin::getEditorHeight() {
    return kestrumSettings_ ? kestrumSettings_->getEditorHeight() : KestrumSettings::kHeight;
}

void KestrumPlugin::configureParameters() {
    configureGain(inputGain,
                  "The Input Gain knob sets the level of the signal before it reaches the filters. Raise it to drive "
                  "the filters harder, lower it for a cleaner sound.");
    configurePan(inputPan,
                 "The Input Pan knob sets the balance between the left and right channel before the filters.");
    configureGain(outputGain,
                  "The Output Gain knob sets the level of the filtered signal, before it is mixed with the dry "
                  "signal.");
    configurePan(outputPan, "The Output Pan knob sets the balance between the left and right channel of the filtered "
                            "signal.");

    // Mix: 0..100 % here, -1..1 in the modulation domain (m = v * 0.02 - 1, v = (m + 1) * 50).
    mix.setRange(0.0f, 100.0f, 100.0f);
    ParameterDisplay& m = mix.getDisplay();
    m.curve = [](float v) { return v * 0.02f - 1.0f; };
    m.curveInverse = [](float x) { return (x + 1.0f) * 50.0f; };
    m.toDisplay = [](float x) { return (x + 1.0f) * 50.0f; };
    m.fromDisplay = [](float d) { return d * 0.02f - 1.0f; };
    mix.setUnit(PercentParameterUnit::instance());
    mix.setHelpText(
        "The Mix knob sets the balance between the dry input signal and the filtered signal. At 100 % only the "
        "filtered signal is heard.");

    routing.setRange(0, kNumRoutings - 1, 0);
    routing.setItems("1,2,3,4,5,6,7,8");
    routing.setHelpText(
        "The Routing buttons select how the active filters are connected: one after the other, side by side, or in "
        "one of the mixed arrangements. The choice depends on the number of filters.");

    routingMode.setRange(RoutingEnums::Stereo, RoutingEnums::MidSide, RoutingEnums::Stereo);
    routingMode.setItems("Stereo,Per Channel,Mid/Side");
    routingMode.setHelpText(
        "The Routing Mode selects what the filters process: both channels alike (Stereo), the left channel with the "
        "first half of the filters and the right channel with the second half (Per Channel), or the mid and side "
        "signals in the same way (Mid/Side).");

    receiveMidi.setRange(GenericPlugin::MidiEnabled, GenericPlugin::MidiDisabled, GenericPlugin::MidiEnabled);
    receiveMidi.setItems("Enabled,Disabled");
    receiveMidi.setHelpText(
        "Receive MIDI switches MIDI input on or off: notes, controllers and learned parameters are ignored while it "
        "is disabled.");

    autoMute.setRange(0, 1, 1);
    autoMute.setItems("Off,On");
    autoMute.setHelpText(
        "Auto Mute Self-Osc silences self-oscillating filters while the input is silent, so a resonant setting does "
        "not keep ringing between notes.");

    audition.setRange(0, 2, 0);
    audition.setItems("Output,Input,Side Chain");
    audition.setHelpText(
        "The Audition switch selects what you hear: the processed output, the unprocessed input, or the side-chain "
        "input that can drive the envelope generators and followers.");

    for (AbstractParameterSetArray* array : std::initializer_list<AbstractParameterSetArray*>{
             &filters, &xlfos, &egs, &efs, &midiSources, &slots, &xyControllers, &xlfoExtensions, &egExtensions,
             &midiExtensions}) {
        array->configureAll();
    }

    // The characteristic names come from the filters' own table.
    static_assert(FilterParameterSet::kNumCharacteristics == MultiDesignFilter::kCharacteristicCount);
    const std::string characteristics = MultiDesignFilter::characteristicItems();
    for (int k = 0; k < filters.getNumSets(); ++k) filters.at(k).characteristic.setItems(characteristics);
}

void KestrumPlugin::parameterChanged(int index) {
    GenericPlugin::parameterChanged(index);
    updateFilterLinks(index);
    if (sources_) sources_->parameterChanged(index);
}

void KestrumPlugin::noteOn(int key, float, int) {
    if (sources_) sources_->noteOn(key);
}

void KestrumPlugin::noteOff(int key, float) {
    if (sources_) sources_->noteOff(key);
}

void KestrumPlugin::tempoChanged(float bpm, float position) {
    if (sources_) sources_->tempoChanged(bpm, position);
}

void KestrumPlugin::processChannels(const float** buffers, int count, int frames) {
    GenericPlugin::processChannels(buffers, count, frames);
    if (sources_) sources_->captureDisplayValues();
}

float KestrumPlugin::getSourceDisplayValue(int source) const { return sources_ ? sources_->displayValue(source) : 0.0f; }

void KestrumPlugin::updateFilterLinks(int index) {
    for (int k = 0; k < filters.getNumSets(); ++k) {
        FilterParameterSet& f = filters.at(k);
        if (index != -1 && index != f.linked.getId()) continue;
        if (f.linked.getStoredValue()) {
            filterLinkFreq_.addParameter(&f.freq);
            filterLinkPeak_.addParameter(&f.peak);
        } else {
            filterLinkFreq_.removeParameter(&f.freq);
            filterLinkPeak_.removeParameter(&f.peak);
        }
    }
}

bool KestrumPlugin::loadPresetData(const std::string& path) {
    return loadPresetFrom([&path]() -> std::unique_ptr<BinaryDataReader> { return std::make_unique<BinaryFileReader>(path); });
}

bool KestrumPlugin::loadPresetFrom(const ReaderFactory& open) {
    auto attempt = [&open](PresetLoader& loader, int version, const std::string& magic) {
        std::unique_ptr<BinaryDataReader> reader = open();
        return reader && loader.load(*reader, version, magic);
    };
    {
        CollectionPresetLoader current(*state_);
        if (attempt(current, kStateVersion, std::string())) return true;
    }
    {
        VersionPresetLoader previous(layout_);
        if (attempt(previous, VersionPresetLoader::kVersion, std::string())) return true;
    }
    for (int variant = 0; variant <= 1; ++variant) {
        V1PresetLoader first(layout_, variant);
        if (attempt(first, variant, V1PresetLoader::kMagic)) return true;
    }
    return false;
}

void KestrumPlugin::performDeferredWork() {
    if (midiReceiver_) midiReceiver_->applyPendingProgramChange();
}

bool KestrumPlugin::writePresetFile(const std::string& path) { return writeCollection(*state_, path, kStateVersion); }

bool KestrumPlugin::writeStateData(std::vector<uint8_t>& out) {
    out = collectionBytes(*state_, kStateVersion);
    return !out.empty();
}

bool KestrumPlugin::loadStateData(const uint8_t* data, size_t size) {
    return loadPresetFrom([data, size]() -> std::unique_ptr<BinaryDataReader> {
        return std::make_unique<BinaryMemoryReader>(data, size);
    });
}

void KestrumPlugin::reseedRandom() {
    if (!sources_) return;
    for (int k = 0; k < KestrumSources::kXLFOs; ++k) sources_->xlfo(k).setRandomSeed(drawRandomSeed());
}
