// kestrum-gallery: shows every control of the toolkit.
//   kestrum-gallery [--screenshot FILE] [--show menu|message|question|hint|dialog]
//                   [--acceleration N] [--scale S]
// With --screenshot the window's picture is written as a PNG and the program ends; without an X
// display the picture is still drawn off-screen.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "GalleryPanel.h"
#include "gui/BackBuffer.h"
#include "gui/Canvas.h"
#include "gui/FileDialog.h"
#include "gui/Window.h"

#include <cairo.h>

int main(int argc, char** argv) {
    std::string screenshot;
    std::string show;
    gui::Window::Options options;
    options.title = "Kestrum Toolkit Gallery";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--screenshot" && hasValue) {
            screenshot = argv[++i];
        } else if (arg == "--show" && hasValue) {
            show = argv[++i];
        } else if (arg == "--acceleration" && hasValue) {
            options.graphicsAcceleration = std::atoi(argv[++i]);
        } else if (arg == "--scale" && hasValue) {
            options.scale = std::atof(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: kestrum-gallery [--screenshot FILE] [--show menu|message|question|hint|dialog] "
                                 "[--acceleration N] [--scale S]\n");
            return 2;
        }
    }
    auto window = std::make_unique<gui::Window>(options);
    auto panel = std::make_unique<GalleryPanel>();
    GalleryPanel& gallery = *panel;
    if (!window->isOpen()) {
        if (screenshot.empty()) {
            std::fprintf(stderr, "kestrum-gallery: cannot open the X display\n");
            return 1;
        }
        // Off-screen: the tree is drawn without a window.
        panel->setBounds({0, 0, options.width, options.height});
        const double scale = options.scale > 0 ? options.scale : 1.0;
        gui::BackBuffer buffer;
        buffer.resize(int(options.width * scale), int(options.height * scale), scale);
        buffer.paintDirty([&](gui::Canvas& canvas, const gui::Rect& dirty) { panel->paintTree(canvas, dirty); });
        const bool ok = cairo_surface_write_to_png(buffer.getSurface(), screenshot.c_str()) == CAIRO_STATUS_SUCCESS;
        std::printf("%s\n", screenshot.c_str());
        return ok ? 0 : 1;
    }
    window->setContent(std::move(panel));
    if (show == "menu") gallery.openMenu();
    if (show == "message") gallery.openMessage(false);
    if (show == "question") gallery.openMessage(true);
    if (show == "hint") gallery.showHint();
    if (show == "dialog")
        gui::FileDialog::show(*window, gui::FileDialog::Mode::Save, "Save Preset", "/home/user/Presets/Warm Sweep.zxp",
                              [](std::optional<std::string>) {}, gui::FileDialog::Helper::Builtin);
    if (!screenshot.empty()) {
        window->idle();
        const bool ok = window->saveScreenshot(screenshot);
        std::printf("%s\n", screenshot.c_str());
        return ok ? 0 : 1;
    }
    window->run();
    return 0;
}
