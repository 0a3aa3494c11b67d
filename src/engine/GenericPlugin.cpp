#include "engine/GenericPlugin.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>

#include "engine/BypassProcessor.h"
#include "engine/CompareStates.h"
#include "engine/DenormalGuard.h"
#include "engine/PluginChannel.h"
#include "engine/PluginStorage.h"
#include "engine/Snapshot.h"
#include "engine/UndoHistory.h"
#include "platform/Tolerance.h"

namespace {

// Process-wide state shared by all instances.
std::mutex sharedMutex;
int instanceCount = 0;
std::unique_ptr<SharedPluginSettings> sharedSettingsObject;

// A full preset load queues every parameter while the audio thread is not draining, so the queue
// holds several complete sets; a larger burst is not lost but re-sent as a resync.
constexpr size_t kMinParameterQueue = 8192;
constexpr size_t kMidiQueueCapacity = 2048;

// A seed from the clock that also differs between instances created at the same moment.
uint32_t clockSeed() {
    static std::atomic<uint32_t> instances{0};
    const auto ticks = static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    const uint64_t mixed = ticks ^ (0x9E3779B97F4A7C15ull * (instances.fetch_add(1) + 1));
    return static_cast<uint32_t>(mixed ^ (mixed >> 32));
}

}  // namespace

GenericPlugin::GenericPlugin(int numChannels, ProductInfo info)
    : numChannels_(std::clamp(numChannels, 1, 2)),
      info_(std::move(info)),
      midiQueue_(kMidiQueueCapacity),
      creatorThread_(std::this_thread::get_id()),
      eventQueue_(std::make_unique<PosixAsyncEventQueue>()) {
    registerName("");
    const uint32_t seed = clockSeed();
    randomSeed_.store(seed);
    random_.seed(seed);
}

GenericPlugin::~GenericPlugin() { releaseShared(); }

void GenericPlugin::releaseShared() {
    if (!initialised_ || released_) return;
    released_ = true;
    {
        std::lock_guard<std::mutex> lock(sharedMutex);
        if (--instanceCount == 0) shutdownShared();
    }
    PluginStorage::release();
}

SharedPluginSettings* GenericPlugin::sharedSettings() { return sharedSettingsObject.get(); }

void GenericPlugin::shutdownShared() {
    if (sharedSettingsObject && sharedSettingsObject->isLoaded() && PluginStorage::canWrite()) {
        globalSettings().save(*sharedSettingsObject, nullptr);
    }
    sharedSettingsObject.reset();
}

GlobalSettings GenericPlugin::globalSettings() const { return PluginStorage::settingsFor(info_.name, info_.majorVersion); }

bool GenericPlugin::saveSettings() {
    if (!PluginStorage::canWrite() || !settings_ || !sharedSettingsObject || !settings_->isLoaded()) return false;
    return globalSettings().save(*sharedSettingsObject, settings_.get());
}

std::unique_ptr<PluginSettings> GenericPlugin::createSettings() { return std::make_unique<PluginSettings>(); }

std::unique_ptr<SharedPluginSettings> GenericPlugin::createSharedSettings() {
    return std::make_unique<SharedPluginSettings>();
}

void GenericPlugin::init() {
    if (initialised_) return;
    {
        PluginStorage::acquire();
        std::lock_guard<std::mutex> lock(sharedMutex);
        const GlobalSettings store = globalSettings();
        const bool readable = PluginStorage::canRead();
        if (instanceCount++ == 0) {
            // First instance: the user's settings, then the MIDI controller map, then the product's
            // shared set-up (preset folders, factory content on a first start).
            sharedSettingsObject = createSharedSettings();
            settings_ = createSettings();
            const bool firstStart = readable && !store.stored();
            if (readable) store.load(*sharedSettingsObject, settings_.get());
            if (!readable || !readMidiControllerMap()) installDefaultMidiControllerMap();
            initShared(info_.name, firstStart);
            sharedSettingsObject->setLoaded(true);
            settings_->setLoaded(true);
            // Storing the settings at once marks this version as set up, even if the host never
            // closes the instance cleanly.
            if (firstStart && PluginStorage::canWrite()) store.save(*sharedSettingsObject, settings_.get());
        } else {
            settings_ = createSettings();
            if (readable) store.loadInstance(*settings_);
            settings_->setLoaded(true);
        }
    }
    initialised_ = true;

    int blockSize = std::max(32, 1024 >> sharedSettingsObject->getConserveMemory());
    environment_ = std::make_unique<wave::Environment>(blockSize);
    struct RateHandler final : NotifyEvent::Handler {
        explicit RateHandler(GenericPlugin& p) : plugin(p) {}
        void call(void*) override { plugin.sampleRateChanged(); }
        GenericPlugin& plugin;
    };
    environment_->sampleRateEvent().setHandler(std::make_unique<RateHandler>(*this));

    eventReceiver_ = createEventReceiver();
    parameterQueue_ = std::make_unique<MpscQueue<ParameterChange>>(
        std::max(kMinParameterQueue, 4 * parameters_.size() + 16));
    keptValues_.reserve(keptAcrossPresets_.size());
    bypass_ = std::make_unique<BypassProcessor>(*this);
    bypass_->prepareLatency(latency_);
    undoHistory_ = std::make_unique<UndoHistory>(*this);
    compareStates_ = std::make_unique<CompareStates>(*this);
}

