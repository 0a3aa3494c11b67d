#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gui/AcceleratedControl.h"
#include "gui/Canvas.h"
#include "gui/DrawingControlFactory.h"
#include "gui/FramePacing.h"
#include "gui/GLRequirements.h"

namespace {

// Records what happens, in order, across threads.
struct Log {
    std::mutex mutex;
    std::vector<std::string> events;
    void add(const std::string& e) {
        std::lock_guard<std::mutex> lock(mutex);
        events.push_back(e);
    }
    int count(const std::string& e) {
        std::lock_guard<std::mutex> lock(mutex);
        int n = 0;
        for (const auto& x : events) n += x == e;
        return n;
    }
    int indexOf(const std::string& e) {
        std::lock_guard<std::mutex> lock(mutex);
        for (std::size_t i = 0; i < events.size(); ++i)
            if (events[i] == e) return int(i);
        return -1;
    }
};

// A driver that says what a test wants it to say.
class ScriptedBackend final : public gui::GLBackend {
public:
    explicit ScriptedBackend(Log& log) : log_(&log) {}
    bool contextOk = true;
    std::string system = "GLX_ARB_create_context GLX_EXT_swap_control";
    std::string version = "2.1 Mesa";
    std::string extensions = "GL_ARB_multitexture GL_ARB_texture_non_power_of_two";
    std::string vendor = "Test Vendor";
    bool multitexture = true;

