// The X11 backend: the connection and its error handlers, native windows
// (top-level, full-screen and child), 2-D drawing for the status bar and the
// image buttons, cursors and icons, the pointer, capture and focus.
// Events are in x11_events.cpp, GL formats and contexts in glx_formats.cpp,
// message boxes in x11_msgbox.cpp.
// Depends on x11_internal.h (Xlib, Xext Shape, Xft, Xcursor, GLX).
#include "platform/x11_internal.h"
#include <X11/cursorfont.h>
#include <X11/extensions/shape.h>
#include <X11/XKBlib.h>
#include <X11/keysym.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>


namespace plat::x11 {

// ------------------------------------------------------------------ errors
namespace {

int g_trap_depth = 0;
int g_trap_code = 0;

int on_x_error(Display* dpy, XErrorEvent* e) {
    if (g_trap_depth > 0) {
        if (g_trap_code == 0) g_trap_code = e->error_code;
        return 0;
    }
    char text[160] = {};
    XGetErrorText(dpy, e->error_code, text, sizeof text - 1);
    std::fprintf(stderr, "Kalvox: X error: %s (request %d.%d, resource 0x%lx)\n", text,
                 static_cast<int>(e->request_code), static_cast<int>(e->minor_code),
                 e->resourceid);
    return 0;
}

int on_io_error(Display*) {
    std::fputs("Kalvox: lost the connection to the X server\n", stderr);
    std::fflush(stderr);
    _exit(1);
}

}  // namespace

void install_error_handlers() {
    static bool done = false;
    if (done) return;
    done = true;
    XSetErrorHandler(on_x_error);
    XSetIOErrorHandler(on_io_error);
}

bool trace_enabled() {
    static const bool on = std::getenv("KVX_X11_TRACE") != nullptr;
    return on;
}

ErrorTrap::ErrorTrap(Display* dpy) : dpy_(dpy), saved_code_(g_trap_code) {
    XSync(dpy_, False);  // earlier errors are reported as usual
    ++g_trap_depth;
    g_trap_code = 0;
}

ErrorTrap::~ErrorTrap() {
    XSync(dpy_, False);
    --g_trap_depth;
    g_trap_code = saved_code_;
}

int ErrorTrap::sync_error() {
    XSync(dpy_, False);
    return g_trap_code;
}

// ------------------------------------------------------------------ helpers
namespace {

constexpr long kClientMask = ExposureMask | StructureNotifyMask | KeyPressMask | KeyReleaseMask |
                             ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                             FocusChangeMask | PropertyChangeMask;
// Child windows leave keys to the top-level window (keys go to the focus).
constexpr long kChildMask =
    ExposureMask | StructureNotifyMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask;

bool is_caption(DWORD style) { return (style & WS_CAPTION) == WS_CAPTION; }
bool has_thin_border(DWORD style) { return (style & WS_CAPTION) == WS_BORDER; }

std::int32_t at_least_1(std::int64_t v) {
    if (v < 1) return 1;
    if (v > 32767) return 32767;
    return static_cast<std::int32_t>(v);
}

// Position coordinates as X takes them (16-bit signed).
int clamp16(std::int64_t v) {
    if (v < -32768) return -32768;
    if (v > 32767) return 32767;
    return static_cast<int>(v);
}

void sleep_ms(int ms) { ::poll(nullptr, 0, ms); }

using Clock = std::chrono::steady_clock;

int mask_shift(unsigned long mask) {
    int s = 0;
    if (mask == 0) return 0;
    while ((mask & 1u) == 0) {
        mask >>= 1;
        ++s;
    }
    return s;
}

}  // namespace

// ------------------------------------------------------------------ connection
X11Backend::X11Backend(Display* d) : dpy(d) {
    screen = DefaultScreen(dpy);
    root = RootWindow(dpy, screen);
    visual = DefaultVisual(dpy, screen);
    depth = DefaultDepth(dpy, screen);
    colormap = DefaultColormap(dpy, screen);

    const char* names[] = {"WM_PROTOCOLS",
                           "WM_DELETE_WINDOW",
                           "_NET_WM_NAME",
                           "UTF8_STRING",
                           "_NET_WM_ICON_NAME",
                           "_NET_SUPPORTING_WM_CHECK",
                           "_NET_REQUEST_FRAME_EXTENTS",
                           "_NET_FRAME_EXTENTS",
                           "_MOTIF_WM_HINTS",
                           "_NET_WM_STATE",
                           "_NET_WM_STATE_FULLSCREEN",
                           "_NET_WM_STATE_MODAL",
                           "_NET_WM_ICON",
                           "_NET_WM_WINDOW_TYPE",
                           "_NET_WM_WINDOW_TYPE_DIALOG",
                           "_NET_WM_WINDOW_TYPE_NORMAL",
                           "_NET_WM_PID",
                           "_NET_ACTIVE_WINDOW"};
    constexpr int kNames = static_cast<int>(sizeof names / sizeof names[0]);
    Atom got[kNames] = {};
    XInternAtoms(dpy, const_cast<char**>(names), kNames, False, got);
    Atom* fields[] = {&atoms.wm_protocols,
                      &atoms.wm_delete_window,
                      &atoms.net_wm_name,
                      &atoms.utf8_string,
                      &atoms.net_wm_icon_name,
                      &atoms.net_supporting_wm_check,
                      &atoms.net_request_frame_extents,
                      &atoms.net_frame_extents,
                      &atoms.motif_wm_hints,
                      &atoms.net_wm_state,
                      &atoms.net_wm_state_fullscreen,
                      &atoms.net_wm_state_modal,
                      &atoms.net_wm_icon,
                      &atoms.net_wm_window_type,
                      &atoms.net_wm_window_type_dialog,
                      &atoms.net_wm_window_type_normal,
                      &atoms.net_wm_pid,
                      &atoms.net_active_window};
    static_assert(sizeof fields / sizeof fields[0] == kNames);
    for (int i = 0; i < kNames; ++i) *fields[i] = got[i];

    // Autorepeat gives repeated presses without releases in between.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(dpy, True, &supported);
    if (const unsigned m = XkbKeysymToModifiers(dpy, XK_Num_Lock); m != 0) numlock_mask = m;
    gc_ = XCreateGC(dpy, root, 0, nullptr);
}

X11Backend::~X11Backend() {
    if (glXGetCurrentContext() != nullptr) glXMakeCurrent(dpy, 0, nullptr);
    for (GLXContext c : contexts_) glXDestroyContext(dpy, c);
    contexts_.clear();
    for (auto& [h, w] : wins_)
        if (w->xft != nullptr) XftDrawDestroy(w->xft);
    for (auto& [h, w] : wins_)
        if (w->alive && w->parent == 0) XDestroyWindow(dpy, w->win);
    for (auto& [h, w] : wins_)
        if (w->gl_cmap != 0) XFreeColormap(dpy, w->gl_cmap);
    wins_.clear();
    for (Cursor c : cursors_) XFreeCursor(dpy, c);
    for (XftFont*& f : fonts_)
        if (f != nullptr) XftFontClose(dpy, f);
    if (gc_ != nullptr) XFreeGC(dpy, gc_);
    XCloseDisplay(dpy);
}

void X11Backend::screen_size(std::int32_t& w, std::int32_t& h) {
    w = DisplayWidth(dpy, screen);
    h = DisplayHeight(dpy, screen);
}

NativeWin* X11Backend::find(HWND hwnd) {
    auto it = wins_.find(hwnd);
    return it == wins_.end() ? nullptr : it->second.get();
}

NativeWin* X11Backend::find_alive(HWND hwnd) {
    NativeWin* w = find(hwnd);
    return (w != nullptr && w->alive) ? w : nullptr;
}

HWND X11Backend::hwnd_of(::Window w) const {
    auto it = by_xid_.find(w);
    return it == by_xid_.end() ? 0 : it->second;
}

unsigned long X11Backend::pixel_of(COLORREF c) const {
    const unsigned long r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    auto place = [](unsigned long v, unsigned long mask) -> unsigned long {
        if (mask == 0) return 0;
        const int shift = mask_shift(mask);
        unsigned long bits = 0;
        for (unsigned long m = mask >> shift; m != 0; m >>= 1) ++bits;
        const unsigned long scaled = bits >= 8 ? v << (bits - 8) : v >> (8 - bits);
        return (scaled << shift) & mask;
    };
    return place(r, visual->red_mask) | place(g, visual->green_mask) |
           place(b, visual->blue_mask);
}

XftFont* X11Backend::font(int which) {
    if (which < 0 || which > 1) which = 0;
    if (fonts_[which] == nullptr) {
        const char* pattern = which == 0 ? "DejaVu Sans:pixelsize=12" : "DejaVu Sans:pixelsize=14";
        fonts_[which] = XftFontOpenName(dpy, screen, pattern);
        if (fonts_[which] == nullptr) fonts_[which] = XftFontOpenName(dpy, screen, "sans");
    }
    return fonts_[which];
}

bool X11Backend::wm_running() {
    // Asked often (window rectangles): the answer is kept for a second.
    const auto now = Clock::now();
    if (wm_known_ && now - wm_checked_ < std::chrono::seconds(1)) return wm_;
    wm_ = check_wm();
    wm_known_ = true;
    wm_checked_ = now;
    return wm_;
}

bool X11Backend::check_wm() {
    auto check_of = [this](::Window w, ::Window& out) {
        Atom type = 0;
        int format = 0;
        unsigned long n = 0, left = 0;
        unsigned char* data = nullptr;
        out = 0;
        const int rc = XGetWindowProperty(dpy, w, atoms.net_supporting_wm_check, 0, 1, False,
                                          XA_WINDOW, &type, &format, &n, &left, &data);
        if (rc == Success && type == XA_WINDOW && format == 32 && n == 1 && data != nullptr)
            out = static_cast<::Window>(reinterpret_cast<unsigned long*>(data)[0]);
        if (data != nullptr) XFree(data);
    };
    ::Window w = 0;
    check_of(root, w);
    if (w == 0) return false;
    ErrorTrap trap(dpy);  // the check window may be stale
    ::Window again = 0;
    check_of(w, again);
    return trap.sync_error() == 0 && again == w;
}

void X11Backend::set_names(::Window w, const char* utf8) {
    if (utf8 == nullptr) utf8 = "";
    const std::size_t len = std::strlen(utf8);
    // WM_NAME is Latin-1: use it when the title fits, else UTF8_STRING.
    std::string latin1;
    bool fits = true;
    for (std::size_t i = 0; i < len && fits;) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            latin1 += static_cast<char>(c);
            i += 1;
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < len &&
                   (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
            latin1 += static_cast<char>(((c & 0x03) << 6) |
                                        (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
            i += 2;
        } else {
            fits = false;
        }
    }
    const int n = static_cast<int>(len);
    if (fits) {
        XChangeProperty(dpy, w, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(latin1.data()),
                        static_cast<int>(latin1.size()));
        XChangeProperty(dpy, w, XA_WM_ICON_NAME, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(latin1.data()),
                        static_cast<int>(latin1.size()));
    } else {
        XChangeProperty(dpy, w, XA_WM_NAME, atoms.utf8_string, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(utf8), n);
        XChangeProperty(dpy, w, XA_WM_ICON_NAME, atoms.utf8_string, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(utf8), n);
    }
    XChangeProperty(dpy, w, atoms.net_wm_name, atoms.utf8_string, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8), n);
    XChangeProperty(dpy, w, atoms.net_wm_icon_name, atoms.utf8_string, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8), n);
}

