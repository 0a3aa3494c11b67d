#pragma once
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "gui/BackBuffer.h"
#include "gui/DrawingControl.h"
#include "gui/FramePacing.h"
#include "gui/GLBackend.h"
#include "gui/GLRequirements.h"
#include "gui/RefreshTiming.h"
#include "platform/LockedObject.h"

namespace gui {

// Shows the window's picture through OpenGL from a render thread of its own. The tree is still
// painted with Cairo into the back buffer (inside the window's lock); the thread uploads what
// changed into one texture and draws it, premultiplied, at the pacing FramePacing gives.
class AcceleratedControl final : public DrawingControl {
public:
    // Draws one picture rectangle (device pixels) into the window without OpenGL.
    using FirstFrame = std::function<void(const BackBuffer& picture, const Rect& deviceRect)>;

    AcceleratedControl(std::unique_ptr<GLBackend> backend, const LockedObject& lock, BackBuffer::Painter painter,
                       int setting, FirstFrame firstFrame, RefreshTiming* timing = nullptr);
    ~AcceleratedControl() override;

    // Creates and checks the context. True only when everything the path needs is there; the
    // caller then keeps this control, otherwise it destroys it and uses the software one.
    bool initialise();
    GLRequirements::Verdict getVerdict() const { return verdict_; }
    bool isInitialised() const { return initialised_; }

    bool isAccelerated() const override { return true; }
    void invalidate(const Rect& rect) override { buffer_.invalidate(rect); }
    void exposed(const Rect& deviceRect) override;
    void paintPending() override;
    void resize(int deviceWidth, int deviceHeight, double scale) override;
    void stop() override;

    bool isThreadRunning() const { return thread_.joinable(); }
    const FramePacing& getPacing() const { return pacing_; }
    long getIterations() const { return iterations_.load(); }
    long getFramesDrawn() const { return framesDrawn_.load(); }
    // Iterations whose turn it was to render (whether or not anything had changed).
    long getFramesDue() const { return framesDue_.load(); }

private:
    void threadMain();
    // Paints and uploads what changed; true when the picture on screen must be redrawn.
    bool renderFrame();
    double latenessMs();
    // Waits on the stop event; true when stopping.
    bool waitForStop(int ms);

    std::unique_ptr<GLBackend> backend_;
    const LockedObject& lock_;
    BackBuffer::Painter painter_;
    int setting_;
    FirstFrame firstFrame_;
    RefreshTiming* timing_;
    FramePacing pacing_;
    GLRequirements::Verdict verdict_ = GLRequirements::Verdict::Accepted;
    bool initialised_ = false;
    bool contextCreated_ = false;
    bool started_ = false;
    bool stopped_ = false;

    // Guarded by the window's lock.
    BackBuffer buffer_;
    bool uploadAll_ = true;
    bool sizeChanged_ = true;

    std::atomic<bool> exposedFlag_{false};
    std::mutex stopMutex_;
    std::condition_variable stopEvent_;
    bool stopRequested_ = false;
    std::thread thread_;
    double lastVerticalBlank_ = 0;

    std::atomic<long> iterations_{0};
    std::atomic<long> framesDue_{0};
    std::atomic<long> framesDrawn_{0};
};

}  // namespace gui
