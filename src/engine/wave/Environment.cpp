#include "engine/wave/Environment.h"

#include <algorithm>
#include <cmath>

#include "engine/wave/Producer.h"
#include "platform/Tolerance.h"

namespace wave {

Environment::Environment(int blockSize) : blockSize_(blockSize < 1 ? 1 : blockSize), silence_(blockSize_) {}

Environment::Environment(Environment& parent, int factor)
    : blockSize_(parent.blockSize_ * std::max(1, factor)),
      parent_(&parent),
      requestedFactor_(factor),
      silence_(blockSize_) {
    parent.children_.push_back(this);
    parent.applySampleRate(parent.sampleRate_);  // derive this child's rate now
    blockCounter_ = parent.blockCounter_;
}

Environment::~Environment() {
    if (parent_) {
        auto& siblings = parent_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    for (Environment* child : children_) child->parent_ = nullptr;
}

void Environment::addListener(Listener* listener) { listeners_.push_back(listener); }

void Environment::removeListener(Listener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void Environment::setSampleRate(float rate) {
    if (!(rate > 0.0f) || !std::isfinite(rate)) return;  // a host may report nonsense; keep the old rate
    applySampleRate(rate);
}

void Environment::applySampleRate(float rate) {
    float old = sampleRate_;
    sampleRate_ = rate;
    for (Environment* child : children_) {
        int factor = std::max(1, child->requestedFactor_);
        if (child->requestedFactor_ > 1) {
            while (factor > 1 && static_cast<float>(factor) * rate > kMaxChildRate) factor /= 2;
        }
        child->effectiveFactor_ = factor;
        child->applySampleRate(static_cast<float>(factor) * rate);
    }
    if (std::fabs(rate - old) > kTolerance) {
        reset();
        sampleRateEvent_.fire(this);
        for (auto it = listeners_.rbegin(); it != listeners_.rend(); ++it) (*it)->sampleRateChanged(*this);
    }
}

void Environment::advanceBlock() {
    ++blockCounter_;
    for (Environment* child : children_) child->advanceBlock();
}

void Environment::run(int frames, int flags) {
    if (!(flags & 1)) {
        // Index loop: entries stay put while rendering (producers never enable or disable others here).
        for (size_t i = 0; i < updateList_.size(); ++i) {
            Producer* p = updateList_[i];
            if (p->getUpdatePriority() == 0) {
                p->renderOwn(frames, 2);
            } else if (p->getBlockStamp() != blockCounter_) {
                p->renderOwn(frames, 1);
            }
        }
    }
    currentTime_ += frames;
    for (Environment* child : children_) child->run(frames, flags);
}

void Environment::reset() {
    restartTime();
    for (Producer* p : resetList_) p->resetState();
    for (Environment* child : children_) child->reset();
}

void Environment::resetProducers() {
    for (Producer* p : resetList_) p->resetState();
    for (Environment* child : children_) child->resetProducers();
}

void Environment::producerCreated() {
    ++producerCount_;
    // Both lists can then take every producer without growing while audio runs.
    updateList_.reserve(static_cast<size_t>(producerCount_));
    resetList_.reserve(static_cast<size_t>(producerCount_));
}

void Environment::producerDestroyed() { --producerCount_; }

void Environment::insertUpdate(Producer* producer, int priority) {
    if (priority == 0) {
        updateList_.insert(updateList_.begin(), producer);
        ++priorityZeroCount_;
    } else if (priority == 1) {
        updateList_.insert(updateList_.begin() + priorityZeroCount_, producer);
    } else {
        updateList_.push_back(producer);
    }
}

void Environment::removeUpdate(Producer* producer, int priority) {
    auto it = std::find(updateList_.begin(), updateList_.end(), producer);
    if (it == updateList_.end()) return;
    updateList_.erase(it);
    if (priority == 0) --priorityZeroCount_;
}

void Environment::insertReset(Producer* producer) { resetList_.push_back(producer); }

void Environment::removeReset(Producer* producer) {
    resetList_.erase(std::remove(resetList_.begin(), resetList_.end(), producer), resetList_.end());
}

}  // namespace wave
