#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include "host/lv2/Lv2PortLayout.h"
#include "host/lv2/Lv2Transport.h"
#include "platform/AsyncEventQueue.h"

class KestrumPlugin;
class AbstractPluginParameter;

// One LV2 instance: a KestrumPlugin behind the bundle's ports.
//
// Threads, as LV2 defines them: construction, activate() and the destructor on the host's
// instantiation thread; connect() and run() on the audio thread (run never allocates, locks, waits
// or does I/O); save() and restore() on any non-audio thread, restore() also while run() goes on,
// because values reach the audio thread only through the framework's update batch and queue;
// work() on the host's worker thread; workResponse() on the audio thread.
class Lv2Plugin {
public:
    // Work done off the audio thread on the plug-in's request (worker thread).
    using WorkHandler = std::function<void()>;

    // Null when a required feature is missing.
    static std::unique_ptr<Lv2Plugin> create(Lv2PortLayout::Variant variant, double sampleRate,
                                             const LV2_Feature* const* features);
    ~Lv2Plugin();

    void connect(uint32_t port, void* data);
    void activate();
    void run(uint32_t frames);

    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle);
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);
    LV2_Worker_Status work();

    // Audio thread: asks the host's worker to run the work handler; ignored without a worker.
    bool requestWork();
    // Set-up: what the worker does. By default it loads the preset of a pending MIDI program change.
    void setWorkHandler(WorkHandler handler) { workHandler_ = std::move(handler); }

    KestrumPlugin& plugin() { return *plugin_; }
    const Lv2PortLayout& layout() const { return layout_; }
    // Frames processed per framework call at most (the host's maximum block length when offered).
    int maxPiece() const { return maxPiece_; }

private:
    // Raised by the MIDI receiver (on the audio thread) when a program change waits for a load.
    class WorkSignal final : public AsyncEventQueue {
    public:
        bool post(int, std::intptr_t) override {
            raised_.store(true);
            return true;
        }
        void bindToCurrentThread() override {}
        bool isOwnerThread() const override { return true; }
        bool take() { return raised_.exchange(false); }

    private:
        std::atomic<bool> raised_{false};
    };

    Lv2Plugin(Lv2PortLayout::Variant variant, double sampleRate, const LV2_Feature* const* features);
    void readFeatures(const LV2_Feature* const* features);
    void applyControlChanges();
    void processPiece(uint32_t from, uint32_t to);

    // Declared first so that it outlives the plug-in, whose MIDI receiver posts to it.
    WorkSignal workSignal_;
    Lv2PortLayout layout_;
    double sampleRate_;
    std::unique_ptr<KestrumPlugin> plugin_;
    std::vector<AbstractPluginParameter*> parameters_;
    std::vector<const float*> controls_;
    std::vector<float> lastSeen_;
    const float* input_[2] = {nullptr, nullptr};
    float* output_[2] = {nullptr, nullptr};
    const float* sideChain_[2] = {nullptr, nullptr};
    const LV2_Atom_Sequence* events_ = nullptr;
    float* latency_ = nullptr;
    const float* enabled_ = nullptr;
    float lastEnabled_ = 1.0f;
    std::vector<float> scratch_;  // copies of inputs that the host shares with outputs
    int maxPiece_ = 8192;
    std::atomic<bool> baselinePending_{false};
    bool resetPending_ = true;

    const LV2_URID_Map* map_ = nullptr;
    LV2_URID midiEvent_ = 0, atomObject_ = 0, atomBlank_ = 0, timePosition_ = 0, atomChunk_ = 0, atomString_ = 0, atomInt_ = 0;
    LV2_URID stateKey_ = 0, nameKey_ = 0;
    Lv2Transport transport_;
    const LV2_Worker_Schedule* schedule_ = nullptr;
    WorkHandler workHandler_;
};
