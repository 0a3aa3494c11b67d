#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/wave/Buffer.h"
#include "platform/NotifyEvent.h"

namespace wave {

class Producer;

// The shared processing context of one pull-driven graph: block size, sample rate, block counter
// and time, the update and reset lists, child environments and the silence buffer.
// Used only on the audio thread once processing has started.
class Environment {
public:
    // Told after the sample rate changed (registered listeners are called last to first).
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void sampleRateChanged(Environment& environment) = 0;
    };

    explicit Environment(int blockSize);
    // A child environment running at `factor` times the parent's rate (limited to 192 kHz).
    Environment(Environment& parent, int factor);
    virtual ~Environment();
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    int getBlockSize() const { return blockSize_; }
    float getSampleRate() const { return sampleRate_; }
    void setSampleRate(float rate);

    // The single listener set by the framework; fired with this environment as sender.
    NotifyEvent& sampleRateEvent() { return sampleRateEvent_; }
    void addListener(Listener* listener);
    void removeListener(Listener* listener);

    // Block counter and time are 64-bit: at one sample per chunk, or after 12.4 hours at 48 kHz,
    // a 32-bit count would overflow and every smoothing comparison would go wrong.
    std::int64_t getBlockCounter() const { return blockCounter_; }
    void advanceBlock();

    std::int64_t getCurrentTime() const { return currentTime_; }
    std::int64_t getResetTime() const { return resetTime_; }
    // Marks "now" as a restart: every ramp updated before it finishes at its next update.
    void restartTime() { resetTime_ = currentTime_; }

    // The per-chunk work after the outputs were pulled (see Producer for the flags).
    void run(int frames, int flags);
    // Restarts time and clears the state of every registered producer, recursively.
    void reset();
    // Clears the state of every registered producer, recursively, without restarting time.
    void resetProducers();

    Buffer& silence() { return silence_; }

    int getOversampling() const { return effectiveFactor_; }
    int getRequestedOversampling() const { return requestedFactor_; }
    Environment* getParent() const { return parent_; }
    int getProducerCount() const { return producerCount_; }

    // Registry access for producers.
    void producerCreated();
    void producerDestroyed();
    void insertUpdate(Producer* producer, int priority);
    void removeUpdate(Producer* producer, int priority);
    void insertReset(Producer* producer);
    void removeReset(Producer* producer);
    const std::vector<Producer*>& updateList() const { return updateList_; }

    static constexpr float kMaxChildRate = 192000.0f;

private:
    void applySampleRate(float rate);

    NotifyEvent sampleRateEvent_;
    std::vector<Listener*> listeners_;
    int blockSize_;
    int producerCount_ = 0;
    std::vector<Producer*> updateList_;
    int priorityZeroCount_ = 0;
    std::vector<Producer*> resetList_;
    std::int64_t resetTime_ = 0;
    std::int64_t currentTime_ = 0;
    float sampleRate_ = 44100.0f;
    std::vector<Environment*> children_;
    Environment* parent_ = nullptr;
    int requestedFactor_ = 1;
    int effectiveFactor_ = 1;
    std::int64_t blockCounter_ = 0;
    Buffer silence_;
};

}  // namespace wave
