#pragma once
#include <memory>

#include "engine/wave/Buffer.h"
#include "engine/wave/Environment.h"
#include "parameters/SwitchableTarget.h"

namespace wave {

// Render flags.
enum RenderFlags : int {
    kSkip = 1,          // advance time and state, produce no samples
    kPriorityZero = 2,  // rendered from the update list at priority 0
};

// Plain base of every graph node.
class Component {};

// A node that renders one output per block, at most once per block: pull() renders only when the
// block stamp is stale. The current output may point at the own buffer, the silence buffer or
// another producer's buffer. Audio thread only, except construction and wiring.
class Producer : public Component, public SwitchableTarget {
public:
    enum ConstructionFlags : int { kNoBuffer = 1 };

    explicit Producer(Environment& environment, int constructionFlags = 0);
    virtual ~Producer();
    Producer(const Producer&) = delete;
    Producer& operator=(const Producer&) = delete;

    // Render entry; forwards to render().
    virtual void process(Buffer& buffer, int frames, int flags) { render(buffer, frames, flags); }
    // Computes `frames` samples into `buffer` (the own buffer, or the silence buffer for producers
    // created without one, which must then point their output elsewhere and never write it).
    virtual void render(Buffer& buffer, int frames, int flags) = 0;
    // Clears internal state: on entering the reset list, on a sample-rate change, on every reset.
    virtual void resetState() {}

    // The current output for this block, rendering first when stale (unless the skip bit is set).
    Buffer* pull(int frames, int flags) {
        if (blockStamp_ != environment_.getBlockCounter() && !(flags & kSkip)) renderOwn(frames, flags);
        return output_;
    }
    // Renders into the own buffer and stamps, whatever the stamp says (the update list uses this).
    void renderOwn(int frames, int flags);

    Environment& getEnvironment() const { return environment_; }
    Buffer* getOutput() const { return output_; }
    bool isConstant() const { return constant_ != 0; }
    int getBlockStamp() const { return blockStamp_; }
    bool hasOwnBuffer() const { return ownBuffer_ != nullptr; }
    Buffer* getOwnBuffer() const { return ownBuffer_.get(); }

    bool isEnabled() const final { return enabled_; }
    void setEnabled(bool enabled) final;
    int getUpdatePriority() const { return updatePriority_; }
    // Puts the producer into the update list (0: front, 1: after the priority-0 entries, else end).
    void setUpdatePriority(int priority);
    void removeFromUpdates();
    // Puts the producer into the reset list and resets its state.
    void registerReset();
    bool isInUpdateList() const { return inUpdateList_; }
    bool isInResetList() const { return inResetList_; }

protected:
    void setOutput(Buffer* buffer) { output_ = buffer; }
    void setConstant(bool constant) { constant_ = constant ? 1 : 0; }
    // Points the output at the silence buffer, flagged constant.
    void outputSilence() {
        output_ = &environment_.silence();
        constant_ = 1;
    }

private:
    Environment& environment_;
    std::unique_ptr<Buffer> ownBuffer_;
    int updatePriority_ = 0;
    int constant_ = 0;
    bool enabled_ = true;
    bool inUpdateList_ = false;
    bool inResetList_ = false;
    int blockStamp_ = -1;
    Buffer* output_;
};

// A producer without an audio input (oscillators, mixers, routers, modulation producers).
class Source : public Producer {
public:
    using Producer::Producer;
};

}  // namespace wave
