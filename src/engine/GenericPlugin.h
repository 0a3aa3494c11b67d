#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/CurrentPreset.h"
#include "engine/GlobalSettings.h"
#include "engine/MidiMessage.h"
#include "engine/PluginSettings.h"
#include "engine/wave/Environment.h"
#include "engine/wave/Input.h"
#include "parameters/AbstractPluginParameter.h"
#include "parameters/GenericParameterOwner.h"
#include "platform/MpscQueue.h"
#include "platform/PosixAsyncEventQueue.h"
#include "platform/SpscQueue.h"

// The product-independent audio side of the plug-in: the parameter list and queue, the processing
// context, the channels, MIDI input, bypass and latency, settings, the complete state in memory, and
// the notification paths to the host adapter and the editor. A product derives from it with its
// ProductInfo, declares its parameters, calls init() and builds its channels.
//
// The operations a host adapter calls are grouped below by the thread they belong to. "Audio
// thread" means the host's processing thread: never allocate, lock, wait or do I/O there.
// "Parameter thread" means any host or editor thread other than the audio thread.
class GenericPlugin : public GenericParameterOwner, public MidiMessageReceiver {
public:
    class Channel;
    class BypassProcessor;
    struct Snapshot;
    class StateList;
    class UndoHistory;
    class CompareStates;

    enum MidiState { MidiEnabled = 0, MidiDisabled = 1 };

    // Who asks for bypass; the plug-in is bypassed while either asks.
    enum BypassSource : int {
        kBypassFromHost = 0,       // the host's master bypass
        kBypassFromParameter = 1,  // the product's own bypass parameter
    };

    // Host plug-in categories (the adapters map them to their host's codes).
    enum Category : int {
        kCategoryUnknown = 0,
        kCategoryInstrument = 1,
        kCategoryEffect = 2,
        kCategoryDelay = 3,
        kCategoryDynamics = 4,
        kCategoryEq = 5,
        kCategoryHarmonic = 6,
    };

    // A tail length that never ends: the plug-in keeps processing after its input fell silent.
    static constexpr int kInfiniteTail = -1;

    // What the framework and the host adapters need to know about the product, as plain values.
    // The product fills one record and hands it to the constructor; it never changes afterwards.
    struct ProductInfo {
        std::string name;                 // product name, given to initShared()
        std::string pluginId;             // four characters; also the magic of state and preset files
        int majorVersion = 1;             // names the settings key and the product's folders
        int category = kCategoryEffect;
        bool isEffect = true;             // false: an instrument, whose inputs are not read
        bool supportsMono = false;        // a mono variant may be offered to the host
        bool hasSideChain = false;        // inputs numChannels.. carry a side chain when connected
        bool hasHostPageTable = false;
        int tailLength = kInfiniteTail;   // samples to keep processing after silent input
        std::string presetExtension = ".zxp";
        std::string defaultPresetName = "Default Setting";
        int editorWidth = 0;              // the smallest editor size
        int editorHeight = 0;
        int maxEditorWidth = 0;           // the largest editor size
        int maxEditorHeight = 0;
    };

