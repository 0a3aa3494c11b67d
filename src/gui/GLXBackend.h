#pragma once
#include <X11/Xlib.h>

#include "gui/GLBackend.h"

namespace gui {

// OpenGL through GLX. The backend opens an X connection of its own, used only by the thread that
// holds the context, and draws into a child window covering the parent; the child selects no
// input, so mouse and keyboard events reach the parent as if it were not there.
class GLXBackend final : public GLBackend {
public:
    GLXBackend(const char* displayName, ::Window parent, int deviceWidth, int deviceHeight);
    ~GLXBackend() override;

    bool createContext() override;
    bool makeCurrent() override;
    void releaseCurrent() override;
    std::string getSystemExtensions() override;
    bool setSwapInterval(int interval) override;
    std::string getString(StringName name) override;
    bool resolveMultitexture() override;
    void setRenderingState() override;
    void show() override;
    bool pollExposed() override;
    void resize(int deviceWidth, int deviceHeight) override;
    void upload(const BackBuffer& picture, const Rect& deviceRect) override;
    void drawPicture() override;
    void swapBuffers() override;
    void deleteTextures() override;
    void destroy() override;

private:
    struct State;
    State* state_;
};

}  // namespace gui
