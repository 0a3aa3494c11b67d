#pragma once
#include <X11/Xlib.h>

#include <functional>
#include <memory>

#include "gui/BackBuffer.h"
#include "gui/DrawingControl.h"
#include "gui/GLBackend.h"
#include "platform/LockedObject.h"

namespace gui {

// Chooses how a window reaches the screen from the "GraphicsAcceleration" setting: 0 is always
// the software control; anything else tries OpenGL and falls back to software, silently, when the
// context cannot be had or does not meet the requirements.
class DrawingControlFactory {
public:
    // Makes the OpenGL backend for a window; tests hand in scripted ones.
    using BackendMaker = std::function<std::unique_ptr<GLBackend>(Display*, ::Window, int deviceWidth, int deviceHeight)>;

    static std::unique_ptr<DrawingControl> create(int setting, Display* display, ::Window window, Visual* visual,
                                                  const LockedObject& lock, BackBuffer::Painter painter,
                                                  int deviceWidth, int deviceHeight, const BackendMaker& maker = {});
    static std::unique_ptr<GLBackend> makeGLXBackend(Display* display, ::Window window, int deviceWidth, int deviceHeight);
};

}  // namespace gui
