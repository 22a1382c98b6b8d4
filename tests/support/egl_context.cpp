#include "tests/support/egl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>

namespace testgl {
namespace {
EGLDisplay g_dpy = EGL_NO_DISPLAY;
EGLContext g_ctx = EGL_NO_CONTEXT;
GLuint g_fbo = 0, g_color = 0, g_depth = 0;
int g_w = 0, g_h = 0;

template <class F>
F proc(const char* name) {
    return reinterpret_cast<F>(eglGetProcAddress(name));
}

bool init() {
    auto get_platform_display = proc<PFNEGLGETPLATFORMDISPLAYEXTPROC>("eglGetPlatformDisplayEXT");
    if (get_platform_display == nullptr) return false;
    g_dpy = get_platform_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (g_dpy == EGL_NO_DISPLAY || !eglInitialize(g_dpy, nullptr, nullptr)) return false;
    if (!eglBindAPI(EGL_OPENGL_API)) return false;
    const EGLint attrs[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig cfg = nullptr;
    EGLint n = 0;
    // The surfaceless platform may offer no configs: a context without one
    // (EGL_KHR_no_config_context) renders into framebuffer objects.
    if (!eglChooseConfig(g_dpy, attrs, &cfg, 1, &n) || n < 1) cfg = EGL_NO_CONFIG_KHR;
    g_ctx = eglCreateContext(g_dpy, cfg, EGL_NO_CONTEXT, nullptr);
    return g_ctx != EGL_NO_CONTEXT;
}
}  // namespace

bool make_current(int width, int height) {
    if (g_ctx == EGL_NO_CONTEXT && !init()) {
        std::fprintf(stderr, "testgl: no EGL surfaceless OpenGL context\n");
        return false;
    }
    if (!eglMakeCurrent(g_dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, g_ctx)) return false;
    if (g_fbo != 0 && g_w == width && g_h == height) return true;
    auto gen_fb = proc<PFNGLGENFRAMEBUFFERSPROC>("glGenFramebuffers");
    auto bind_fb = proc<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer");
    auto gen_rb = proc<PFNGLGENRENDERBUFFERSPROC>("glGenRenderbuffers");
    auto bind_rb = proc<PFNGLBINDRENDERBUFFERPROC>("glBindRenderbuffer");
    auto storage = proc<PFNGLRENDERBUFFERSTORAGEPROC>("glRenderbufferStorage");
    auto attach = proc<PFNGLFRAMEBUFFERRENDERBUFFERPROC>("glFramebufferRenderbuffer");
    if (g_fbo == 0) {
        gen_fb(1, &g_fbo);
        gen_rb(1, &g_color);
        gen_rb(1, &g_depth);
    }
    bind_rb(GL_RENDERBUFFER, g_color);
    storage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    bind_rb(GL_RENDERBUFFER, g_depth);
    storage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    bind_fb(GL_FRAMEBUFFER, g_fbo);
    attach(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, g_color);
    attach(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, g_depth);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    g_w = width;
    g_h = height;
    return true;
}

}  // namespace testgl