    bool createContext() override { log_->add("create"); return contextOk; }
    bool makeCurrent() override { return true; }
    void releaseCurrent() override {}
    std::string getSystemExtensions() override { return system; }
    bool setSwapInterval(int) override { return true; }
    std::string getString(StringName name) override {
        return name == StringName::Version ? version : name == StringName::Extensions ? extensions : vendor;
    }
    bool resolveMultitexture() override { return multitexture; }
    void setRenderingState() override { log_->add("state"); }
    void show() override { log_->add("show"); }
    bool pollExposed() override { return false; }
    void resize(int, int) override {}
    void upload(const gui::BackBuffer&, const gui::Rect&) override { log_->add("upload"); }
    void drawPicture() override {}
    void swapBuffers() override { log_->add("swap"); }
    void deleteTextures() override { log_->add("delete textures"); }
    void destroy() override { log_->add("destroy"); }

private:
    Log* log_;
};

struct Harness {
    Log log;
    LockedObject lock;
    int paints = 0;
    gui::BackBuffer::Painter painter = [this](gui::Canvas&, const gui::Rect&) { ++paints; };
    std::unique_ptr<gui::AcceleratedControl> make(int setting, ScriptedBackend* configured = nullptr,
                                                  gui::RefreshTiming* timing = nullptr) {
        auto backend = std::make_unique<ScriptedBackend>(log);
        if (configured) *backend = *configured;
        auto control = std::make_unique<gui::AcceleratedControl>(std::move(backend), lock, painter, setting, nullptr, timing);
        control->resize(64, 32, 1.0);
        return control;
    }
};

TEST(GLRequirements, ParsesVersionsAndNames) {
    EXPECT_TRUE(gui::GLRequirements::versionAtLeast13("1.3"));
    EXPECT_TRUE(gui::GLRequirements::versionAtLeast13("4.5 (Compatibility Profile) Mesa 22.3.6"));
    EXPECT_FALSE(gui::GLRequirements::versionAtLeast13("1.2.1"));
    EXPECT_FALSE(gui::GLRequirements::versionAtLeast13("OpenGL ES"));
    EXPECT_FALSE(gui::GLRequirements::hasExtension("GL_ARB_texture_non_power_of_two_x", "GL_ARB_texture_non_power_of_two"));
    EXPECT_TRUE(gui::GLRequirements::hasSwapControl("GLX_A GLX_MESA_swap_control"));
    EXPECT_TRUE(gui::GLRequirements::isRefusedVendor("Matrox Graphics Inc."));
}

TEST(AcceleratedRendering, SettingZeroNeverCreatesAContext) {
    bool asked = false;
    LockedObject lock;
    auto maker = [&](Display*, ::Window, int, int) -> std::unique_ptr<gui::GLBackend> {
        asked = true;
        return nullptr;
    };
    // No X server is needed: the software control only touches X when it draws.
    auto control = gui::DrawingControlFactory::create(0, nullptr, 0, nullptr, lock, [](gui::Canvas&, const gui::Rect&) {}, 10,
                                                      10, maker);
    EXPECT_FALSE(asked);
    EXPECT_FALSE(control->isAccelerated());
}

TEST(AcceleratedRendering, EveryRefusalFallsBackSilently) {
    using V = gui::GLRequirements::Verdict;
    struct Case {
        const char* what;
        void (*spoil)(ScriptedBackend&);
        V verdict;
        int setting;
    };
    const Case cases[] = {
        {"no swap control", [](ScriptedBackend& b) { b.system = "GLX_ARB_create_context"; }, V::NoSwapControl, 1},
        {"version 1.2", [](ScriptedBackend& b) { b.version = "1.2 Old"; }, V::VersionTooLow, 1},
        {"no NPOT", [](ScriptedBackend& b) { b.extensions = "GL_ARB_multitexture"; }, V::NoNonPowerOfTwoTextures, 1},
        {"vendor", [](ScriptedBackend& b) { b.vendor = "matrox"; }, V::RefusedVendor, 1},
        {"multitexture", [](ScriptedBackend& b) { b.multitexture = false; }, V::NoMultitexture, 1},
    };
    for (const Case& c : cases) {
        Harness h;
        ScriptedBackend spoiled(h.log);
        c.spoil(spoiled);
        auto control = h.make(c.setting, &spoiled);
        EXPECT_FALSE(control->initialise()) << c.what;
        EXPECT_EQ(control->getVerdict(), c.verdict) << c.what;
    }
    // Bit 4 skips the vendor test.
    Harness h;
    ScriptedBackend matrox(h.log);
    matrox.vendor = "MATROX";
    EXPECT_TRUE(h.make(1 | 16, &matrox)->initialise());
    // A context that cannot be made at all, through the factory: software, no message.
    LockedObject lock;
    Log log;
    auto maker = [&](Display*, ::Window, int, int) -> std::unique_ptr<gui::GLBackend> {
        auto b = std::make_unique<ScriptedBackend>(log);
        b->contextOk = false;
        return b;
    };
    auto control = gui::DrawingControlFactory::create(1, nullptr, 0, nullptr, lock, [](gui::Canvas&, const gui::Rect&) {}, 10, 10, maker);
    EXPECT_FALSE(control->isAccelerated());
    EXPECT_EQ(log.count("create"), 1);
    EXPECT_EQ(log.count("destroy"), 1) << "the refused context is released";
}

TEST(AcceleratedRendering, FrameRatesAndPacing) {
    EXPECT_EQ(gui::FramePacing::targetFrameRate(1), 60);
    EXPECT_EQ(gui::FramePacing::targetFrameRate(2), 30);
    EXPECT_EQ(gui::FramePacing::targetFrameRate(3), 20);
    EXPECT_EQ(gui::FramePacing::targetFrameRate(16 | 2), 30);
    const gui::FramePacing at30(2, 1000.0 / 60);
    EXPECT_EQ(at30.getSkip(), 1);
    EXPECT_TRUE(at30.rendersOn(0));
    EXPECT_FALSE(at30.rendersOn(1));
    EXPECT_TRUE(at30.rendersOn(2));
    EXPECT_EQ(gui::FramePacing(1, 1000.0 / 60).getSkip(), 0);
    EXPECT_EQ(gui::FramePacing(3, 1000.0 / 60).getSkip(), 2);
    const gui::FramePacing untimed(2, 0);
    EXPECT_EQ(untimed.getSkip(), 0) << "without timing information every iteration may draw";
    EXPECT_NEAR(untimed.getPeriodMs(), 33.33, 0.01);
    EXPECT_EQ(untimed.waitMs(1.0, 0), 32);
    EXPECT_EQ(untimed.waitMs(40.0, 0), 5) << "never spins";
    EXPECT_EQ(gui::FramePacing(1, 500).waitMs(0, 0), 100) << "a stalled display costs at most 100 ms";
}

// A 60 Hz display whose vertical blank advances every time it is asked.
class SixtyHertz final : public gui::RefreshTiming {
public:
    bool getRefreshRate(unsigned& n, unsigned& d) override {
        n = 60;
        d = 1;
        return true;
    }
    double lastVerticalBlankMs() override { return blank_ += 16.7; }
    double nowMs() override { return blank_ + 7.0; }

private:
    double blank_ = 0;
};

TEST(AcceleratedRendering, ThirtyFramesPerSecondDrawsOnEverySecondTick) {
    Harness h;
    SixtyHertz display;
    auto control = h.make(2, nullptr, &display);
    ASSERT_TRUE(control->initialise());
    control->paintPending();
    ASSERT_TRUE(control->isThreadRunning());
    while (control->getIterations() < 8) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    control->stop();
    const long iterations = control->getIterations();
    EXPECT_NEAR(control->getFramesDue() * 2.0, double(iterations), 1.0);
    // With nothing changing after the first frame the thread draws nothing more.
    EXPECT_EQ(control->getFramesDrawn(), 1);
}

TEST(AcceleratedRendering, StopEndsTheThreadBeforeReleasingTheContext) {
    Harness h;
    auto control = h.make(1);
    ASSERT_TRUE(control->initialise());
    control->paintPending();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    control->invalidate({0, 0, 10, 10});
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    control->stop();
    EXPECT_FALSE(control->isThreadRunning());
    EXPECT_GE(h.log.count("upload"), 2) << "the first frame and the invalidated part";
    const int deleted = h.log.indexOf("delete textures");
    const int destroyed = h.log.indexOf("destroy");
    ASSERT_GE(deleted, 0);
    EXPECT_LT(deleted, destroyed) << "textures go on the render thread, then the context";
    control->stop();  // twice is harmless
    EXPECT_EQ(h.log.count("destroy"), 1);
}

}  // namespace