bool X11Backend::wait_mapped(::Window w, int timeout_ms) {
    const auto until = Clock::now() + std::chrono::milliseconds(timeout_ms);
    XFlush(dpy);
    for (;;) {
        XEvent ev;
        if (XCheckTypedWindowEvent(dpy, w, MapNotify, &ev)) return true;
        if (Clock::now() >= until) return false;
        pollfd p{ConnectionNumber(dpy), POLLIN, 0};
        ::poll(&p, 1, 5);
        XEventsQueued(dpy, QueuedAfterReading);
    }
}

void X11Backend::take_focus(::Window w) {
    ErrorTrap trap(dpy);  // a window that is not viewable refuses the focus
    XSetInputFocus(dpy, w, RevertToParent, CurrentTime);
    trap.sync_error();
}

// ------------------------------------------------------------------ windows
bool X11Backend::read_frame_extents(NativeWin& w) {
    Atom type = 0;
    int format = 0;
    unsigned long n = 0, left = 0;
    unsigned char* data = nullptr;
    bool ok = false;
    if (XGetWindowProperty(dpy, w.win, atoms.net_frame_extents, 0, 4, False, XA_CARDINAL, &type,
                           &format, &n, &left, &data) == Success &&
        type == XA_CARDINAL && format == 32 && n == 4 && data != nullptr) {
        const long* v = reinterpret_cast<const long*>(data);
        w.frame_l = static_cast<std::int32_t>(v[0]);
        w.frame_r = static_cast<std::int32_t>(v[1]);
        w.frame_t = static_cast<std::int32_t>(v[2]);
        w.frame_b = static_cast<std::int32_t>(v[3]);
        ok = true;
    }
    if (data != nullptr) XFree(data);
    return ok;
}

void X11Backend::update_frame_extents(NativeWin& w) {
    w.frame_l = w.frame_r = w.frame_t = w.frame_b = 0;
    if (!is_caption(w.style) || w.parent != 0 || !wm_running()) return;
    if (read_frame_extents(w)) return;
    if (wm_frame_cache_[0] >= 0) {
        w.frame_l = wm_frame_cache_[0];
        w.frame_r = wm_frame_cache_[1];
        w.frame_t = wm_frame_cache_[2];
        w.frame_b = wm_frame_cache_[3];
        return;
    }
    // Ask the window manager what its frame will be, and wait a little.
    XEvent req{};
    req.xclient.type = ClientMessage;
    req.xclient.window = w.win;
    req.xclient.message_type = atoms.net_request_frame_extents;
    req.xclient.format = 32;
    XSendEvent(dpy, root, False, SubstructureNotifyMask | SubstructureRedirectMask, &req);
    XFlush(dpy);
    const auto until = Clock::now() + std::chrono::milliseconds(200);
    while (Clock::now() < until) {
        if (read_frame_extents(w)) {
            wm_frame_cache_[0] = w.frame_l;
            wm_frame_cache_[1] = w.frame_r;
            wm_frame_cache_[2] = w.frame_t;
            wm_frame_cache_[3] = w.frame_b;
            return;
        }
        sleep_ms(5);
    }
}

void X11Backend::frame_changed(NativeWin& w) {
    // The frame the window manager really drew may differ from the one it
    // announced (a window that cannot be resized has no sizing handle): keep
    // the outer size the program asked for.
    if (w.parent != 0 || !is_caption(w.style) || w.fullscreen) return;
    const std::int32_t l = w.frame_l, r = w.frame_r, t = w.frame_t, b = w.frame_b;
    if (!read_frame_extents(w) || (l == w.frame_l && r == w.frame_r && t == w.frame_t && b == w.frame_b))
        return;
    std::int32_t cw = 1, ch = 1;
    fill_outer(w, cw, ch, w.outer_w, w.outer_h);
    if (cw == w.client_w && ch == w.client_h) return;
    w.client_w = cw;
    w.client_h = ch;
    apply_size_hints(w, 0, 0, false);
    XResizeWindow(dpy, w.win, static_cast<unsigned>(cw), static_cast<unsigned>(ch));
    XFlush(dpy);
}

void X11Backend::fill_outer(const NativeWin& w, std::int32_t& cw, std::int32_t& ch,
                            std::int32_t width, std::int32_t height) const {
    cw = at_least_1(static_cast<std::int64_t>(width) - 2 * w.border - w.frame_l - w.frame_r);
    ch = at_least_1(static_cast<std::int64_t>(height) - 2 * w.border - w.frame_t - w.frame_b);
}

void X11Backend::apply_size_hints(NativeWin& w, std::int32_t x, std::int32_t y,
                                  bool position) {
    XSizeHints* hints = XAllocSizeHints();
    if (hints == nullptr) return;
    hints->flags = PWinGravity | (position ? (USPosition | PPosition) : 0);
    hints->x = x;
    hints->y = y;
    hints->win_gravity = NorthWestGravity;
    if ((w.style & WS_THICKFRAME) == 0 && !w.fullscreen) {
        // No sizing frame: the window keeps its size, as on the original platform.
        hints->flags |= PMinSize | PMaxSize;
        hints->min_width = hints->max_width = w.client_w;
        hints->min_height = hints->max_height = w.client_h;
    }
    XSetWMNormalHints(dpy, w.win, hints);
    XFree(hints);
}

bool X11Backend::create_window(HWND hwnd, const NativeWindowSpec& desc) {
    if (hwnd == 0 || find(hwnd) != nullptr) return false;
    ::Window parent_win = root;
    if (desc.parent != 0) {
        NativeWin* p = find_alive(desc.parent);
        if (p == nullptr) return false;
        parent_win = p->win;
    }
    auto rec = std::make_unique<NativeWin>();
    NativeWin& w = *rec;
    w.hwnd = hwnd;
    w.parent = desc.parent;
    w.style = desc.style;
    std::int32_t sw = 0, sh = 0;
    screen_size(sw, sh);
    const bool top = desc.parent == 0;
    w.border = has_thin_border(desc.style) ? 1 : 0;
    w.fullscreen = top && has_thin_border(desc.style) && desc.width == sw && desc.height == sh;
    const bool wm = top && wm_running();
    fill_outer(w, w.client_w, w.client_h, desc.width, desc.height);

    XSetWindowAttributes a{};
    unsigned long mask = CWEventMask | CWBorderPixel | CWBitGravity;
    a.event_mask = top ? kClientMask : kChildMask;
    a.border_pixel = pixel_of(RGB(100, 100, 100));
    a.bit_gravity = NorthWestGravity;
    if (top) {
        a.background_pixel = BlackPixel(dpy, screen);
        mask |= CWBackPixel;
    } else {
        a.background_pixmap = 0;  // None: the core paints children
        mask |= CWBackPixmap;
    }
    // The default position puts a window at the top-left corner.
    const std::int32_t x = desc.x == CW_USEDEFAULT ? 0 : desc.x;
    const std::int32_t y = desc.y == CW_USEDEFAULT ? 0 : desc.y;
    w.win = XCreateWindow(dpy, parent_win, clamp16(x), clamp16(y),
                          static_cast<unsigned>(w.client_w), static_cast<unsigned>(w.client_h),
                          static_cast<unsigned>(w.border), CopyFromParent, InputOutput,
                          CopyFromParent, mask, &a);
    if (w.win == 0) return false;
    by_xid_[w.win] = hwnd;

    if (top) {
        set_names(w.win, desc.title);
        const std::string cls = (desc.class_name != nullptr && desc.class_name[0] != '\0')
                                    ? desc.class_name
                                    : "Kalvox";
        XClassHint ch{const_cast<char*>(cls.c_str()), const_cast<char*>(cls.c_str())};
        XSetClassHint(dpy, w.win, &ch);
        Atom protocols[] = {atoms.wm_delete_window};
        XSetWMProtocols(dpy, w.win, protocols, 1);
        XWMHints wmh{};
        wmh.flags = InputHint | StateHint;
        wmh.input = True;
        wmh.initial_state = NormalState;
        XSetWMHints(dpy, w.win, &wmh);
        const long pid = static_cast<long>(getpid());
        XChangeProperty(dpy, w.win, atoms.net_wm_pid, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pid), 1);
        XChangeProperty(dpy, w.win, atoms.net_wm_window_type, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&atoms.net_wm_window_type_normal),
                        1);
        if (!is_caption(desc.style)) {
            // Undecorated: flags = decorations, decorations = none.
            const long motif[5] = {2, 0, 0, 0, 0};
            XChangeProperty(dpy, w.win, atoms.motif_wm_hints, atoms.motif_wm_hints, 32,
                            PropModeReplace, reinterpret_cast<const unsigned char*>(motif), 5);
        }
        if (w.fullscreen && wm)
            XChangeProperty(dpy, w.win, atoms.net_wm_state, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&atoms.net_wm_state_fullscreen),
                            1);
        if (wm && is_caption(desc.style)) {
            update_frame_extents(w);
            fill_outer(w, w.client_w, w.client_h, desc.width, desc.height);
            XResizeWindow(dpy, w.win, static_cast<unsigned>(w.client_w),
                          static_cast<unsigned>(w.client_h));
        }
        w.outer_w = desc.width;
        w.outer_h = desc.height;
        apply_size_hints(w, x, y, true);
    }
    wins_.emplace(hwnd, std::move(rec));
    if (desc.cursor != 0) set_cursor(hwnd, desc.cursor);
    if (desc.visible) show_window(hwnd, true);
    XFlush(dpy);
    return true;
}

