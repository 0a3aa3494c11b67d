#pragma once
#include <memory>

// A single-subscriber notification. The event holds at most one handler; firing calls the
// bound member function with the sender. Setting a handler replaces the previous one.
class NotifyEvent {
public:
    class Handler {
    public:
        virtual ~Handler() = default;
        virtual void call(void* sender) = 0;
    };

    // Binds an object and one of its member functions taking the sender.
    template <class T>
    class HandlerImpl final : public Handler {
    public:
        using Method = void (T::*)(void* sender);
        HandlerImpl(T* object, Method method) : object_(object), method_(method) {}
        void call(void* sender) override { (object_->*method_)(sender); }

    private:
        T* object_;
        Method method_;
    };

    template <class T>
    void bind(T* object, typename HandlerImpl<T>::Method method) {
        handler_ = std::make_unique<HandlerImpl<T>>(object, method);
    }
    void setHandler(std::unique_ptr<Handler> handler) { handler_ = std::move(handler); }
    void clear() { handler_.reset(); }
    bool isBound() const { return handler_ != nullptr; }

    void fire(void* sender) const {
        if (handler_) handler_->call(sender);
    }

private:
    std::unique_ptr<Handler> handler_;
};
