#pragma once
#include "gui/BackBuffer.h"
#include "gui/Rect.h"

namespace gui {

// Brings the window's picture to the screen. The window calls every member on its user-interface
// thread while it holds its lock.
class DrawingControl {
public:
    virtual ~DrawingControl() = default;

    virtual bool isAccelerated() const = 0;
    // A logical rectangle needs repainting.
    virtual void invalidate(const Rect& rect) = 0;
    // The window's contents were lost on screen (expose) in device pixels.
    virtual void exposed(const Rect& deviceRect) = 0;
    // Draws what is pending; the accelerated control draws here only its first frame and leaves the
    // rest to its render thread.
    virtual void paintPending() = 0;
    virtual void resize(int deviceWidth, int deviceHeight, double scale) = 0;
    // Ends every thread and releases what uses the window. Called before the window is destroyed;
    // safe to call twice.
    virtual void stop() = 0;
};

}  // namespace gui
