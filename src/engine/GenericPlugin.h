#pragma once
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/CurrentPreset.h"
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
// context, the channels, MIDI input, bypass and latency, settings, and the notification paths to the
// host adapter and the editor. A product derives from it, declares its parameters, calls init() and
// builds its channels.
//
// Threads: processBlock, reset, setTransport, setBypass(.., 0), receiveMidi and the sample rate are the
// host's audio thread; setParameter, beginUpdate/endUpdate and loadPreset any parameter thread;
// setEditor the user-interface thread.
class GenericPlugin : public GenericParameterOwner, public MidiMessageReceiver {
public:
    class Channel;
    class BypassProcessor;

    enum MidiState { MidiEnabled = 0, MidiDisabled = 1 };

    // Listener event codes.
    static constexpr int kParameterChanged = -1025;  // value: parameter index or -1 for all
    static constexpr int kPresetChanged = -1026;     // value: 0
    static constexpr int kMidiActivity = -1027;      // value: 0

    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void pluginNotification(int code, int value) = 0;
    };

    // The host adapter's side.
    class Adapter {
    public:
        virtual ~Adapter() = default;
        virtual void latencyChanged() = 0;
        virtual void parameterChanged(int index) = 0;  // -1: every parameter
        virtual void presetChanged() = 0;
    };

    explicit GenericPlugin(int numChannels);
    ~GenericPlugin() override;
    GenericPlugin(const GenericPlugin&) = delete;
    GenericPlugin& operator=(const GenericPlugin&) = delete;

    // GenericParameterOwner
    void beginUpdate() override;
    void endUpdate() override;
    AbstractPluginParameter* getParameter(int index) override;
    int getGroupIndex() override { return 0; }
    int getNumParameters() override { return static_cast<int>(parameters_.size()); }
    void setParameter(int index, float value, int flags) override;
    int addParameter(AbstractPluginParameter* parameter) override;
    int registerName(const std::string& name) override;

    // MidiMessageReceiver: queues the message for the next processBlock (audio thread).
    void receiveMidi(const MidiMessage& message) override;

    // Product information and hooks.
    virtual int getCategory() { return isEffect() ? 2 : 1; }
    virtual std::string getDefaultPresetName() { return isEffect() ? "Default Setting" : "Default Sound"; }
    virtual int getTailLength() { return -1; }
    virtual std::string getPluginId() = 0;
    virtual int getMaxEditorHeight() { return getEditorHeight(); }
    virtual int getMaxEditorWidth() { return getEditorWidth(); }
    virtual bool isEffect() { return true; }
    virtual int getEditorHeight() { return 0; }
    virtual int getEditorWidth() { return 0; }
    virtual bool hasHostPageTable() { return false; }
    virtual void noteOff(int /*key*/, float /*velocity*/) {}
    virtual void noteOn(int /*key*/, float /*velocity*/, int /*channel*/) {}
    virtual void reset();
    virtual void tempoChanged(float /*bpm*/, float /*position*/) {}
    virtual int getBlockSize() { return environment_ ? environment_->getBlockSize() : 0; }
    virtual std::string getPresetExtension() { return ".zxp"; }
    virtual bool hasSideChain() { return false; }
    virtual void parameterChanged(int index);
    virtual void applyQueuedChanges();
    virtual void processChannels(const float** buffers, int count, int frames);
    virtual void sampleRateChanged() {}
    // Loads a preset file into the parameters; returns success.
    virtual bool loadPresetData(const std::string& path);
    void setCurrentPresetName(const std::string& name, int prefixLength = -1);

    // Once per instance from the product constructor, after the parameters were declared.
    void init(const std::string& productName);

    // Audio thread entries.
    void processBlock(const float* const* inputs, int numInputs, float* const* outputs, int numChannels, int frames);
    void setTransport(float bpm, float position);
    void setSampleRate(float rate);
    void setBypass(bool on, int source);

    // Parameter-thread entries.
    bool loadPreset(const std::string& path);
    // Attaches (or with nullptr detaches) the editor; returns once no notification is in flight.
    void setEditor(Listener* listener);
    void setAdapter(Adapter* adapter) { adapter_ = adapter; }

    int getNumChannels() const { return numChannels_; }
    wave::Environment& getEnvironment() { return *environment_; }
    const std::vector<Channel*>& getChannels() const { return channels_; }
    int getLatency() const { return latency_; }
    void setLatency(int samples);
    int getCurrentBlockLength() const { return currentBlockLength_; }
    float getSongPosition() const { return static_cast<float>(songPosition_); }
    void setSideChainConnected(bool connected) { sideChainConnected_ = connected; }
    bool isSideChainConnected() const { return sideChainConnected_; }
    bool isBypassed() const { return bypassRequest_[0] || bypassRequest_[1]; }
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
    virtual void initShared(const std::string& /*productName*/) {}
    virtual void shutdownShared();

    void setMidiParameter(AbstractPluginParameter* parameter) { midiParameter_ = parameter; }
    void setBypassParameter(AbstractPluginParameter* parameter) { bypassParameter_ = parameter; }
    // Parameters whose values survive preset loads.
    void addKeptAcrossPresets(AbstractPluginParameter* parameter) { keptAcrossPresets_.push_back(parameter); }
    void setLoadingDefaultPreset(bool loading) { loadingDefaultPreset_ = loading; }
    // Sends a listener notification inside the in-use bracket.
    void notifyListener(int code, int value);

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

    int numChannels_;
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
    std::vector<Channel*> channels_;
    std::vector<AbstractPluginParameter*> keptAcrossPresets_;
    std::vector<float> keptValues_;
    bool loadingDefaultPreset_ = false;
    bool sideChainConnected_ = false;
    bool initialised_ = false;
    double songPosition_ = 0.0;  // double: summed once per host buffer, it must not drift
    float lastReportedPosition_ = 0.0f;
    std::atomic<int> droppedChanges_{0};
    std::atomic<bool> resyncPending_{false};
    int numInputs_ = 0;
    const float* const* inputs_ = nullptr;
};
