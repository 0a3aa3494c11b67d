#include "gui/GLXBackend.h"

#include <GL/gl.h>
#include <GL/glx.h>

#include <cstring>
#include <string>

#include "gui/BackBuffer.h"

#ifndef GL_BGRA
#define GL_BGRA 0x80E1
#endif
#ifndef GL_TEXTURE0
#define GL_TEXTURE0 0x84C0
#define GL_TEXTURE1 0x84C1
#endif
#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif

namespace gui {

struct GLXBackend::State {
    std::string displayName;
    ::Window parent = 0;
    int width = 1;
    int height = 1;
    Display* display = nullptr;
    ::Window window = 0;
    Colormap colormap = 0;
    GLXContext context = nullptr;
    GLuint texture = 0;
    int textureWidth = 0;
    int textureHeight = 0;
    using ActiveTexture = void (*)(GLenum);
    using MultiTexCoord2f = void (*)(GLenum, GLfloat, GLfloat);
    ActiveTexture activeTexture = nullptr;
    ActiveTexture clientActiveTexture = nullptr;
    MultiTexCoord2f multiTexCoord2f = nullptr;
};

namespace {

template <class F>
F lookup(const char* name) {
    return reinterpret_cast<F>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

}  // namespace

GLXBackend::GLXBackend(const char* displayName, ::Window parent, int deviceWidth, int deviceHeight) : state_(new State) {
    state_->displayName = displayName ? displayName : "";
    state_->parent = parent;
    state_->width = deviceWidth > 0 ? deviceWidth : 1;
    state_->height = deviceHeight > 0 ? deviceHeight : 1;
}

GLXBackend::~GLXBackend() {
    destroy();
    delete state_;
}

bool GLXBackend::createContext() {
    State& s = *state_;
    s.display = XOpenDisplay(s.displayName.empty() ? nullptr : s.displayName.c_str());
    if (!s.display) return false;
    int errorBase = 0;
    int eventBase = 0;
    if (!glXQueryExtension(s.display, &errorBase, &eventBase)) return false;
    const int screen = DefaultScreen(s.display);
    // 24 colour bits and 8 alpha bits are asked for; like a pixel-format match, a format without
    // alpha is taken when the screen has none with it.
    GLXFBConfig* configs = nullptr;
    int count = 0;
    for (int alpha : {8, 0}) {
        const int attributes[] = {GLX_X_RENDERABLE, True, GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT, GLX_RENDER_TYPE,
                                  GLX_RGBA_BIT, GLX_DOUBLEBUFFER, True, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8,
                                  GLX_BLUE_SIZE, 8, GLX_ALPHA_SIZE, alpha, GLX_DEPTH_SIZE, 0, GLX_STENCIL_SIZE, 0,
                                  None};
        configs = glXChooseFBConfig(s.display, screen, attributes, &count);
        if (configs && count > 0) break;
        if (configs) XFree(configs);
        configs = nullptr;
    }
    if (!configs) return false;
    const GLXFBConfig config = configs[0];
    XVisualInfo* visual = glXGetVisualFromFBConfig(s.display, config);
    if (!visual) {
        XFree(configs);
        return false;
    }
    s.colormap = XCreateColormap(s.display, s.parent, visual->visual, AllocNone);
    XSetWindowAttributes attributes{};
    attributes.colormap = s.colormap;
    attributes.border_pixel = 0;
    attributes.background_pixmap = None;
    attributes.event_mask = ExposureMask;
    s.window = XCreateWindow(s.display, s.parent, 0, 0, s.width, s.height, 0, visual->depth, InputOutput, visual->visual,
                             CWColormap | CWBorderPixel | CWBackPixmap | CWEventMask, &attributes);
    s.context = glXCreateNewContext(s.display, config, GLX_RGBA_TYPE, nullptr, True);
    XFree(visual);
    XFree(configs);
    XSync(s.display, False);
    return s.context != nullptr;
}

bool GLXBackend::makeCurrent() {
    State& s = *state_;
    return s.context && glXMakeCurrent(s.display, s.window, s.context);
}

void GLXBackend::releaseCurrent() {
    if (state_->display) glXMakeCurrent(state_->display, None, nullptr);
}

std::string GLXBackend::getSystemExtensions() {
    // Swap control is often a client-side extension (Mesa's software drivers), so both lists count.
    const char* common = glXQueryExtensionsString(state_->display, DefaultScreen(state_->display));
    const char* client = glXGetClientString(state_->display, GLX_EXTENSIONS);
    return std::string(common ? common : "") + " " + (client ? client : "");
}

bool GLXBackend::setSwapInterval(int interval) {
    State& s = *state_;
    const std::string extensions = getSystemExtensions();
    if (extensions.find("GLX_EXT_swap_control") != std::string::npos) {
        if (auto set = lookup<void (*)(Display*, GLXDrawable, int)>("glXSwapIntervalEXT")) {
            set(s.display, s.window, interval);
            return true;
        }
    }
    if (extensions.find("GLX_MESA_swap_control") != std::string::npos) {
        if (auto set = lookup<int (*)(unsigned)>("glXSwapIntervalMESA")) return set(unsigned(interval)) == 0;
    }
    return false;
}

std::string GLXBackend::getString(StringName name) {
    const GLenum which = name == StringName::Version ? GL_VERSION : name == StringName::Extensions ? GL_EXTENSIONS : GL_VENDOR;
    const GLubyte* text = glGetString(which);
    return text ? reinterpret_cast<const char*>(text) : "";
}

bool GLXBackend::resolveMultitexture() {
    State& s = *state_;
    s.activeTexture = lookup<State::ActiveTexture>("glActiveTexture");
    s.clientActiveTexture = lookup<State::ActiveTexture>("glClientActiveTexture");
    s.multiTexCoord2f = lookup<State::MultiTexCoord2f>("glMultiTexCoord2f");
    return s.activeTexture && s.clientActiveTexture && s.multiTexCoord2f;
}

void GLXBackend::setRenderingState() {
    State& s = *state_;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glShadeModel(GL_SMOOTH);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    // Pictures carry premultiplied alpha.
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    for (GLenum unit : {GLenum(GL_TEXTURE1), GLenum(GL_TEXTURE0)}) {
        s.activeTexture(unit);
        s.clientActiveTexture(unit);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    }
    glEnableClientState(GL_VERTEX_ARRAY);
}

void GLXBackend::show() {
    XMapWindow(state_->display, state_->window);
    XFlush(state_->display);
}

bool GLXBackend::pollExposed() {
    State& s = *state_;
    bool exposed = false;
    while (XPending(s.display) > 0) {
        XEvent event;
        XNextEvent(s.display, &event);
        if (event.type == Expose) exposed = true;
    }
    return exposed;
}

void GLXBackend::resize(int deviceWidth, int deviceHeight) {
    State& s = *state_;
    s.width = deviceWidth > 0 ? deviceWidth : 1;
    s.height = deviceHeight > 0 ? deviceHeight : 1;
    XResizeWindow(s.display, s.window, s.width, s.height);
    XFlush(s.display);
    glViewport(0, 0, s.width, s.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, s.width, s.height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
}

void GLXBackend::upload(const BackBuffer& picture, const Rect& r) {
    State& s = *state_;
    if (!picture.getData()) return;
    glEnable(GL_TEXTURE_2D);
    if (!s.texture) glGenTextures(1, &s.texture);
    glBindTexture(GL_TEXTURE_2D, s.texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, picture.getStride() / 4);
    if (s.textureWidth != picture.getWidth() || s.textureHeight != picture.getHeight()) {
        s.textureWidth = picture.getWidth();
        s.textureHeight = picture.getHeight();
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, s.textureWidth, s.textureHeight, 0, GL_BGRA, GL_UNSIGNED_BYTE,
                     picture.getData());
    } else {
        const unsigned char* first = picture.getData() + r.y * picture.getStride() + r.x * 4;
        glTexSubImage2D(GL_TEXTURE_2D, 0, r.x, r.y, r.width, r.height, GL_BGRA, GL_UNSIGNED_BYTE, first);
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

void GLXBackend::drawPicture() {
    State& s = *state_;
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    if (!s.texture) return;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, s.texture);
    const GLfloat w = GLfloat(s.textureWidth);
    const GLfloat h = GLfloat(s.textureHeight);
    const GLfloat vertices[] = {0, 0, w, 0, 0, h, w, h};
    const GLfloat coordinates[] = {0, 0, 1, 0, 0, 1, 1, 1};
    glColor4f(1, 1, 1, 1);
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glTexCoordPointer(2, GL_FLOAT, 0, coordinates);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void GLXBackend::swapBuffers() { glXSwapBuffers(state_->display, state_->window); }

void GLXBackend::deleteTextures() {
    if (state_->texture) glDeleteTextures(1, &state_->texture);
    state_->texture = 0;
    state_->textureWidth = state_->textureHeight = 0;
}

void GLXBackend::destroy() {
    State& s = *state_;
    if (!s.display) return;
    if (s.context) glXDestroyContext(s.display, s.context);
    s.context = nullptr;
    if (s.window) XDestroyWindow(s.display, s.window);
    s.window = 0;
    if (s.colormap) XFreeColormap(s.display, s.colormap);
    s.colormap = 0;
    XCloseDisplay(s.display);
    s.display = nullptr;
}

}  // namespace gui
