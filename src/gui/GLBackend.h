#pragma once
#include <string>

#include "gui/Rect.h"

namespace gui {

class BackBuffer;

// The OpenGL services the accelerated control needs, one implementation per window system (GLX),
// and a scripted one in the tests. Context calls happen on one thread at a time: the creating
// thread during initialisation, then the render thread between makeCurrent and releaseCurrent.
class GLBackend {
public:
    enum class StringName { Version, Extensions, Vendor };

    virtual ~GLBackend() = default;

    // Creates a drawable over the window and a context with 24 colour bits, 8 alpha bits, no depth
    // or stencil buffer, double-buffered; false when the system cannot offer it.
    virtual bool createContext() = 0;
    virtual bool makeCurrent() = 0;
    virtual void releaseCurrent() = 0;
    // The window-system extension string (GLX's).
    virtual std::string getSystemExtensions() = 0;
    // Sets the swap interval through GLX_EXT_swap_control or the MESA variant; false when neither.
    virtual bool setSwapInterval(int interval) = 0;
    // glGetString with the context current; empty when the driver gives nothing.
    virtual std::string getString(StringName name) = 0;
    // Resolves glActiveTexture, glClientActiveTexture and glMultiTexCoord2f for the calling thread.
    virtual bool resolveMultitexture() = 0;
    // Identity model-view, smooth shading, no depth test, blending one / one-minus-source-alpha,
    // texture units 0 and 1 with vertex and texture-coordinate arrays.
    virtual void setRenderingState() = 0;
    // Shows the drawable (called once, just before the render thread starts).
    virtual void show() = 0;

    // Render thread, context current.
    // Handles the drawable's own window events; true when its contents were lost.
    virtual bool pollExposed() = 0;
    virtual void resize(int deviceWidth, int deviceHeight) = 0;
    // Uploads a device rectangle of the picture (premultiplied) into the window texture.
    virtual void upload(const BackBuffer& picture, const Rect& deviceRect) = 0;
    // Draws the window texture over the whole drawable.
    virtual void drawPicture() = 0;
    virtual void swapBuffers() = 0;
    virtual void deleteTextures() = 0;

    // Destroys the context and the drawable (no context current anywhere).
    virtual void destroy() = 0;
};

}  // namespace gui
