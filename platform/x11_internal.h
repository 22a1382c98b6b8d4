// Private to the X11 backend (x11_*.cpp, glx_*.cpp): the backend object, its
// native-window records and the helpers its files share.  Includes Xlib,
// GLX, Xft and Xcursor; never include it from any other file.
// Depends on platform/backend.h, Xlib, Xext (Shape), Xft, Xcursor, GLX.
#pragma once

// The portable headers come first: X's macros (Expose, None, Bool...) would
// break them.
#include "platform/backend.h"

namespace plat::x11 {
// NativeEvent::Expose under a name that X's Expose macro leaves alone.
inline constexpr NativeEvent::Kind kExposeEvent = NativeEvent::Expose;
}  // namespace plat::x11

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/Xcursor/Xcursor.h>
#include <X11/Xft/Xft.h>
#include <GL/glx.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <unordered_map>
#include <vector>

namespace plat::x11 {

// While a trap is alive, X errors are counted instead of logged (for calls
// whose failure is expected, such as focusing a window that is not viewable).
class ErrorTrap {
public:
    explicit ErrorTrap(Display* dpy);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    // Syncs with the server and returns the first error code seen (0: none).
    int sync_error();

private:
    Display* dpy_;
    int saved_code_;
};

// Installs the process-wide error and I/O error handlers (once).
void install_error_handlers();

// Event tracing for diagnosing input: with KVX_X11_TRACE set in the
// environment, every X event the backend takes and every pointer grab and
// release is written to standard error, one line each ("kvx-x11: ...").
bool trace_enabled();

// One native window: the X window that is the client area, and the GL child
// that a pixel format adds.
struct NativeWin {
    HWND hwnd = 0;
    HWND parent = 0;         // 0: top-level
    ::Window win = 0;        // the client area
    ::Window gl = 0;         // GL child filling the client area (0: no format yet)
    Colormap gl_cmap = 0;
    std::int32_t format = 0;
    DWORD style = 0;
    bool fullscreen = false;
    bool alive = true;       // the X window still exists
    bool mapped = false;
    bool focus_on_map = false;
    std::int32_t border = 0;  // X border width (the full-screen form's thin border)
    std::int32_t client_w = 1, client_h = 1;
    std::int32_t frame_l = 0, frame_r = 0, frame_t = 0, frame_b = 0;  // a WM's frame
    std::int32_t outer_w = 1, outer_h = 1;  // the outer size asked for (top-level)
    XftDraw* xft = nullptr;
};

class MessageBoxWindow;

class X11Backend final : public Backend {
public:
    explicit X11Backend(Display* dpy);
    ~X11Backend() override;

    const char* name() const override { return "x11"; }
    bool has_display() const override { return true; }
    void screen_size(std::int32_t& w, std::int32_t& h) override;

    bool create_window(HWND hwnd, const NativeWindowSpec& desc) override;
    void destroy_window(HWND hwnd) override;
    void show_window(HWND hwnd, bool show) override;
    void set_title(HWND hwnd, const char* utf8) override;
    void move_window(HWND hwnd, std::int32_t x, std::int32_t y, std::int32_t w,
                     std::int32_t h) override;
    bool window_rect(HWND hwnd, RECT& outer, POINT& client_origin) override;
    bool client_size(HWND hwnd, std::int32_t& w, std::int32_t& h) override;
    void set_shape(HWND hwnd, const RECT* rects, std::int32_t n) override;
    void set_cursor(HWND hwnd, HCURSOR cursor) override;
    void set_focus(HWND hwnd) override;

    void fill_rect(HWND hwnd, const RECT& r, COLORREF color) override;
    void draw_line(HWND hwnd, std::int32_t x0, std::int32_t y0, std::int32_t x1,
                   std::int32_t y1, COLORREF color) override;
    void draw_text(HWND hwnd, const RECT& r, const char* utf8, COLORREF color) override;
    void put_image(HWND hwnd, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                   const std::uint32_t* pixels, std::int32_t stride_pixels) override;
    void flush() override;

    std::uintptr_t stock_cursor(std::uintptr_t id) override;
    std::uintptr_t image_cursor(std::int32_t w, std::int32_t h, std::int32_t hot_x,
                                std::int32_t hot_y, const std::uint32_t* argb) override;
    void set_icon(HWND hwnd, std::int32_t w, std::int32_t h, const std::uint32_t* argb) override;

    bool get_cursor_pos(POINT& p) override;
    void set_cursor_pos(std::int32_t x, std::int32_t y) override;
    bool grab_pointer(HWND hwnd) override;
    void ungrab_pointer() override;
    HWND grabbed() const { return grab_; }
    HWND focus_window() override;

    bool next_event(NativeEvent& ev) override;
    void wait_events(std::int32_t timeout_ms) override;

    std::int32_t message_box(const char* text, const char* caption, UINT style) override;

    std::int32_t choose_pixel_format(const PIXELFORMATDESCRIPTOR& want) override;
    bool describe_pixel_format(std::int32_t format, PIXELFORMATDESCRIPTOR& out) override;
    bool set_pixel_format(HWND hwnd, std::int32_t format) override;
    void* create_context(HWND hwnd) override;
    bool make_current(HWND hwnd, void* ctx) override;
    void delete_context(void* ctx) override;
    bool swap_buffers(HWND hwnd) override;

    // ---- shared by the backend's files
    Display* dpy;
    int screen;
    ::Window root;
    Visual* visual;      // the default visual
    int depth;           // the root depth
    Colormap colormap;   // the default colormap
    unsigned numlock_mask = Mod2Mask;

    struct Atoms {
        Atom wm_protocols, wm_delete_window, net_wm_name, utf8_string, net_wm_icon_name,
            net_supporting_wm_check, net_request_frame_extents, net_frame_extents,
            motif_wm_hints, net_wm_state, net_wm_state_fullscreen, net_wm_state_modal,
            net_wm_icon, net_wm_window_type, net_wm_window_type_dialog,
            net_wm_window_type_normal, net_wm_pid, net_active_window;
    } atoms{};

    XftFont* font(int which);  // 0: the status-bar font, 1: the message-box font
    unsigned long pixel_of(COLORREF c) const;
    bool wm_running();
    void set_names(::Window w, const char* utf8);
    // Waits (at most timeout_ms) for a MapNotify of w, leaving other events queued.
    bool wait_mapped(::Window w, int timeout_ms);
    void take_focus(::Window w);

    NativeWin* find(HWND hwnd);
    NativeWin* find_alive(HWND hwnd);
    HWND hwnd_of(::Window w) const;

    // Events that a modal loop fetched for the program's windows, handed out
    // by next_event before anything new.
    std::deque<XEvent> held_events;
    // The message boxes up, by their X windows (they handle their own events).
    std::unordered_map<::Window, MessageBoxWindow*> boxes;
    // Translates one X event for the program's windows; true when ev was filled.
    bool translate(XEvent& xe, NativeEvent& ev);
    // Routes an X event to a message box if it belongs to one; true if it did.
    bool route_to_box(XEvent& xe);

private:
    void destroy_native(NativeWin& w);
    void mark_dead(::Window w);
    void update_frame_extents(NativeWin& w);
    bool read_frame_extents(NativeWin& w);
    void frame_changed(NativeWin& w);
    void fill_outer(const NativeWin& w, std::int32_t& cw, std::int32_t& ch, std::int32_t width,
                    std::int32_t height) const;
    void apply_size_hints(NativeWin& w, std::int32_t x, std::int32_t y, bool position);
    bool translate_key(XEvent& xe, NativeEvent& ev);
    bool translate_button(XEvent& xe, NativeEvent& ev);
    void load_formats();
    GC gc_for(::Window w);

    std::map<HWND, std::unique_ptr<NativeWin>> wins_;
    std::unordered_map<::Window, HWND> by_xid_;     // client windows and GL children
    std::vector<GLXFBConfig> formats_;               // index + 1 = format number
    bool formats_loaded_ = false;
    std::set<GLXContext> contexts_;
    std::unordered_map<std::uintptr_t, Cursor> stock_cursors_;
    std::set<Cursor> cursors_;                        // every cursor we made
    XftFont* fonts_[2] = {nullptr, nullptr};
    GC gc_ = nullptr;
    HWND grab_ = 0;
    bool key_down_[256] = {};
    bool alt_ = false;
    int wm_frame_cache_[4] = {-1, -1, -1, -1};
    bool check_wm();
    bool wm_ = false, wm_known_ = false;
    std::chrono::steady_clock::time_point wm_checked_{};
};

}  // namespace plat::x11
