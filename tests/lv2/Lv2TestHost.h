#pragma once
#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/urid/urid.h>
#include <lv2/options/options.h>
#include <lv2/worker/worker.h>

#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A small LV2 host on lilv, playing the part of a DAW for the tests: it loads a bundle, creates
// instances with the usual features (URID map, options with the block length, a worker run on
// request, state), fills the atom input with MIDI and time:Position, and runs host buffers.
class Lv2TestHost {
public:
    explicit Lv2TestHost(const std::string& bundleDir);
    ~Lv2TestHost();

    LilvWorld* world() const { return world_; }
    const LilvPlugin* plugin(const std::string& uri) const;
    LV2_URID map(const char* uri);
    const LV2_Feature* const* features() const { return featureList_.data(); }

    static LV2_URID mapCallback(LV2_URID_Map_Handle handle, const char* uri);
    static const char* unmapCallback(LV2_URID_Unmap_Handle handle, LV2_URID urid);

private:
    LilvWorld* world_ = nullptr;
    std::mutex mapMutex_;
    std::vector<std::string> uris_;
    LV2_URID_Map map_{this, mapCallback};
    LV2_URID_Unmap unmap_{this, unmapCallback};
    LV2_Feature mapFeature_{LV2_URID__map, &map_};
    LV2_Feature unmapFeature_{LV2_URID__unmap, &unmap_};
    std::vector<const LV2_Feature*> featureList_;
};

class Lv2TestInstance {
public:
    struct Options {
        double rate = 48000.0;
        int maxBlock = 4096;
        bool worker = true;
    };

    Lv2TestInstance(Lv2TestHost& host, const std::string& uri, const Options& options);
    ~Lv2TestInstance();
    bool valid() const { return instance_ != nullptr; }

    uint32_t portIndex(const std::string& symbol) const;
    void setControl(const std::string& symbol, float value);
    float control(const std::string& symbol) const;
    int numAudioInputs() const { return static_cast<int>(audioIn_.size()); }
    int numAudioOutputs() const { return static_cast<int>(audioOut_.size()); }
    void connectSideChain(bool connected) { sideChainConnected_ = connected; }

    // Events for the next run, in frame order.
    void midi(uint32_t frame, std::initializer_list<uint8_t> bytes);
    void position(uint32_t frame, float bpm, double beat, float speed);

    // One host buffer: main inputs (one vector per input port, read from `offset`), then outputs.
    void run(const std::vector<std::vector<float>>& inputs, std::vector<std::vector<float>>& outputs, size_t offset,
             uint32_t frames);
    // Whole signals in host buffers of `block` frames; events queued before go into the first.
    std::vector<std::vector<float>> render(const std::vector<std::vector<float>>& inputs, uint32_t block);

    // Runs the connected buffers as they are (nothing is copied or allocated).
    void runInPlace(uint32_t frames);
    float* outputBuffer(int c) { return audioBuffers_[audioOut_[static_cast<size_t>(c)]].data(); }
    float* inputBuffer(int c) { return audioBuffers_[audioIn_[static_cast<size_t>(c)]].data(); }

    LilvState* saveState();
    // With setPorts false the host leaves the control ports alone (a restore while running).
    void restoreState(const LilvState* state, bool setPorts = true);
    // Runs the worker jobs the plug-in asked for (the host's worker thread).
    int runPendingWork();
    int workRequests() const { return workRequests_; }
    LilvInstance* instance() const { return instance_; }

private:
    static LV2_Worker_Status scheduleWork(LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data);
    static const void* portValue(const char* symbol, void* data, uint32_t* size, uint32_t* type);
    static void setPortValue(const char* symbol, void* data, const void* value, uint32_t size, uint32_t type);
    void beginSequence();

    Lv2TestHost& host_;
    const LilvPlugin* plugin_ = nullptr;
    LilvInstance* instance_ = nullptr;
    Options options_;
    std::vector<std::string> symbols_;
    std::vector<float> controls_;
    std::vector<uint32_t> audioIn_, audioOut_, sideChain_;
    std::vector<std::vector<float>> audioBuffers_;
    uint32_t eventsPort_ = UINT32_MAX;
    std::vector<uint8_t> sequence_;
    LV2_Atom_Forge forge_;
    LV2_Atom_Forge_Frame frame_;
    bool sideChainConnected_ = false;
    int32_t maxBlock_ = 0, nominalBlock_ = 0;
    std::vector<LV2_Options_Option> optionList_;
    LV2_Worker_Schedule schedule_{this, scheduleWork};
    LV2_Feature scheduleFeature_{LV2_WORKER__schedule, &schedule_};
    LV2_Feature optionsFeature_{};
    std::vector<const LV2_Feature*> features_;
    int workRequests_ = 0;
    int pendingWork_ = 0;
};