void X11Backend::mark_dead(::Window xid) {
    // Every record whose native window lies inside xid loses it with xid.
    bool changed = true;
    std::set<HWND> dead;
    for (auto& [h, w] : wins_)
        if (w->win == xid) dead.insert(h);
    while (changed) {
        changed = false;
        for (auto& [h, w] : wins_)
            if (w->parent != 0 && dead.count(w->parent) != 0 && dead.insert(h).second)
                changed = true;
    }
    for (HWND h : dead) {
        NativeWin& w = *wins_[h];
        if (!w.alive) continue;
        if (grab_ == h) {
            XUngrabPointer(dpy, CurrentTime);
            grab_ = 0;
        }
        if (w.gl != 0 && glXGetCurrentDrawable() == w.gl) glXMakeCurrent(dpy, 0, nullptr);
        if (w.xft != nullptr) XftDrawDestroy(w.xft);
        w.xft = nullptr;
        by_xid_.erase(w.win);
        if (w.gl != 0) by_xid_.erase(w.gl);
        w.alive = false;
        w.mapped = false;
    }
}

void X11Backend::destroy_native(NativeWin& w) {
    if (!w.alive) return;
    const ::Window xid = w.win;
    mark_dead(xid);  // releases grab, GL drawable and Xft draws of it and its children
    XDestroyWindow(dpy, xid);
}

void X11Backend::destroy_window(HWND hwnd) {
    NativeWin* w = find(hwnd);
    if (w == nullptr) return;
    destroy_native(*w);
    if (w->gl_cmap != 0) XFreeColormap(dpy, w->gl_cmap);
    wins_.erase(hwnd);
    XFlush(dpy);
}

void X11Backend::show_window(HWND hwnd, bool show) {
    NativeWin* w = find_alive(hwnd);
    if (w == nullptr) return;
    if (show) {
        if (w->mapped) return;
        XMapRaised(dpy, w->win);
        w->mapped = true;
        if (w->parent == 0 && !wm_running()) {
            // No window manager gives the focus: take it once the window is up.
            if (wait_mapped(w->win, 500))
                take_focus(w->win);
            else
                w->focus_on_map = true;
        }
    } else {
        if (!w->mapped) return;
        if (w->parent == 0)
            XWithdrawWindow(dpy, w->win, screen);
        else
            XUnmapWindow(dpy, w->win);
        w->mapped = false;
    }
    XFlush(dpy);
}

void X11Backend::set_title(HWND hwnd, const char* utf8) {
    NativeWin* w = find_alive(hwnd);
    if (w == nullptr || w->parent != 0) return;
    set_names(w->win, utf8);
    XFlush(dpy);
}

void X11Backend::move_window(HWND hwnd, std::int32_t x, std::int32_t y, std::int32_t width,
                             std::int32_t height) {
    NativeWin* w = find_alive(hwnd);
    if (w == nullptr) return;
    std::int32_t cw = 1, ch = 1;
    fill_outer(*w, cw, ch, width, height);
    if (w->parent == 0) {
        w->client_w = cw;
        w->client_h = ch;
        w->outer_w = width;
        w->outer_h = height;
        apply_size_hints(*w, x, y, true);
    }
    XMoveResizeWindow(dpy, w->win, clamp16(x), clamp16(y), static_cast<unsigned>(cw),
                      static_cast<unsigned>(ch));
    if (w->gl != 0)
        XResizeWindow(dpy, w->gl, static_cast<unsigned>(cw), static_cast<unsigned>(ch));
    XFlush(dpy);
}

bool X11Backend::window_rect(HWND hwnd, RECT& outer, POINT& client_origin) {
    NativeWin* w = find_alive(hwnd);
    if (w == nullptr) return false;
    ::Window r = 0, child = 0;
    int gx = 0, gy = 0, ox = 0, oy = 0;
    unsigned gw = 0, gh = 0, gb = 0, gd = 0;
    if (!XGetGeometry(dpy, w->win, &r, &gx, &gy, &gw, &gh, &gb, &gd)) return false;
    if (!XTranslateCoordinates(dpy, w->win, root, 0, 0, &ox, &oy, &child)) return false;
    if (w->parent == 0 && is_caption(w->style) && w->frame_t + w->frame_l == 0 && wm_running())
        update_frame_extents(*w);
    const int b = static_cast<int>(gb);
    client_origin = {ox, oy};
    outer.left = ox - b - w->frame_l;
    outer.top = oy - b - w->frame_t;
    outer.right = ox + static_cast<int>(gw) + b + w->frame_r;
    outer.bottom = oy + static_cast<int>(gh) + b + w->frame_b;
    return true;
}

