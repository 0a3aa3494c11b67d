// Cost of drawing the editor-sized window (926 x 510 logical pixels at scale 1), with the gallery's
// tree of every control as its content:
//   software   the whole window repainted with Cairo and copied to the X window (until the server
//              has it), as the software control does
//   opengl     the whole window repainted with Cairo, uploaded into the window texture, drawn and
//              swapped (until the driver is done), as the render thread does
//   idle       an accelerated window with nothing changing, watched for a second: the render
//              thread's CPU time in percent of one core, and the frames it drew (should be none)
// The X server is a private Xvfb, as in the window tests; without it every case is skipped, and the
// OpenGL cases are skipped when GLX cannot give a context that meets the toolkit's requirements.
#include <benchmark/benchmark.h>
#include <GL/gl.h>
#include <X11/Xlib.h>
#include <sys/resource.h>

#include <chrono>
#include <memory>
#include <thread>

#include "GalleryPanel.h"
#include "XServer.h"
#include "gui/AcceleratedControl.h"
#include "gui/BackBuffer.h"
#include "gui/Canvas.h"
#include "gui/DrawingControlFactory.h"
#include "gui/GLRequirements.h"
#include "gui/Window.h"

namespace {

constexpr int kWidth = 926;
constexpr int kHeight = 510;

std::unique_ptr<gui::Window> openGallery(int acceleration) {
    gui::Window::Options options;
    options.width = kWidth;
    options.height = kHeight;
    options.scale = 1;
    options.display = XServer::display();
    options.graphicsAcceleration = acceleration;
    auto window = std::make_unique<gui::Window>(options);
    if (!window->isOpen()) return nullptr;
    window->setContent(std::make_unique<GalleryPanel>());
    for (int i = 0; i < 20; ++i) window->runOnce(5);
    return window;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

void BM_FullRepaintSoftware(benchmark::State& state) {
    if (XServer::display().empty()) {
        state.SkipWithError("Xvfb is not available");
        return;
    }
    auto window = openGallery(0);
    if (!window) {
        state.SkipWithError("cannot open a window");
        return;
    }
    for (auto _ : state) {
        window->invalidate({0, 0, kWidth, kHeight});
        window->idle();
        XSync(window->getDisplay(), False);
    }
}
BENCHMARK(BM_FullRepaintSoftware)->Unit(benchmark::kMillisecond)->UseRealTime();

// The render thread's work for one frame, done on this thread with the same backend.
void BM_FullRepaintOpenGL(benchmark::State& state) {
    if (XServer::display().empty()) {
        state.SkipWithError("Xvfb is not available");
        return;
    }
    Display* display = XOpenDisplay(XServer::display().c_str());
    if (!display) {
        state.SkipWithError("cannot open the display");
        return;
    }
    const int screen = DefaultScreen(display);
    const ::Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, kWidth, kHeight, 0,
                                                BlackPixel(display, screen), BlackPixel(display, screen));
    XMapWindow(display, window);
    XSync(display, False);
    {
        std::unique_ptr<gui::GLBackend> gl = gui::DrawingControlFactory::makeGLXBackend(display, window, kWidth, kHeight);
        bool usable = gl->createContext() && gl->makeCurrent();
        if (usable) {
            usable = gui::GLRequirements::hasSwapControl(gl->getSystemExtensions()) && gl->setSwapInterval(0) &&
                     gui::GLRequirements::check(gl->getString(gui::GLBackend::StringName::Version),
                                                gl->getString(gui::GLBackend::StringName::Extensions),
                                                gl->getString(gui::GLBackend::StringName::Vendor), 16 | 1,
                                                gl->resolveMultitexture()) == gui::GLRequirements::Verdict::Accepted;
        }
        if (!usable) {
            state.SkipWithError("no OpenGL context meeting the requirements");
        } else {
            gl->setRenderingState();
            gl->show();
            gl->resize(kWidth, kHeight);
            GalleryPanel panel;
            panel.setBounds({0, 0, kWidth, kHeight});
            const gui::BackBuffer::Painter painter = [&panel](gui::Canvas& canvas, const gui::Rect& dirty) {
                panel.paintTree(canvas, dirty);
            };
            gui::BackBuffer buffer;
            buffer.resize(kWidth, kHeight, 1);
            for (auto _ : state) {
                buffer.invalidate({0, 0, kWidth, kHeight});
                const gui::Rect painted = buffer.paintDirty(painter);
                gl->upload(buffer, painted);
                gl->drawPicture();
                gl->swapBuffers();
                glFinish();
            }
        }
        gl->releaseCurrent();
        gl->destroy();
    }
    XDestroyWindow(display, window);
    XCloseDisplay(display);
}
BENCHMARK(BM_FullRepaintOpenGL)->Unit(benchmark::kMillisecond)->UseRealTime();

// An accelerated window at 60 frames per second with nothing to draw. This thread sleeps while it
// is watched, so the process's CPU time is the render thread's.
void BM_RenderThreadIdle(benchmark::State& state) {
    if (XServer::display().empty()) {
        state.SkipWithError("Xvfb is not available");
        return;
    }
    auto window = openGallery(16 | 1);
    if (!window || !window->isAccelerated()) {
        state.SkipWithError("no OpenGL context meeting the requirements");
        return;
    }
    // The first frames (the whole picture) are drawn before the watch starts.
    for (int i = 0; i < 40; ++i) window->runOnce(5);
    double cpu = 0;
    double wall = 0;
    long iterations = 0;
    long drawn = 0;
    for (auto _ : state) {
        const auto* control = dynamic_cast<const gui::AcceleratedControl*>(window->getDrawingControl());
        const long iterations0 = control ? control->getIterations() : 0;
        const long drawn0 = control ? control->getFramesDrawn() : 0;
        const double cpu0 = cpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu += cpuSeconds() - cpu0;
        iterations += control ? control->getIterations() - iterations0 : 0;
        drawn += control ? control->getFramesDrawn() - drawn0 : 0;
    }
    state.counters["cpu_percent"] = 100.0 * cpu / wall;
    state.counters["loops_per_s"] = double(iterations) / wall;
    state.counters["frames_drawn"] = double(drawn);
}
BENCHMARK(BM_RenderThreadIdle)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace
