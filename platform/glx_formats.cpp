// OpenGL on the X11 backend: pixel formats numbered from the GLX framebuffer
// configurations of the screen's own depth, the closest-format choice, the GL
// child window that gives a window its format, legacy contexts, making them
// current and swapping buffers.
// Depends on x11_internal.h (GLX, Xlib).
#include <cstdlib>

#include "platform/x11_internal.h"

namespace plat::x11 {

namespace {

int attrib(Display* dpy, GLXFBConfig c, int a) {
    int v = 0;
    if (glXGetFBConfigAttrib(dpy, c, a, &v) != Success) return 0;
    return v;
}

// Penalty of a buffer size against a request: any size that meets the
// request beats every size below it; above, the nearest wins; below, the
// largest.  A requested buffer that is missing altogether is worse than any
// smaller one (24 bits of depth and 8 of stencil beat 32 of depth and none).
long size_penalty(int have, int want) {
    if (have >= want) return have - want;
    if (have == 0) return 10000000L + want;
    return 100000L + (want - have);
}

int bits_in(unsigned long mask) {
    int n = 0;
    for (; mask != 0; mask >>= 1) n += static_cast<int>(mask & 1u);
    return n;
}

int shift_of(unsigned long mask) {
    if (mask == 0) return 0;
    int s = 0;
    while ((mask & 1u) == 0) {
        mask >>= 1;
        ++s;
    }
    return s;
}

}  // namespace

void X11Backend::load_formats() {
    if (formats_loaded_) return;
    formats_loaded_ = true;
    int n = 0;
    GLXFBConfig* all = glXGetFBConfigs(dpy, screen, &n);
    if (all == nullptr) return;
    for (int i = 0; i < n; ++i) {
        GLXFBConfig c = all[i];
        if ((attrib(dpy, c, GLX_RENDER_TYPE) & GLX_RGBA_BIT) == 0) continue;
        if ((attrib(dpy, c, GLX_DRAWABLE_TYPE) & GLX_WINDOW_BIT) == 0) continue;
        if (!attrib(dpy, c, GLX_X_RENDERABLE) || attrib(dpy, c, GLX_LEVEL) != 0) continue;
        XVisualInfo* vi = glXGetVisualFromFBConfig(dpy, c);
        if (vi == nullptr) continue;
        // The root depth only: a 32-bit ARGB visual would let a compositor show
        // through wherever the program clears with alpha 0.
        const bool ok = vi->depth == depth && vi->c_class == TrueColor;
        XFree(vi);
        if (ok) formats_.push_back(c);
    }
    XFree(all);
}

std::int32_t X11Backend::choose_pixel_format(const PIXELFORMATDESCRIPTOR& want) {
    load_formats();
    if (want.iPixelType != PFD_TYPE_RGBA) return 0;  // no colour-index formats here
    const bool need_double = (want.dwFlags & PFD_DOUBLEBUFFER) != 0;
    const bool want_stereo = (want.dwFlags & PFD_STEREO) != 0;
    std::int32_t best = 0;
    long best_score = 0;
    for (std::size_t i = 0; i < formats_.size(); ++i) {
        GLXFBConfig c = formats_[i];
        const bool dbl = attrib(dpy, c, GLX_DOUBLEBUFFER) != 0;
        if (need_double && !dbl) continue;
        const int color = attrib(dpy, c, GLX_RED_SIZE) + attrib(dpy, c, GLX_GREEN_SIZE) +
                          attrib(dpy, c, GLX_BLUE_SIZE);
        const int accum = attrib(dpy, c, GLX_ACCUM_RED_SIZE) +
                          attrib(dpy, c, GLX_ACCUM_GREEN_SIZE) +
                          attrib(dpy, c, GLX_ACCUM_BLUE_SIZE) +
                          attrib(dpy, c, GLX_ACCUM_ALPHA_SIZE);
        long score = 0;
        score += 8 * size_penalty(color, want.cColorBits);
        score += 8 * size_penalty(attrib(dpy, c, GLX_DEPTH_SIZE), want.cDepthBits);
        score += 4 * size_penalty(attrib(dpy, c, GLX_ALPHA_SIZE), want.cAlphaBits);
        score += 4 * size_penalty(attrib(dpy, c, GLX_STENCIL_SIZE), want.cStencilBits);
        score += 2 * size_penalty(accum, want.cAccumBits);
        // Preferences only: auxiliary buffers, stereo, single buffering when
        // not asked for double, no caveat.
        const int aux = attrib(dpy, c, GLX_AUX_BUFFERS);
        score += aux >= want.cAuxBuffers ? aux - want.cAuxBuffers : want.cAuxBuffers - aux;
        if ((attrib(dpy, c, GLX_STEREO) != 0) != want_stereo) score += 50;
        if (!need_double && dbl) score += 50;
        if (attrib(dpy, c, GLX_CONFIG_CAVEAT) == GLX_SLOW_CONFIG) score += 200;
        if (best == 0 || score < best_score) {
            best = static_cast<std::int32_t>(i + 1);
            best_score = score;
        }
    }
    return best;
}

bool X11Backend::describe_pixel_format(std::int32_t format, PIXELFORMATDESCRIPTOR& out) {
    load_formats();
    if (format < 1 || static_cast<std::size_t>(format) > formats_.size()) return false;
    GLXFBConfig c = formats_[static_cast<std::size_t>(format - 1)];
    out = PIXELFORMATDESCRIPTOR{};
    out.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    out.nVersion = 1;
    out.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    if (attrib(dpy, c, GLX_DOUBLEBUFFER)) out.dwFlags |= PFD_DOUBLEBUFFER;
    if (attrib(dpy, c, GLX_STEREO)) out.dwFlags |= PFD_STEREO;
    out.iPixelType = PFD_TYPE_RGBA;
    auto byte = [](int v) { return static_cast<BYTE>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
    const int r = attrib(dpy, c, GLX_RED_SIZE), g = attrib(dpy, c, GLX_GREEN_SIZE),
              b = attrib(dpy, c, GLX_BLUE_SIZE), a = attrib(dpy, c, GLX_ALPHA_SIZE);
    out.cColorBits = byte(r + g + b);
    out.cRedBits = byte(r);
    out.cGreenBits = byte(g);
    out.cBlueBits = byte(b);
    out.cAlphaBits = byte(a);
    if (XVisualInfo* vi = glXGetVisualFromFBConfig(dpy, c); vi != nullptr) {
        out.cRedShift = byte(shift_of(vi->red_mask));
        out.cGreenShift = byte(shift_of(vi->green_mask));
        out.cBlueShift = byte(shift_of(vi->blue_mask));
        const int used = bits_in(vi->red_mask | vi->green_mask | vi->blue_mask);
        out.cAlphaShift = byte(a > 0 ? used : 0);
        XFree(vi);
    }
    const int ar = attrib(dpy, c, GLX_ACCUM_RED_SIZE), ag = attrib(dpy, c, GLX_ACCUM_GREEN_SIZE),
              ab = attrib(dpy, c, GLX_ACCUM_BLUE_SIZE), aa = attrib(dpy, c, GLX_ACCUM_ALPHA_SIZE);
    out.cAccumBits = byte(ar + ag + ab + aa);
    out.cAccumRedBits = byte(ar);
    out.cAccumGreenBits = byte(ag);
    out.cAccumBlueBits = byte(ab);
    out.cAccumAlphaBits = byte(aa);
    out.cDepthBits = byte(attrib(dpy, c, GLX_DEPTH_SIZE));
    out.cStencilBits = byte(attrib(dpy, c, GLX_STENCIL_SIZE));
    out.cAuxBuffers = byte(attrib(dpy, c, GLX_AUX_BUFFERS));
    out.iLayerType = PFD_MAIN_PLANE;
    return true;
}

bool X11Backend::set_pixel_format(HWND hwnd, std::int32_t format) {
    load_formats();
    NativeWin* w = find_alive(hwnd);
    if (w == nullptr || format < 1 || static_cast<std::size_t>(format) > formats_.size())
        return false;
    if (w->format != 0) return w->format == format;  // a window's format is set once
    GLXFBConfig c = formats_[static_cast<std::size_t>(format - 1)];
    XVisualInfo* vi = glXGetVisualFromFBConfig(dpy, c);
    if (vi == nullptr) return false;
    // The client window's visual is fixed: GL renders into a child window of
    // the format's visual that fills the client area.
    ::Window r = 0;
    int gx = 0, gy = 0;
    unsigned cw = 1, ch = 1, gb = 0, gd = 0;
    if (XGetGeometry(dpy, w->win, &r, &gx, &gy, &cw, &ch, &gb, &gd)) {
        w->client_w = static_cast<std::int32_t>(cw);
        w->client_h = static_cast<std::int32_t>(ch);
    }
    const Colormap cmap = XCreateColormap(dpy, w->win, vi->visual, AllocNone);
    XSetWindowAttributes a{};
    a.colormap = cmap;
    a.border_pixel = 0;
    a.background_pixmap = 0;  // None: GL draws every pixel
    a.event_mask = ExposureMask;  // pointer and key events pass up to the owner
    a.bit_gravity = NorthWestGravity;
    const ::Window gl =
        XCreateWindow(dpy, w->win, 0, 0, static_cast<unsigned>(w->client_w),
                      static_cast<unsigned>(w->client_h), 0, vi->depth, InputOutput, vi->visual,
                      CWColormap | CWBorderPixel | CWBackPixmap | CWEventMask | CWBitGravity, &a);
    XFree(vi);
    if (gl == 0) {
        XFreeColormap(dpy, cmap);
        return false;
    }
    XLowerWindow(dpy, gl);  // below the status bar and other children
    XMapWindow(dpy, gl);
    w->gl = gl;
    w->gl_cmap = cmap;
    w->format = format;
    by_xid_[gl] = hwnd;
    XSync(dpy, False);
    return true;
}

void* X11Backend::create_context(HWND hwnd) {
    NativeWin* w = find_alive(hwnd);
    if (w == nullptr || w->format == 0) return nullptr;
    GLXFBConfig c = formats_[static_cast<std::size_t>(w->format - 1)];
    GLXContext ctx = glXCreateNewContext(dpy, c, GLX_RGBA_TYPE, nullptr, True);
    if (ctx == nullptr) ctx = glXCreateNewContext(dpy, c, GLX_RGBA_TYPE, nullptr, False);
    if (ctx == nullptr) return nullptr;
    contexts_.insert(ctx);
    return ctx;
}

bool X11Backend::make_current(HWND hwnd, void* ctx) {
    if (ctx == nullptr) return glXMakeCurrent(dpy, 0, nullptr) != 0;
    GLXContext c = static_cast<GLXContext>(ctx);
    if (contexts_.count(c) == 0) return false;
    NativeWin* w = find_alive(hwnd);
    if (w == nullptr || w->gl == 0) return false;
    ErrorTrap trap(dpy);  // a context of another format is refused with BadMatch
    const Bool ok = glXMakeCurrent(dpy, w->gl, c);
    return ok && trap.sync_error() == 0;
}

void X11Backend::delete_context(void* ctx) {
    GLXContext c = static_cast<GLXContext>(ctx);
    if (c == nullptr || contexts_.count(c) == 0) return;
    if (glXGetCurrentContext() == c) glXMakeCurrent(dpy, 0, nullptr);
    glXDestroyContext(dpy, c);
    contexts_.erase(c);
}

bool X11Backend::swap_buffers(HWND hwnd) {
    NativeWin* w = find_alive(hwnd);
    if (w == nullptr || w->gl == 0) return false;
    glXSwapBuffers(dpy, w->gl);
    return true;
}

}  // namespace plat::x11