bool X11Backend::client_size(HWND hwnd, std::int32_t& cw, std::int32_t& ch) {
    NativeWin* w = find_alive(hwnd);
    if (w == nullptr) return false;
    ::Window r = 0;
    int gx = 0, gy = 0;
    unsigned gw = 0, gh = 0, gb = 0, gd = 0;
    if (!XGetGeometry(dpy, w->win, &r, &gx, &gy, &gw, &gh, &gb, &gd)) return false;
    cw = static_cast<std::int32_t>(gw);
    ch = static_cast<std::int32_t>(gh);
    return true;
}

void X11Backend::set_shape(HWND hwnd, const RECT* rects, std::int32_t n) {
    NativeWin* w = find_alive(hwnd);
    if (w == nullptr) return;
    if (n < 0 || (n > 0 && rects == nullptr)) {
        XShapeCombineMask(dpy, w->win, ShapeBounding, 0, 0, 0, ShapeSet);
    } else {
        std::vector<XRectangle> xr;
        xr.reserve(static_cast<std::size_t>(n));
        for (std::int32_t i = 0; i < n; ++i) {
            const RECT& r = rects[i];
            if (r.right <= r.left || r.bottom <= r.top) continue;
            // Window coordinates start at the outer corner; X's at the inside of the border.
            XRectangle x{};
            x.x = static_cast<short>(clamp16(static_cast<std::int64_t>(r.left) - w->border));
            x.y = static_cast<short>(clamp16(static_cast<std::int64_t>(r.top) - w->border));
            x.width = static_cast<unsigned short>(
                at_least_1(static_cast<std::int64_t>(r.right) - r.left));
            x.height = static_cast<unsigned short>(
                at_least_1(static_cast<std::int64_t>(r.bottom) - r.top));
            xr.push_back(x);
        }
        XShapeCombineRectangles(dpy, w->win, ShapeBounding, 0, 0, xr.data(),
                                static_cast<int>(xr.size()), ShapeSet, Unsorted);
    }
    XFlush(dpy);
}

void X11Backend::set_cursor(HWND hwnd, HCURSOR cursor) {
    NativeWin* w = find_alive(hwnd);
    if (w == nullptr) return;
    // The core's cursor handle names a native cursor made by stock_cursor()
    // or image_cursor().
    const std::uintptr_t native = cursor == 0 ? 0 : core_native_cursor(cursor);
    if (cursor == 0)
        XUndefineCursor(dpy, w->win);
    else if (native != 0 && cursors_.count(static_cast<Cursor>(native)) != 0)
        XDefineCursor(dpy, w->win, static_cast<Cursor>(native));
    else
        return;  // no cursor of ours: the window keeps what it has
    XFlush(dpy);
}

void X11Backend::set_focus(HWND hwnd) {
    NativeWin* w = find_alive(hwnd);
    if (w == nullptr) return;
    // The keyboard focus belongs to the top-level window; keys reach it there.
    while (w->parent != 0) {
        NativeWin* p = find_alive(w->parent);
        if (p == nullptr) break;
        w = p;
    }
    if (!w->mapped) return;
    take_focus(w->win);
}

// ------------------------------------------------------------------ 2-D drawing
void X11Backend::fill_rect(HWND hwnd, const RECT& r, COLORREF color) {
    NativeWin* w = find_alive(hwnd);
    if (w == nullptr || r.right <= r.left || r.bottom <= r.top) return;
    XSetForeground(dpy, gc_, pixel_of(color));
    XFillRectangle(dpy, w->win, gc_, clamp16(r.left), clamp16(r.top),
                   static_cast<unsigned>(at_least_1(static_cast<std::int64_t>(r.right) - r.left)),
                   static_cast<unsigned>(at_least_1(static_cast<std::int64_t>(r.bottom) - r.top)));
}

void X11Backend::draw_line(HWND hwnd, std::int32_t x0, std::int32_t y0, std::int32_t x1,
                           std::int32_t y1, COLORREF color) {
    NativeWin* w = find_alive(hwnd);
    if (w == nullptr) return;
    XSetForeground(dpy, gc_, pixel_of(color));
    XDrawLine(dpy, w->win, gc_, clamp16(x0), clamp16(y0), clamp16(x1), clamp16(y1));
}

