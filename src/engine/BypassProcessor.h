#pragma once
#include <vector>

#include "engine/GenericPlugin.h"
#include "engine/wave/ValueRamp.h"

// The last stage of every chunk: blends processed and dry signal with a 50 ms crossfade when bypass
// switches, delays the dry signal by the plug-in's latency, and holds the processed signal back after
// leaving bypass until the latency has passed. Audio thread, except setLatencyCapacity().
class GenericPlugin::BypassProcessor {
public:
    static constexpr float kCrossfadeMs = 50.0f;

    // The flags word of a chunk.
    enum ChunkFlags : int {
        kInputSilent = 1,   // the input is silent: the tail countdown may run down
        kOutputSilent = 2,  // the processed output is silent
    };

    explicit BypassProcessor(GenericPlugin& plugin);
    virtual ~BypassProcessor() = default;

    void process(const float* const* inputs, float* const* outputs, int channels, int offset, int frames, int flags);

    // Turns towards bypass (1) or processing (0); from setBypass.
    void setState(bool bypassed);
    void jumpToEnd() { jumpToEnd_ = true; }
    // Allocates the dry delay lines for a latency (not on the audio thread).
    void prepareLatency(int latency);
    bool isWaitingForLatency() const { return waitingForLatency_; }
    const wave::ValueRamp& ramp() const { return ramp_; }

private:
    struct DelayLine {
        std::vector<float> ring;
        int mask = 0;
        int write = 0;
        int filled = 0;
    };
    void rebuildDelayLines(int latency);

    GenericPlugin& plugin_;
    wave::ValueRamp ramp_;
    bool state_ = false;
    bool waitingForLatency_ = false;
    int waitCountdown_ = 0;
    bool jumpToEnd_ = false;
    int builtLatency_ = 0;
    DelayLine lines_[2];
    int tailCountdown_ = -1;
    const float* processed_[2] = {nullptr, nullptr};
};