void GenericPlugin::beginUpdate() { updateCounter_.fetch_add(1); }

void GenericPlugin::endUpdate() {
    if (updateCounter_.fetch_sub(1) == 1 && notificationDeferred_.exchange(false)) {
        if (adapter_) adapter_->parameterChanged(-1);
        notifyListener(kParameterChanged, -1);
    }
}

AbstractPluginParameter* GenericPlugin::getParameter(int index) {
    if (index < 0 || index >= static_cast<int>(parameters_.size())) return nullptr;
    return parameters_[static_cast<size_t>(index)];
}

int GenericPlugin::addParameter(AbstractPluginParameter* parameter) {
    parameters_.push_back(parameter);
    return static_cast<int>(parameters_.size()) - 1;
}

int GenericPlugin::registerName(const std::string& name) {
    auto it = std::find(names_.begin(), names_.end(), name);
    if (it != names_.end()) return static_cast<int>(it - names_.begin());
    names_.push_back(name);
    return static_cast<int>(names_.size()) - 1;
}

void GenericPlugin::setParameter(int index, float value, int flags) {
    parameterHook(index, value);
    if (!parameterQueue_ || !parameterQueue_->push({index, value})) {
        // Never block or allocate: the value itself is already stored in the parameter, so the
        // audio thread re-applies every parameter at its next drain.
        droppedChanges_.fetch_add(1);
        resyncPending_.store(true);
    }
    currentPreset_.setModified(true);
    if (updateCounter_.load() != 0) {
        notificationDeferred_.store(true);
        return;
    }
    if (!(flags & kFromHost) && adapter_) adapter_->parameterChanged(index);
    notifyListener(kParameterChanged, index);
}

void GenericPlugin::notifyListener(int code, int value) {
    listenerInUse_.fetch_add(1);
    if (Listener* l = listener_.load()) l->pluginNotification(code, value);
    listenerInUse_.fetch_sub(1);
}