void X11Backend::draw_text(HWND hwnd, const RECT& r, const char* utf8, COLORREF color) {
    NativeWin* w = find_alive(hwnd);
    if (w == nullptr || utf8 == nullptr || r.right <= r.left || r.bottom <= r.top) return;
    XftFont* f = font(0);
    if (f == nullptr) return;
    if (w->xft == nullptr) w->xft = XftDrawCreate(dpy, w->win, visual, colormap);
    if (w->xft == nullptr) return;
    XRenderColor rc{};
    rc.red = static_cast<unsigned short>((color & 0xFF) * 257);
    rc.green = static_cast<unsigned short>(((color >> 8) & 0xFF) * 257);
    rc.blue = static_cast<unsigned short>(((color >> 16) & 0xFF) * 257);
    rc.alpha = 0xFFFF;
    XftColor xc{};
    if (!XftColorAllocValue(dpy, visual, colormap, &rc, &xc)) return;
    XRectangle clip{static_cast<short>(clamp16(r.left)), static_cast<short>(clamp16(r.top)),
                    static_cast<unsigned short>(at_least_1(static_cast<std::int64_t>(r.right) - r.left)),
                    static_cast<unsigned short>(at_least_1(static_cast<std::int64_t>(r.bottom) - r.top))};
    XftDrawSetClipRectangles(w->xft, 0, 0, &clip, 1);
    const int h = r.bottom - r.top;
    const int y = r.top + (h - (f->ascent + f->descent)) / 2 + f->ascent;
    XftDrawStringUtf8(w->xft, &xc, f, r.left, y, reinterpret_cast<const FcChar8*>(utf8),
                      static_cast<int>(std::strlen(utf8)));
    XftDrawSetClip(w->xft, nullptr);
    XftColorFree(dpy, visual, colormap, &xc);
}

void X11Backend::put_image(HWND hwnd, std::int32_t x, std::int32_t y, std::int32_t w,
                           std::int32_t h, const std::uint32_t* pixels,
                           std::int32_t stride_pixels) {
    NativeWin* win = find_alive(hwnd);
    if (win == nullptr || pixels == nullptr || w <= 0 || h <= 0 || w > 32767 || h > 32767 ||
        stride_pixels < w)
        return;
    const std::size_t count = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    std::vector<std::uint32_t> buf(count);
    const bool standard = visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00 &&
                          visual->blue_mask == 0xFF;
    for (std::int32_t row = 0; row < h; ++row) {
        const std::uint32_t* src =
            pixels + static_cast<std::size_t>(row) * static_cast<std::size_t>(stride_pixels);
        std::uint32_t* dst = buf.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(w);
        for (std::int32_t col = 0; col < w; ++col) {
            const std::uint32_t p = src[col];
            dst[col] = standard ? (p & 0xFFFFFFu)
                                : static_cast<std::uint32_t>(pixel_of(
                                      RGB(static_cast<BYTE>(p >> 16), static_cast<BYTE>(p >> 8),
                                          static_cast<BYTE>(p))));
        }
    }
    XImage* img = XCreateImage(dpy, visual, static_cast<unsigned>(depth), ZPixmap, 0,
                               reinterpret_cast<char*>(buf.data()), static_cast<unsigned>(w),
                               static_cast<unsigned>(h), 32, w * 4);
    if (img == nullptr) return;
    const std::uint32_t probe = 1;
    img->byte_order = (*reinterpret_cast<const unsigned char*>(&probe) == 1) ? LSBFirst : MSBFirst;
    XPutImage(dpy, win->win, gc_, img, 0, 0, clamp16(x), clamp16(y), static_cast<unsigned>(w),
              static_cast<unsigned>(h));
    img->data = nullptr;  // the buffer is ours
    XDestroyImage(img);
}

void X11Backend::flush() { XFlush(dpy); }

// ------------------------------------------------------------------ cursors and icons
std::uintptr_t X11Backend::stock_cursor(std::uintptr_t id) {
    struct Stock {
        std::uintptr_t id;
        const char* name;
        const char* alt;
        unsigned shape;
    };
    static const Stock kStock[] = {
        {IDC_ARROW, "left_ptr", "default", XC_left_ptr},
        {IDC_IBEAM, "xterm", "text", XC_xterm},
        {IDC_WAIT, "watch", "wait", XC_watch},
        {IDC_CROSS, "crosshair", "cross", XC_crosshair},
        {IDC_UPARROW, "sb_up_arrow", "up-arrow", XC_sb_up_arrow},
        {IDC_SIZE, "fleur", "move", XC_fleur},
        {IDC_ICON, "icon", "left_ptr", XC_icon},
        {IDC_SIZENWSE, "size_fdiag", "nwse-resize", XC_bottom_right_corner},
        {IDC_SIZENESW, "size_bdiag", "nesw-resize", XC_bottom_left_corner},
        {IDC_SIZEWE, "sb_h_double_arrow", "ew-resize", XC_sb_h_double_arrow},
        {IDC_SIZENS, "sb_v_double_arrow", "ns-resize", XC_sb_v_double_arrow},
        {IDC_SIZEALL, "fleur", "all-scroll", XC_fleur},
        {IDC_NO, "not-allowed", "crossed_circle", XC_X_cursor},
        {IDC_HAND, "hand2", "pointer", XC_hand2},
        {IDC_APPSTARTING, "left_ptr_watch", "progress", XC_watch},
        {IDC_HELP, "question_arrow", "help", XC_question_arrow},
    };
    const Stock* s = &kStock[0];  // the arrow for any other id
    for (const Stock& k : kStock)
        if (k.id == id) s = &k;
    auto it = stock_cursors_.find(s->id);
    if (it != stock_cursors_.end()) return it->second;
    Cursor c = XcursorLibraryLoadCursor(dpy, s->name);
    if (c == 0) c = XcursorLibraryLoadCursor(dpy, s->alt);
    if (c == 0) c = XCreateFontCursor(dpy, s->shape);
    if (c == 0) return 0;
    cursors_.insert(c);
    stock_cursors_[s->id] = c;
    return c;
}

