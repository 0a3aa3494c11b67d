#include "gui/DrawingControlFactory.h"

#include <cairo-xlib.h>
#include <cairo.h>

#include "gui/AcceleratedControl.h"
#include "gui/GLXBackend.h"
#include "gui/SoftwareControl.h"

namespace gui {

std::unique_ptr<GLBackend> DrawingControlFactory::makeGLXBackend(Display* display, ::Window window, int deviceWidth,
                                                                 int deviceHeight) {
    return std::make_unique<GLXBackend>(DisplayString(display), window, deviceWidth, deviceHeight);
}

std::unique_ptr<DrawingControl> DrawingControlFactory::create(int setting, Display* display, ::Window window,
                                                              Visual* visual, const LockedObject& lock,
                                                              BackBuffer::Painter painter, int deviceWidth,
                                                              int deviceHeight, const BackendMaker& maker) {
    if (setting != 0) {
        std::unique_ptr<GLBackend> backend =
            maker ? maker(display, window, deviceWidth, deviceHeight) : makeGLXBackend(display, window, deviceWidth, deviceHeight);
        auto firstFrame = [display, window, visual](const BackBuffer& picture, const Rect& r) {
            cairo_surface_t* target = cairo_xlib_surface_create(display, window, visual, picture.getWidth(), picture.getHeight());
            cairo_t* cr = cairo_create(target);
            cairo_rectangle(cr, r.x, r.y, r.width, r.height);
            cairo_clip(cr);
            cairo_set_source_surface(cr, picture.getSurface(), 0, 0);
            cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
            cairo_paint(cr);
            cairo_destroy(cr);
            cairo_surface_destroy(target);
            XFlush(display);
        };
        auto accelerated = std::make_unique<AcceleratedControl>(std::move(backend), lock, painter, setting, firstFrame);
        if (accelerated->initialise()) return accelerated;
    }
    return std::make_unique<SoftwareControl>(display, window, visual, std::move(painter));
}

}  // namespace gui