    // Listener event codes.
    static constexpr int kParameterChanged = -1025;  // value: parameter index or -1 for all
    static constexpr int kPresetChanged = -1026;     // value: 0
    static constexpr int kMidiActivity = -1027;      // value: 0

    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void pluginNotification(int code, int value) = 0;
    };

    // The host adapter's side. latencyChanged() may come on the audio thread (from processing) or on
    // a parameter thread; parameterChanged() and presetChanged() on the thread that changed the value.
    class Adapter {
    public:
        virtual ~Adapter() = default;
        virtual void latencyChanged() = 0;
        virtual void parameterChanged(int index) = 0;  // -1: every parameter
        virtual void presetChanged() = 0;
    };

    // Set-up thread (the host's thread that creates the instance).
    GenericPlugin(int numChannels, ProductInfo info);
    ~GenericPlugin() override;
    GenericPlugin(const GenericPlugin&) = delete;
    GenericPlugin& operator=(const GenericPlugin&) = delete;

    // ---- Audio thread -------------------------------------------------------------------------
    // Audio thread, once per host buffer: missing inputs read as silence; never allocates or locks.
    void processBlock(const float* const* inputs, int numInputs, float* const* outputs, int numChannels, int frames);
    // Audio thread, before processBlock for the same buffer; non-finite values fall back safely.
    void setTransport(float bpm, float position);
    // Audio thread, between buffers (never during processBlock); a change within the tolerance is
    // ignored.
    void setSampleRate(float rate);
    // Audio thread; an unknown source is ignored. Crossfades, so it never clicks.
    void setBypass(bool on, BypassSource source);
    // Audio thread, when the host asks for a reset; clears every filter state, allocates nothing.
    virtual void reset();
    // Audio thread, one thread only (the queue has a single producer): queues the message for the
    // next processBlock; a full queue drops it instead of waiting.
    void receiveMidi(const MidiMessage& message) override;

    // ---- Parameter thread (host or editor, never the audio thread) ------------------------------
    // Any thread but the audio thread; every call must be paired with endUpdate().
    void beginUpdate() override;
    // Any thread but the audio thread; closing the outermost batch sends one notification.
    void endUpdate() override;
    // Any thread but the audio thread: queues the value; flags: kFromHost suppresses the echo to
    // the host. Never blocks; a full queue makes the audio thread resynchronise every parameter.
    void setParameter(int index, float value, int flags) override;
    // Parameter thread: loads a preset file in one batch; false (nothing changed) for a bad file.
    bool loadPreset(const std::string& path);
    // Parameter thread: the complete state in the full-preset format; empty when it cannot be built.
    std::vector<uint8_t> saveState();
    // Parameter thread: restores a state from saveState (or an older preset generation) in one
    // batch, every value included; false for bytes no loader accepts. Not on the audio thread.
    bool loadState(const std::vector<uint8_t>& bytes) { return loadState(bytes.data(), bytes.size()); }
    bool loadState(const uint8_t* data, size_t size);
    // Parameter thread: writes the full state as a preset file, then the file becomes the current
    // preset (name and path, not modified), the preset folders are rescanned and host and editor are
    // told. False (nothing else changes) when the file was not written.
    bool savePresetFile(const std::string& path);
    // Parameter thread: loads preset bytes that have no file of their own (a factory preset read
    // from the program's archive); the current preset takes `name` and no path.
    bool loadPresetFromMemory(const std::string& name, const uint8_t* data, size_t size);
    // "Lead" for ".../Lead.zxp": the file name without folder and extension.
    static std::string presetNameOf(const std::string& path);
    // Parameter thread (the editor's): every parameter value, the current preset's name, path and
    // modified flag, and the current A/B slot.
    void captureSnapshot(Snapshot& snapshot);
    // Parameter thread: applies a snapshot in one update batch without smoothing, then takes over
    // its preset name, path and modified flag (telling host and editor when the preset changed).
    void restoreSnapshot(const Snapshot& snapshot);
    // Editor thread: the undo ring and the A/B slots (null before init()).
    UndoHistory* undoHistory() { return undoHistory_.get(); }
    CompareStates* compareStates() { return compareStates_.get(); }
    // Parameter thread: the name shown for the current preset (the host restores it with the state).
    void setCurrentPresetName(const std::string& name, int prefixLength = -1);
    // Any thread: the seed of this instance's random generator (random XLFO steps and the like).
    // The sources restart from it at the next processBlock or reset, so two runs with the same seed
    // and the same input are bit-identical. Without a call, the seed comes from the clock.
    void setRandomSeed(uint32_t seed);
    uint32_t getRandomSeed() const { return randomSeed_.load(); }

    // ---- User-interface thread -----------------------------------------------------------------
    // User-interface thread: attaches (or with nullptr detaches) the editor; returns once no
    // notification is in flight, so never call it from inside a notification.
    void setEditor(Listener* listener);
    // User-interface thread: the current editor size (it may follow the user's settings).
    virtual int getEditorWidth() { return info_.editorWidth; }
    virtual int getEditorHeight() { return info_.editorHeight; }

    // ---- Set-up (before processing starts, or with processing stopped) -------------------------
    // Set-up thread: the adapter that receives host notifications; not while processing.
    void setAdapter(Adapter* adapter) { adapter_ = adapter; }
    // Set-up or audio thread: whether the host connected a side chain to inputs numChannels...
    void setSideChainConnected(bool connected) { sideChainConnected_ = connected; }
    // Any thread: the product's facts.
    const ProductInfo& productInfo() const { return info_; }

    // GenericParameterOwner
    AbstractPluginParameter* getParameter(int index) override;
    int getGroupIndex() override { return 0; }
    int getNumParameters() override { return static_cast<int>(parameters_.size()); }
    int addParameter(AbstractPluginParameter* parameter) override;
    int registerName(const std::string& name) override;

    // Product hooks.
    virtual void noteOff(int /*key*/, float /*velocity*/) {}
    virtual void noteOn(int /*key*/, float /*velocity*/, int /*channel*/) {}
    virtual void tempoChanged(float /*bpm*/, float /*position*/) {}
    virtual int getBlockSize() { return environment_ ? environment_->getBlockSize() : 0; }
    virtual void parameterChanged(int index);
    virtual void applyQueuedChanges();
    virtual void processChannels(const float** buffers, int count, int frames);
    virtual void sampleRateChanged() {}
    // Loads a preset file into the parameters; returns success.
    virtual bool loadPresetData(const std::string& path);
    // Writes the full state as a preset file; false when it was not written completely.
    virtual bool writePresetFile(const std::string& /*path*/) { return false; }
    // Non-real-time thread (the host's worker, the renderer between buffers): work the audio thread
    // asked for, such as a preset load for a MIDI program change. Never on the audio thread.
    virtual void performDeferredWork() {}

    // User-interface or set-up thread: writes the shared and this instance's settings when the
    // program's storage may be written; false otherwise or when the write failed.
    bool saveSettings();
    // The settings store of this product on the program's folders (see PluginStorage).
    GlobalSettings globalSettings() const;

    // Once per instance from the product constructor, after the parameters were declared.
    void init();

    int getNumChannels() const { return numChannels_; }
    wave::Environment& getEnvironment() { return *environment_; }
    const std::vector<Channel*>& getChannels() const { return channels_; }
    int getLatency() const { return latency_; }
    void setLatency(int samples);
    int getCurrentBlockLength() const { return currentBlockLength_; }
    float getSongPosition() const { return static_cast<float>(songPosition_); }
    bool isSideChainConnected() const { return sideChainConnected_; }
    bool isBypassed() const { return bypassRequest_[kBypassFromHost] || bypassRequest_[kBypassFromParameter]; }
    int getMidiState() const { return midiState_; }
    CurrentPreset& currentPreset() { return currentPreset_; }
    // Carries audio-side events to the thread that attached the editor (its loop drains it).
    PosixAsyncEventQueue& eventQueue() { return *eventQueue_; }
    PluginSettings& settings() { return *settings_; }
    static SharedPluginSettings* sharedSettings();
    const std::vector<std::string>& getNames() const { return names_; }
    // Parameter changes refused because the queue was full (they are re-sent as a full resync).
    int getDroppedChanges() const { return droppedChanges_.load(); }
    BypassProcessor& bypassProcessor() { return *bypass_; }

    // Registered with the channel vector by Channel's constructor.
    void addChannel(Channel* channel) { channels_.push_back(channel); }