std::uintptr_t X11Backend::image_cursor(std::int32_t w, std::int32_t h, std::int32_t hot_x,
                                        std::int32_t hot_y, const std::uint32_t* argb) {
    if (argb == nullptr || w <= 0 || h <= 0 || w > 1024 || h > 1024) return 0;
    XcursorImage* img = XcursorImageCreate(w, h);
    if (img == nullptr) return 0;
    img->xhot = static_cast<XcursorDim>(hot_x < 0 ? 0 : (hot_x >= w ? w - 1 : hot_x));
    img->yhot = static_cast<XcursorDim>(hot_y < 0 ? 0 : (hot_y >= h ? h - 1 : hot_y));
    const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    for (std::size_t i = 0; i < n; ++i) {
        // Xcursor takes premultiplied alpha.
        const std::uint32_t p = argb[i];
        const std::uint32_t a = p >> 24;
        auto pm = [a](std::uint32_t c) { return (c * a + 127) / 255; };
        img->pixels[i] = (a << 24) | (pm((p >> 16) & 0xFF) << 16) | (pm((p >> 8) & 0xFF) << 8) |
                         pm(p & 0xFF);
    }
    const Cursor c = XcursorImageLoadCursor(dpy, img);
    XcursorImageDestroy(img);
    if (c == 0) return 0;
    cursors_.insert(c);
    return c;
}

void X11Backend::set_icon(HWND hwnd, std::int32_t w, std::int32_t h, const std::uint32_t* argb) {
    NativeWin* win = find_alive(hwnd);
    if (win == nullptr || win->parent != 0) return;
    if (argb == nullptr || w <= 0 || h <= 0 || w > 1024 || h > 1024) {
        XDeleteProperty(dpy, win->win, atoms.net_wm_icon);
        XFlush(dpy);
        return;
    }
    const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    std::vector<long> data(n + 2);  // format-32 properties travel as longs
    data[0] = w;
    data[1] = h;
    for (std::size_t i = 0; i < n; ++i) data[i + 2] = static_cast<long>(argb[i]);
    XChangeProperty(dpy, win->win, atoms.net_wm_icon, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(data.data()),
                    static_cast<int>(data.size()));
    XFlush(dpy);
}

// ------------------------------------------------------------------ pointer and focus
bool X11Backend::get_cursor_pos(POINT& p) {
    ::Window r = 0, c = 0;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned m = 0;
    if (!XQueryPointer(dpy, root, &r, &c, &rx, &ry, &wx, &wy, &m)) return false;
    p = {rx, ry};
    return true;
}

void X11Backend::set_cursor_pos(std::int32_t x, std::int32_t y) {
    XWarpPointer(dpy, 0, root, 0, 0, 0, 0, clamp16(x), clamp16(y));
    XFlush(dpy);
}

bool X11Backend::grab_pointer(HWND hwnd) {
    NativeWin* w = find_alive(hwnd);
    if (w == nullptr) return false;
    const int rc = XGrabPointer(dpy, w->win, False,
                                ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                                GrabModeAsync, GrabModeAsync, 0, 0, CurrentTime);
    if (trace_enabled()) std::fprintf(stderr, "kvx-x11: grab 0x%lx: %d\n", w->win, rc);
    if (rc != GrabSuccess) return false;  // not viewable, or grabbed by another client
    grab_ = hwnd;
    return true;
}

void X11Backend::ungrab_pointer() {
    if (trace_enabled()) std::fprintf(stderr, "kvx-x11: ungrab\n");
    XUngrabPointer(dpy, CurrentTime);
    grab_ = 0;
    XFlush(dpy);
}

HWND X11Backend::focus_window() {
    ::Window f = 0;
    int revert = 0;
    XGetInputFocus(dpy, &f, &revert);
    for (int depth_left = 64; f > PointerRoot && depth_left > 0; --depth_left) {
        HWND h = hwnd_of(f);
        if (h != 0) {
            // Up our own tree to the top-level window.
            for (NativeWin* w = find(h); w != nullptr && w->parent != 0; w = find(w->parent))
                h = w->parent;
            return h;
        }
        ::Window r = 0, parent = 0, *kids = nullptr;
        unsigned nk = 0;
        ErrorTrap trap(dpy);
        const Status ok = XQueryTree(dpy, f, &r, &parent, &kids, &nk);
        if (kids != nullptr) XFree(kids);
        if (!ok || trap.sync_error() != 0 || parent == 0 || parent == root) break;
        f = parent;
    }
    return 0;
}

void X11Backend::wait_events(std::int32_t timeout_ms) {
    if (!held_events.empty() || XPending(dpy) > 0) return;
    pollfd p{ConnectionNumber(dpy), POLLIN, 0};
    ::poll(&p, 1, timeout_ms < 0 ? -1 : timeout_ms);
}

}  // namespace plat::x11

namespace plat {

std::unique_ptr<Backend> make_x11_backend() {
    Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr) return nullptr;
    x11::install_error_handlers();
    return std::make_unique<x11::X11Backend>(dpy);
}

}  // namespace plat
