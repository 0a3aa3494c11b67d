#include "engine/wave/Producer.h"

namespace wave {

Producer::Producer(Environment& environment, int constructionFlags)
    : environment_(environment), output_(&environment.silence()) {
    if (!(constructionFlags & kNoBuffer)) ownBuffer_ = std::make_unique<Buffer>(environment.getBlockSize());
    environment_.producerCreated();
}

Producer::~Producer() {
    if (enabled_) {
        if (inUpdateList_) environment_.removeUpdate(this, updatePriority_);
        if (inResetList_) environment_.removeReset(this);
    }
    environment_.producerDestroyed();
}

void Producer::renderOwn(int frames, int flags) {
    if (ownBuffer_) output_ = ownBuffer_.get();
    process(ownBuffer_ ? *ownBuffer_ : environment_.silence(), frames, flags);
    blockStamp_ = environment_.getBlockCounter();
}

void Producer::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    if (enabled_) {
        if (inUpdateList_) environment_.removeUpdate(this, updatePriority_);
        if (inResetList_) environment_.removeReset(this);
    }
    enabled_ = enabled;
    if (enabled_) {
        if (inUpdateList_) environment_.insertUpdate(this, updatePriority_);
        if (inResetList_) {
            environment_.insertReset(this);
            resetState();
        }
    }
}

void Producer::setUpdatePriority(int priority) {
    if (enabled_) {
        if (inUpdateList_) environment_.removeUpdate(this, updatePriority_);
        environment_.insertUpdate(this, priority);
    }
    updatePriority_ = priority;
    inUpdateList_ = true;
}

void Producer::removeFromUpdates() {
    if (!inUpdateList_) return;
    if (enabled_) environment_.removeUpdate(this, updatePriority_);
    inUpdateList_ = false;
}

void Producer::registerReset() {
    if (inResetList_) return;
    inResetList_ = true;
    if (enabled_) {
        environment_.insertReset(this);
        resetState();
    }
}

}  // namespace wave
