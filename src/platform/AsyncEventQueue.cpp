#include "platform/AsyncEventQueue.h"

#include <algorithm>

void AsyncEventQueue::addListener(Listener* listener) {
    if (!listener) return;
    if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end()) return;
    listeners_.push_back(listener);
}

void AsyncEventQueue::removeListener(Listener* listener) {
    auto it = std::find(listeners_.begin(), listeners_.end(), listener);
    if (it == listeners_.end() || !listener) return;
    if (deliveryDepth_ > 0) {
        // Keep the indices of a running delivery valid.
        *it = nullptr;
        hasRemovedEntries_ = true;
    } else {
        listeners_.erase(it);
    }
}

std::size_t AsyncEventQueue::getListenerCount() const {
    return static_cast<std::size_t>(std::count_if(listeners_.begin(), listeners_.end(), [](Listener* l) { return l != nullptr; }));
}

void AsyncEventQueue::deliver(int code, std::intptr_t data) {
    code_ = code;
    data_ = data;
    ++deliveryDepth_;
    event_.fire(this);
    // Listeners added during this delivery sit past `count` and wait for the next pair.
    const std::size_t count = listeners_.size();
    for (std::size_t i = count; i-- > 0;) {
        if (Listener* listener = listeners_[i]) listener->asyncEventReceived(*this, code, data);
    }
    if (--deliveryDepth_ == 0 && hasRemovedEntries_) {
        listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), nullptr), listeners_.end());
        hasRemovedEntries_ = false;
    }
}