protected:
    // Called first by setParameter (any thread).
    virtual void parameterHook(int /*index*/, float /*value*/) {}
    virtual std::unique_ptr<PluginSettings> createSettings();
    virtual std::unique_ptr<SharedPluginSettings> createSharedSettings();
    // The receiver of decoded MIDI; none in the framework itself.
    virtual std::unique_ptr<MidiMessageReceiver> createEventReceiver() { return nullptr; }
    // First instance of the process, after the settings were read: the product's shared set-up
    // (preset folders, factory content). `firstStart` is true when no settings were ever stored.
    virtual void initShared(const std::string& /*productName*/, bool /*firstStart*/) {}
    // Last instance of the process: saves the shared settings; products release their shared objects.
    virtual void shutdownShared();
    // Leaves the process-wide set-up (the last instance runs shutdownShared). A product whose
    // shutdownShared does work of its own calls it first thing in its destructor, while the
    // product's override can still be reached; later calls do nothing.
    void releaseShared();
    // The MIDI controller map of the process: read from the user's file, built from the program's
    // resources, written back. The framework keeps no map, so reading fails.
    virtual bool readMidiControllerMap() { return false; }
    virtual void installDefaultMidiControllerMap() {}
    virtual bool saveMidiControllerMap() { return false; }
    // Called after a preset file was written: the product rescans the folders that show it.
    virtual void presetFileWritten(const std::string& /*path*/) {}

    void setMidiParameter(AbstractPluginParameter* parameter) { midiParameter_ = parameter; }
    void setBypassParameter(AbstractPluginParameter* parameter) { bypassParameter_ = parameter; }
    // Parameters whose values survive preset loads.
    void addKeptAcrossPresets(AbstractPluginParameter* parameter) { keptAcrossPresets_.push_back(parameter); }
    void setLoadingDefaultPreset(bool loading) { loadingDefaultPreset_ = loading; }
    // Sends a listener notification inside the in-use bracket.
    void notifyListener(int code, int value);

    // The state in memory (parameter thread, inside loadState's or saveState's call): the product
    // writes every parameter in the full-preset format and reads it back through its preset loaders.
    // The framework has no format of its own, so the defaults refuse.
    virtual bool writeStateData(std::vector<uint8_t>& /*out*/) { return false; }
    virtual bool loadStateData(const uint8_t* /*data*/, size_t /*size*/) { return false; }

    // The next number of this instance's random generator: at construction, and on the audio thread
    // from reseedRandom(). Allocates nothing.
    uint32_t drawRandomSeed() { return static_cast<uint32_t>(random_()); }
    // Audio thread (or construction): the generator was restarted from a new seed, so every random
    // source draws its own seed again with drawRandomSeed().
    virtual void reseedRandom() {}

