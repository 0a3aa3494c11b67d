#pragma once
#include <cstdint>
#include <vector>

#include "platform/NotifyEvent.h"

// Carries (code, data) pairs from any thread to the thread that owns the queue. post() may be
// called on any thread, the audio thread included; delivery happens later on the owning thread.
// For every delivered pair the queue stores code and data (getCode/getData), fires its
// NotifyEvent with itself as the sender, and then calls the registered listeners from the last
// registered to the first.
//
// Listeners are added, removed and called on the owning thread only. A listener may add or remove
// listeners (itself included) while it is being called: a removed listener is not called again,
// an added one is first called for the next pair.
class AsyncEventQueue {
public:
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void asyncEventReceived(AsyncEventQueue& queue, int code, std::intptr_t data) = 0;
    };

    AsyncEventQueue() = default;
    virtual ~AsyncEventQueue() = default;
    AsyncEventQueue(const AsyncEventQueue&) = delete;
    AsyncEventQueue& operator=(const AsyncEventQueue&) = delete;

    // Any thread; never allocates or blocks. False when the pair was dropped.
    virtual bool post(int code, std::intptr_t data) = 0;
    // Makes the calling thread the one that receives the pairs from now on.
    virtual void bindToCurrentThread() = 0;
    virtual bool isOwnerThread() const = 0;

    // A listener is registered at most once; adding it again does nothing.
    void addListener(Listener* listener);
    void removeListener(Listener* listener);
    std::size_t getListenerCount() const;

    NotifyEvent& getNotifyEvent() { return event_; }
    // The pair delivered last (or being delivered).
    int getCode() const { return code_; }
    std::intptr_t getData() const { return data_; }

protected:
    // Owning thread: stores the pair, fires the event, calls the listeners last to first.
    void deliver(int code, std::intptr_t data);

private:
    NotifyEvent event_;
    int code_ = 0;
    std::intptr_t data_ = 0;
    // Removed entries become null while a delivery runs and are compacted when it ends.
    std::vector<Listener*> listeners_;
    int deliveryDepth_ = 0;
    bool hasRemovedEntries_ = false;
};
