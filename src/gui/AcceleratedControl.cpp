#include "gui/AcceleratedControl.h"

#include <chrono>

#include "platform/PosixIntervalTimer.h"
#include "platform/ScopedLock.h"

namespace gui {

namespace {

double refreshPeriod(RefreshTiming* timing) {
    unsigned numerator = 0;
    unsigned denominator = 0;
    if (!timing || !timing->getRefreshRate(numerator, denominator) || numerator == 0 || denominator == 0) return 0;
    return 1000.0 * denominator / numerator;
}

double nowMs() { return PosixIntervalTimer::monotonicNanoseconds() / 1e6; }

}  // namespace

AcceleratedControl::AcceleratedControl(std::unique_ptr<GLBackend> backend, const LockedObject& lock,
                                       BackBuffer::Painter painter, int setting, FirstFrame firstFrame,
                                       RefreshTiming* timing)
    : backend_(std::move(backend)),
      lock_(lock),
      painter_(std::move(painter)),
      setting_(setting),
      firstFrame_(std::move(firstFrame)),
      timing_(timing),
      pacing_(setting, refreshPeriod(timing)) {}

AcceleratedControl::~AcceleratedControl() { stop(); }

bool AcceleratedControl::initialise() {
    if (!backend_ || !backend_->createContext()) return false;
    contextCreated_ = true;
    bool accepted = false;
    if (backend_->makeCurrent()) {
        if (!GLRequirements::hasSwapControl(backend_->getSystemExtensions()) || !backend_->setSwapInterval(0)) {
            verdict_ = GLRequirements::Verdict::NoSwapControl;
        } else {
            const bool multitexture = backend_->resolveMultitexture();
            verdict_ = GLRequirements::check(backend_->getString(GLBackend::StringName::Version),
                                             backend_->getString(GLBackend::StringName::Extensions),
                                             backend_->getString(GLBackend::StringName::Vendor), setting_, multitexture);
            if (verdict_ == GLRequirements::Verdict::Accepted) {
                backend_->setRenderingState();
                accepted = true;
            }
        }
        backend_->releaseCurrent();
    }
    // The stop event exists only for a complete initialisation; its absence means "fall back".
    initialised_ = accepted;
    return initialised_;
}

void AcceleratedControl::resize(int deviceWidth, int deviceHeight, double scale) {
    buffer_.resize(deviceWidth, deviceHeight, scale);
    sizeChanged_ = true;
    uploadAll_ = true;
}

void AcceleratedControl::exposed(const Rect&) { exposedFlag_ = true; }

void AcceleratedControl::paintPending() {
    if (!initialised_ || started_ || stopped_) return;
    // The first frame goes to the window the plain way, so something shows while the thread starts.
    const Rect painted = buffer_.paintDirty(painter_);
    if (firstFrame_ && !painted.isEmpty()) firstFrame_(buffer_, painted);
    uploadAll_ = true;
    started_ = true;
    backend_->show();
    thread_ = std::thread([this] { threadMain(); });
}

bool AcceleratedControl::waitForStop(int ms) {
    std::unique_lock<std::mutex> lock(stopMutex_);
    return stopEvent_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopRequested_; });
}

bool AcceleratedControl::renderFrame() {
    ScopedLock lock(lock_);
    bool redraw = backend_->pollExposed() || exposedFlag_.exchange(false);
    if (sizeChanged_) {
        backend_->resize(buffer_.getWidth(), buffer_.getHeight());
        sizeChanged_ = false;
        redraw = true;
    }
    const Rect painted = buffer_.paintDirty(painter_);
    if (uploadAll_) {
        backend_->upload(buffer_, {0, 0, buffer_.getWidth(), buffer_.getHeight()});
        uploadAll_ = false;
        redraw = true;
    } else if (!painted.isEmpty()) {
        backend_->upload(buffer_, painted);
        redraw = true;
    }
    if (redraw) backend_->drawPicture();
    return redraw;
}

double AcceleratedControl::latenessMs() {
    if (!timing_) return 0;
    // Wait for the next vertical blank, then measure how late in the refresh we are.
    double blank = timing_->lastVerticalBlankMs();
    for (int i = 0; i < 50 && blank == lastVerticalBlank_; ++i) {
        if (waitForStop(1)) return 0;
        blank = timing_->lastVerticalBlankMs();
    }
    lastVerticalBlank_ = blank;
    const double lateness = (timing_->nowMs() - blank) - 6.0;
    if (lateness > 0.5) return lateness;
    for (int i = 0; i < 50 && (timing_->nowMs() - blank) - 6.0 <= 0; ++i)
        if (waitForStop(1)) break;
    return 0;
}

void AcceleratedControl::threadMain() {
    if (backend_->makeCurrent()) {
        backend_->resolveMultitexture();
        backend_->releaseCurrent();
    }
    int wait = 0;
    for (long iteration = 0; !waitForStop(wait); ++iteration) {
        iterations_++;
        if (!backend_->makeCurrent()) {
            wait = 100;
            continue;
        }
        const double start = nowMs();
        bool drew = false;
        if (pacing_.rendersOn(iteration)) {
            framesDue_++;
            drew = renderFrame();
        }
        const double renderTime = nowMs() - start;
        const double lateness = latenessMs();
        if (drew) {
            backend_->swapBuffers();
            framesDrawn_++;
        }
        backend_->releaseCurrent();
        wait = pacing_.waitMs(renderTime, lateness);
    }
    if (backend_->makeCurrent()) {
        backend_->deleteTextures();
        backend_->releaseCurrent();
    }
}

void AcceleratedControl::stop() {
    if (stopped_) return;
    stopped_ = true;
    {
        std::lock_guard<std::mutex> lock(stopMutex_);
        stopRequested_ = true;
    }
    stopEvent_.notify_all();
    // The thread may be waiting for the window's lock that our caller holds: the lock is
    // re-entrant only for this thread, so callers stop the control before taking it.
    if (thread_.joinable()) thread_.join();
    // Also after a failed creation: whatever part of it exists is released.
    if (backend_) backend_->destroy();
    contextCreated_ = false;
}

}  // namespace gui