private:
    friend class BypassProcessor;
    struct ParameterChange {
        int index = 0;
        float value = 0.0f;
    };
    static constexpr int kRestartMarker = -1;
    void setIoPointers(const float* const* inputs, int numInputs, int frames);
    void decode(const MidiMessage& message);
    void resyncAllParameters();
    // One update batch around a load: keeps the kept-across-presets values when asked, queues the
    // time restart so the new values take effect without smoothing, and notifies once.
    bool loadInBatch(const std::function<bool()>& load, bool keepAcrossPresets);
    void applyPendingSeed();

    int numChannels_;
    ProductInfo info_;
    std::vector<AbstractPluginParameter*> parameters_;
    std::vector<std::string> names_;
    std::unique_ptr<MpscQueue<ParameterChange>> parameterQueue_;
    SpscQueue<MidiMessage> midiQueue_;
    std::atomic<int> updateCounter_{0};
    std::atomic<bool> notificationDeferred_{false};
    std::atomic<Listener*> listener_{nullptr};
    std::atomic<int> listenerInUse_{0};
    Adapter* adapter_ = nullptr;
    int latency_ = 0;
    int currentBlockLength_ = 0;
    AbstractPluginParameter* midiParameter_ = nullptr;
    int midiState_ = MidiEnabled;
    AbstractPluginParameter* bypassParameter_ = nullptr;
    bool bypassRequest_[2] = {false, false};
    CurrentPreset currentPreset_;
    std::thread::id creatorThread_;
    std::unique_ptr<PosixAsyncEventQueue> eventQueue_;
    std::unique_ptr<wave::Environment> environment_;
    std::unique_ptr<MidiMessageReceiver> eventReceiver_;
    std::unique_ptr<PluginSettings> settings_;
    std::unique_ptr<BypassProcessor> bypass_;
    std::unique_ptr<UndoHistory> undoHistory_;
    std::unique_ptr<CompareStates> compareStates_;
    std::vector<Channel*> channels_;
    std::vector<AbstractPluginParameter*> keptAcrossPresets_;
    std::vector<float> keptValues_;
    bool loadingDefaultPreset_ = false;
    bool sideChainConnected_ = false;
    bool initialised_ = false;
    bool released_ = false;
    double songPosition_ = 0.0;  // double: summed once per host buffer, it must not drift
    float lastReportedPosition_ = 0.0f;
    std::atomic<int> droppedChanges_{0};
    std::atomic<bool> resyncPending_{false};
    int numInputs_ = 0;
    const float* const* inputs_ = nullptr;
    std::mt19937 random_;
    std::atomic<uint32_t> randomSeed_{0};
    std::atomic<bool> reseedPending_{false};
};