void GenericPlugin::setEditor(Listener* listener) {
    if (listener && !eventQueue_->isOwnerThread()) eventQueue_->bindToCurrentThread();
    listener_.store(listener);
    while (listenerInUse_.load() != 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

void GenericPlugin::receiveMidi(const MidiMessage& message) {
    if (midiState_ == MidiDisabled) return;
    midiQueue_.push(message);  // a full queue drops the newest message
}

void GenericPlugin::applyQueuedChanges() {
    if (!parameterQueue_) return;
    ParameterChange change;
    while (parameterQueue_->pop(change)) {
        if (change.index == kRestartMarker) {
            environment_->restartTime();
            continue;
        }
        AbstractPluginParameter* p = getParameter(change.index);
        if (!p) continue;
        p->applyValue(change.value);
        parameterChanged(change.index);
    }
    if (resyncPending_.exchange(false)) resyncAllParameters();
}

void GenericPlugin::resyncAllParameters() {
    for (size_t i = 0; i < parameters_.size(); ++i) {
        parameters_[i]->applyValue(parameters_[i]->getValue());
        parameterChanged(static_cast<int>(i));
    }
}

void GenericPlugin::parameterChanged(int index) {
    for (Channel* c : channels_) c->parameterChanged(index);
    if (midiParameter_ && index == midiParameter_->getId()) {
        midiState_ = static_cast<int>(midiParameter_->getValue());
        if (midiState_ == MidiDisabled) noteOff(0, 1.0f);
    }
    if (bypassParameter_ && index == bypassParameter_->getId()) setBypass(bypassParameter_->getValue() != 0.0f, kBypassFromParameter);
}

void GenericPlugin::setIoPointers(const float* const* inputs, int numInputs, int frames) {
    if (!info_.isEffect) return;
    auto input = [&](int i) -> const float* { return i >= 0 && i < numInputs && inputs ? inputs[i] : nullptr; };
    for (int i = 0; i < static_cast<int>(channels_.size()) && i < numChannels_; ++i) {
        channels_[static_cast<size_t>(i)]->mainInput().setSource(input(i), frames);
        if (info_.hasSideChain) {
            const float* side = sideChainConnected_ ? input(numChannels_ + i) : input(i);
            channels_[static_cast<size_t>(i)]->sideChainInput().setSource(side, frames);
        }
    }
}

void GenericPlugin::processBlock(const float* const* inputs, int numInputs, float* const* outputs, int numChannels,
                                 int frames) {
    if (!environment_ || frames < 0 || !outputs) return;
    if (frames == 0) {
        // No audio, but the host may still deliver events (and a renderer uses it to hand over a
        // program change exactly at a buffer boundary).
        MidiMessage message;
        bool midiSeen = false;
        while (midiQueue_.pop(message)) {
            decode(message);
            midiSeen = true;
        }
        if (midiSeen) notifyListener(kMidiActivity, 0);
        return;
    }
    DenormalGuard denormals;
    currentBlockLength_ = frames;
    applyPendingSeed();
    if (updateCounter_.load() == 0) applyQueuedChanges();
    int channels = std::min(numChannels, 2);
    int chunk = getBlockSize();
    setIoPointers(inputs, numInputs, frames);

    // Dry pointers for the bypass stage: missing host inputs read as silence.
    const float* dry[2] = {nullptr, nullptr};
    for (int c = 0; c < channels; ++c) dry[c] = inputs && c < numInputs ? inputs[c] : nullptr;

    int flags = 0;
    int pos = 0;
    bool midiSeen = false;
    while (pos < frames) {
        MidiMessage message;
        bool popped = midiQueue_.pop(message);
        int end = popped ? std::clamp(message.offset, 0, frames) : frames;
        while (pos < end) {
            int n = std::min(chunk, end - pos);
            bypass_->process(dry, outputs, channels, pos, n, flags);
            pos += n;
        }
        if (popped) {
            decode(message);
            if (updateCounter_.load() == 0) applyQueuedChanges();
            midiSeen = true;
        }
    }
    MidiMessage late;
    while (midiQueue_.pop(late)) {
        decode(late);
        midiSeen = true;
    }
    if (midiSeen) notifyListener(kMidiActivity, 0);
}

void GenericPlugin::decode(const MidiMessage& message) {
    if (eventReceiver_) eventReceiver_->receiveMidi(message);
}

void GenericPlugin::processChannels(const float** buffers, int count, int frames) {
    for (int i = 0; i < count; ++i) {
        Channel* c = i < static_cast<int>(channels_.size()) ? channels_[static_cast<size_t>(i)] : nullptr;
        wave::Producer* out = c ? c->getOutput() : nullptr;
        buffers[i] = out ? out->pull(frames, 0)->data() : environment_->silence().data();
    }
}

void GenericPlugin::setBypass(bool on, BypassSource source) {
    if (source != kBypassFromHost && source != kBypassFromParameter) return;
    if (bypassRequest_[source] == on) return;
    bool wasBypassed = isBypassed();
    bypassRequest_[source] = on;
    bool now = isBypassed();
    if (now == wasBypassed || !bypass_) return;
    bypass_->setState(now);
    if (!now) environment_->resetProducers();  // no stale filter state is heard
}

void GenericPlugin::setTransport(float bpm, float position) {
    if (!std::isfinite(bpm) || bpm <= 0.0f) bpm = 120.0f;
    if (!std::isfinite(position)) position = lastReportedPosition_;
    if (std::fabs(position - lastReportedPosition_) > wave::kTolerance) {
        songPosition_ = position;
    } else if (environment_) {
        songPosition_ += static_cast<double>(currentBlockLength_) * bpm / (environment_->getSampleRate() * 60.0);
        songPosition_ = std::fmod(songPosition_, 256.0);
        if (songPosition_ < 0.0) songPosition_ += 256.0;
    }
    lastReportedPosition_ = position;
    tempoChanged(bpm, static_cast<float>(songPosition_));
}

void GenericPlugin::setSampleRate(float rate) {
    if (environment_ && std::fabs(rate - environment_->getSampleRate()) > wave::kTolerance) {
        environment_->setSampleRate(rate);
    }
}

void GenericPlugin::setLatency(int samples) {
    samples = std::max(0, samples);
    if (samples == latency_) return;
    if (bypass_) bypass_->prepareLatency(samples);
    latency_ = samples;
    if (adapter_) adapter_->latencyChanged();
}

void GenericPlugin::reset() {
    if (!environment_) return;
    environment_->reset();
    bypass_->jumpToEnd();
    currentBlockLength_ = 0;
    applyPendingSeed();
    if (updateCounter_.load() == 0) applyQueuedChanges();
}

bool GenericPlugin::loadPresetData(const std::string&) { return false; }

bool GenericPlugin::loadInBatch(const std::function<bool()>& load, bool keepAcrossPresets) {
    beginUpdate();
    const bool keep = keepAcrossPresets && !loadingDefaultPreset_;
    keptValues_.clear();
    if (keep) {
        for (AbstractPluginParameter* p : keptAcrossPresets_) keptValues_.push_back(p->getValue());
    }
    bool ok = load();
    if (keep) {
        for (size_t i = 0; i < keptAcrossPresets_.size(); ++i) keptAcrossPresets_[i]->setValue(keptValues_[i], 0);
    }
    if (parameterQueue_ && !parameterQueue_->push({kRestartMarker, 0.0f})) resyncPending_.store(true);
    endUpdate();
    return ok;
}

bool GenericPlugin::loadPreset(const std::string& path) {
    bool ok = loadInBatch([&] { return loadPresetData(path); }, true);
    if (ok) {
        currentPreset_.set(presetNameOf(path), path);
        currentPreset_.setModified(false);
        if (adapter_) adapter_->presetChanged();
        notifyListener(kPresetChanged, 0);
    }
    return ok;
}

bool GenericPlugin::savePresetFile(const std::string& path) {
    if (path.empty() || !writePresetFile(path)) return false;
    presetFileWritten(path);
    currentPreset_.set(presetNameOf(path), path);
    currentPreset_.setModified(false);
    if (adapter_) adapter_->presetChanged();
    notifyListener(kPresetChanged, 0);
    return true;
}

bool GenericPlugin::loadPresetFromMemory(const std::string& name, const uint8_t* data, size_t size) {
    if (!data || size == 0) return false;
    const bool ok = loadInBatch([&] { return loadStateData(data, size); }, true);
    if (ok) {
        currentPreset_.set(name, std::string());
        currentPreset_.setModified(false);
        if (adapter_) adapter_->presetChanged();
        notifyListener(kPresetChanged, 0);
    }
    return ok;
}

std::string GenericPlugin::presetNameOf(const std::string& path) {
    std::string name = path;
    const size_t slash = name.find_last_of('/');
    if (slash != std::string::npos) name = name.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name = name.substr(0, dot);
    return name;
}

std::vector<uint8_t> GenericPlugin::saveState() {
    std::vector<uint8_t> bytes;
    if (!writeStateData(bytes)) bytes.clear();
    return bytes;
}

// A host state is the project as it was saved: unlike a preset, it also restores the values that
// are kept across presets.
bool GenericPlugin::loadState(const uint8_t* data, size_t size) {
    if (!data || size == 0) return false;
    return loadInBatch([&] { return loadStateData(data, size); }, false);
}

void GenericPlugin::setRandomSeed(uint32_t seed) {
    randomSeed_.store(seed);
    reseedPending_.store(true);
}

void GenericPlugin::applyPendingSeed() {
    if (!reseedPending_.exchange(false)) return;
    random_.seed(randomSeed_.load());
    reseedRandom();
}

void GenericPlugin::captureSnapshot(Snapshot& snapshot) {
    snapshot.presetName = currentPreset_.getName();
    snapshot.presetPath = currentPreset_.getPath();
    snapshot.presetModified = currentPreset_.isModified();
    snapshot.compareSlot = compareStates_ ? compareStates_->getCurrentSlot() : 0;
    snapshot.values.resize(parameters_.size());
    for (size_t i = 0; i < parameters_.size(); ++i) snapshot.values[i] = parameters_[i]->getValue();
}

void GenericPlugin::restoreSnapshot(const Snapshot& snapshot) {
    loadInBatch(
        [&] {
            const size_t n = std::min(parameters_.size(), snapshot.values.size());
            for (size_t i = 0; i < n; ++i) parameters_[i]->setValue(snapshot.values[i], 0);
            return true;
        },
        false);
    // The editor shows the preset's name, so a changed name is news as much as a changed path.
    const bool presetChanged = currentPreset_.set(snapshot.presetName, snapshot.presetPath);
    currentPreset_.setModified(snapshot.presetModified);
    if (presetChanged) {
        if (adapter_) adapter_->presetChanged();
        notifyListener(kPresetChanged, 0);
    }
}

void GenericPlugin::setCurrentPresetName(const std::string& name, int prefixLength) {
    if (currentPreset_.setName(name, prefixLength)) notifyListener(kPresetChanged, 0);
}
