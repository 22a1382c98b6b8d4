// The "egl" backend: the null backend (no native windows) plus OpenGL from
// EGL's surfaceless Mesa platform.  There is one pixel format (RGBA8, depth
// 24, stencil 8, double buffered); a context is config-less and renders into
// a framebuffer object sized to its window's client area, bound whenever the
// context is made current, so frames render and glReadPixels reads them.
// SwapBuffers flushes.  Depends on EGL, OpenGL and the core's internal header.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>
#include <map>

#include "platform/core_internal.h"

namespace plat {

namespace {

template <class F>
F proc(const char* name) {
    return reinterpret_cast<F>(eglGetProcAddress(name));
}

struct Fbo {
    GLuint fbo = 0, color = 0, depth = 0;
    std::int32_t w = 0, h = 0;
    bool viewport_set = false;
};

class EglBackend final : public NullBackend {
public:
    bool init() {
        auto get_display = proc<PFNEGLGETPLATFORMDISPLAYEXTPROC>("eglGetPlatformDisplayEXT");
        if (get_display == nullptr) return false;
        dpy_ = get_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (dpy_ == EGL_NO_DISPLAY || !eglInitialize(dpy_, nullptr, nullptr)) return false;
        if (!eglBindAPI(EGL_OPENGL_API)) return false;
        gen_fb_ = proc<PFNGLGENFRAMEBUFFERSPROC>("glGenFramebuffers");
        del_fb_ = proc<PFNGLDELETEFRAMEBUFFERSPROC>("glDeleteFramebuffers");
        bind_fb_ = proc<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer");
        gen_rb_ = proc<PFNGLGENRENDERBUFFERSPROC>("glGenRenderbuffers");
        del_rb_ = proc<PFNGLDELETERENDERBUFFERSPROC>("glDeleteRenderbuffers");
        bind_rb_ = proc<PFNGLBINDRENDERBUFFERPROC>("glBindRenderbuffer");
        storage_ = proc<PFNGLRENDERBUFFERSTORAGEPROC>("glRenderbufferStorage");
        attach_ = proc<PFNGLFRAMEBUFFERRENDERBUFFERPROC>("glFramebufferRenderbuffer");
        return gen_fb_ && del_fb_ && bind_fb_ && gen_rb_ && del_rb_ && bind_rb_ && storage_ &&
               attach_;
    }

    const char* name() const override { return "egl"; }

    std::int32_t choose_pixel_format(const PIXELFORMATDESCRIPTOR&) override { return 1; }

    bool describe_pixel_format(std::int32_t format, PIXELFORMATDESCRIPTOR& out) override {
        if (format != 1) return false;
        out = PIXELFORMATDESCRIPTOR{};
        out.nSize = sizeof out;
        out.nVersion = 1;
        out.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        out.iPixelType = PFD_TYPE_RGBA;
        out.cColorBits = 32;
        out.cRedBits = out.cGreenBits = out.cBlueBits = out.cAlphaBits = 8;
        out.cRedShift = 16;
        out.cGreenShift = 8;
        out.cBlueShift = 0;
        out.cAlphaShift = 24;
        out.cDepthBits = 24;
        out.cStencilBits = 8;
        out.iLayerType = PFD_MAIN_PLANE;
        return true;
    }

    bool set_pixel_format(HWND, std::int32_t format) override { return format == 1; }

    void* create_context(HWND) override {
        EGLContext ctx = eglCreateContext(dpy_, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, nullptr);
        if (ctx == EGL_NO_CONTEXT) return nullptr;
        fbos_[ctx] = Fbo{};
        return ctx;
    }

    bool make_current(HWND hwnd, void* ctx) override {
        if (ctx == nullptr) {
            current_ = nullptr;
            return eglMakeCurrent(dpy_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT) == EGL_TRUE;
        }
        auto it = fbos_.find(ctx);
        if (it == fbos_.end()) return false;
        if (!eglMakeCurrent(dpy_, EGL_NO_SURFACE, EGL_NO_SURFACE, static_cast<EGLContext>(ctx)))
            return false;
        current_ = ctx;
        current_window_ = hwnd;
        fit(it->second, hwnd);
        return true;
    }

    void delete_context(void* ctx) override {
        auto it = fbos_.find(ctx);
        if (it == fbos_.end()) return;
        if (current_ == ctx) make_current(0, nullptr);
        // The context's objects go with it.
        eglDestroyContext(dpy_, static_cast<EGLContext>(ctx));
        fbos_.erase(it);
    }

    bool swap_buffers(HWND hwnd) override {
        if (current_ == nullptr || hwnd != current_window_) return false;
        glFlush();
        fit(fbos_[current_], hwnd);  // follows a resized window for the next frame
        return true;
    }

private:
    // Binds the context's framebuffer, (re)sized to the window's client area.
    void fit(Fbo& f, HWND hwnd) {
        std::int32_t w = 1, h = 1;
        if (!core_client_size(hwnd, w, h) || w < 1 || h < 1) w = h = 1;
        if (f.fbo == 0) {
            gen_fb_(1, &f.fbo);
            gen_rb_(1, &f.color);
            gen_rb_(1, &f.depth);
        }
        if (w != f.w || h != f.h) {
            bind_rb_(GL_RENDERBUFFER, f.color);
            storage_(GL_RENDERBUFFER, GL_RGBA8, w, h);
            bind_rb_(GL_RENDERBUFFER, f.depth);
            storage_(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, w, h);
            bind_fb_(GL_FRAMEBUFFER, f.fbo);
            attach_(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, f.color);
            attach_(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, f.depth);
            f.w = w;
            f.h = h;
        }
        bind_fb_(GL_FRAMEBUFFER, f.fbo);
        glDrawBuffer(GL_COLOR_ATTACHMENT0);
        glReadBuffer(GL_COLOR_ATTACHMENT0);
        if (!f.viewport_set) {
            // As a window system does on a context's first binding.
            glViewport(0, 0, w, h);
            glScissor(0, 0, w, h);
            f.viewport_set = true;
        }
    }

    EGLDisplay dpy_ = EGL_NO_DISPLAY;
    void* current_ = nullptr;
    HWND current_window_ = 0;
    std::map<void*, Fbo> fbos_;
    PFNGLGENFRAMEBUFFERSPROC gen_fb_ = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC del_fb_ = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bind_fb_ = nullptr;
    PFNGLGENRENDERBUFFERSPROC gen_rb_ = nullptr;
    PFNGLDELETERENDERBUFFERSPROC del_rb_ = nullptr;
    PFNGLBINDRENDERBUFFERPROC bind_rb_ = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC storage_ = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC attach_ = nullptr;
};

}  // namespace

std::unique_ptr<Backend> make_egl_backend() {
    auto b = std::make_unique<EglBackend>();
    if (!b->init()) return nullptr;
    return b;
}

}  // namespace plat
