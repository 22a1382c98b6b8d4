// The narrow OS interface between the portable core of the window-system
// layer and an OS backend.  The core (classes, window tree, queue, timers,
// properties, GDI objects, regions, BMP decoding) never calls X; everything
// that needs a real screen goes through one Backend object.
//
// Backends: "null" (no display: no native windows, message boxes answer 0,
// input only from what tests inject), "egl" (the null backend plus OpenGL
// contexts from EGL's surfaceless platform, for headless GL), "x11" (Xlib +
// GLX + Xft + Xcursor + XShape).  The first use picks one: the KVX_BACKEND
// environment variable if set, else "x11" when DISPLAY is set, else "null".
// Internal header: include it only from platform/ and tests.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/win.h"

namespace plat {

// An event from the OS, already in the window system's terms.  The backend
// maps its native windows back to the core's HWNDs.
struct NativeEvent {
    enum Kind : std::uint8_t {
        Input,      // msg is a ready input message (keys, mouse) for msg.hwnd
        Close,      // the window manager asks to close hwnd (close box)
        Expose,     // rect of hwnd needs repainting
        Configure,  // hwnd's outer rectangle (screen coordinates) is now rect
        Destroyed,  // the native window went away on its own
    };
    Kind kind = Input;
    HWND hwnd = 0;
    MSG msg{};
    RECT rect{};
};

// What the core asks for when it creates a native window.
struct NativeWindowSpec {
    HWND parent = 0;             // 0: a top-level window
    std::int32_t x = 0, y = 0;   // top-level: screen position of the outer frame;
                                 // child: position in the parent's client area
    std::int32_t width = 0, height = 0;  // outer size (frame included for top-level)
    DWORD style = 0;             // the window's style bits (caption, border, popup...)
    const char* title = "";      // UTF-8
    const char* class_name = ""; // for WM_CLASS
    HCURSOR cursor = 0;          // the class cursor (0: inherit)
    HICON icon = 0;              // the class icon (0: none)
    bool visible = false;
};

class Backend {
public:
    virtual ~Backend() = default;
    virtual const char* name() const = 0;
    // True when native windows are shown on a real screen.
    virtual bool has_display() const = 0;

    // --- screen
    virtual void screen_size(std::int32_t& w, std::int32_t& h) = 0;

    // --- native windows (one per core window that wants one)
    virtual bool create_window(HWND hwnd, const NativeWindowSpec& desc) = 0;
    virtual void destroy_window(HWND hwnd) = 0;
    virtual void show_window(HWND hwnd, bool show) = 0;
    virtual void set_title(HWND hwnd, const char* utf8) = 0;
    virtual void move_window(HWND hwnd, std::int32_t x, std::int32_t y, std::int32_t w,
                             std::int32_t h) = 0;
    // Outer rectangle in screen coordinates and the client area's origin on
    // the screen; false when the backend has no such window.
    virtual bool window_rect(HWND hwnd, RECT& outer, POINT& client_origin) = 0;
    // The client area's size, when the backend knows it exactly; false (the
    // default) lets the core derive it from window_rect, taking the frame to
    // be as wide at the right and at the bottom as at the left.
    virtual bool client_size(HWND hwnd, std::int32_t& w, std::int32_t& h) { return false; }
    // Shape a window by a list of rectangles (window coordinates); n < 0
    // removes the shape.
    virtual void set_shape(HWND hwnd, const RECT* rects, std::int32_t n) = 0;
    virtual void set_cursor(HWND hwnd, HCURSOR cursor) = 0;
    virtual void set_focus(HWND hwnd) = 0;

    // --- 2-D drawing into a window (status bar, image buttons)
    virtual void fill_rect(HWND hwnd, const RECT& r, COLORREF color) = 0;
    virtual void draw_line(HWND hwnd, std::int32_t x0, std::int32_t y0, std::int32_t x1,
                           std::int32_t y1, COLORREF color) = 0;
    // Text, left-aligned and vertically centred in r, clipped to r.
    virtual void draw_text(HWND hwnd, const RECT& r, const char* utf8, COLORREF color) = 0;
    // 32-bit pixels, blue in bits 0-7, green 8-15, red 16-23, rows top-down.
    virtual void put_image(HWND hwnd, std::int32_t x, std::int32_t y, std::int32_t w,
                           std::int32_t h, const std::uint32_t* pixels,
                           std::int32_t stride_pixels) = 0;
    virtual void flush() = 0;

    // --- cursors and icons: native objects made from stock ids or ARGB images
    // (alpha in bits 24-31); 0 when not possible.
    virtual std::uintptr_t stock_cursor(std::uintptr_t id) = 0;
    virtual std::uintptr_t image_cursor(std::int32_t w, std::int32_t h, std::int32_t hot_x,
                                        std::int32_t hot_y, const std::uint32_t* argb) = 0;
    virtual void set_icon(HWND hwnd, std::int32_t w, std::int32_t h,
                          const std::uint32_t* argb) = 0;

    // --- pointer and focus
    virtual bool get_cursor_pos(POINT& p) = 0;
    virtual void set_cursor_pos(std::int32_t x, std::int32_t y) = 0;
    virtual bool grab_pointer(HWND hwnd) = 0;
    virtual void ungrab_pointer() = 0;
    // The top-level window that has the input focus, 0 if none of ours.
    virtual HWND focus_window() = 0;

    // --- events
    // Fetches one pending event without blocking; false when none is pending.
    virtual bool next_event(NativeEvent& ev) = 0;
    // Blocks until an event may be pending or timeout_ms passes (-1: forever).
    virtual void wait_events(std::int32_t timeout_ms) = 0;

    // --- message boxes: the answer (IDOK, IDYES, IDNO), or 0 when no box
    // could be shown.  While the box is up the backend keeps calling
    // core_pump_modal() so the program's other windows keep working.
    virtual std::int32_t message_box(const char* text, const char* caption, UINT style) = 0;

    // --- OpenGL
    // Index (1-based) of the closest format, 0 if none.
    virtual std::int32_t choose_pixel_format(const PIXELFORMATDESCRIPTOR& want) = 0;
    virtual bool describe_pixel_format(std::int32_t format, PIXELFORMATDESCRIPTOR& out) = 0;
    // Gives hwnd's client area the format (a window's format is set once).
    virtual bool set_pixel_format(HWND hwnd, std::int32_t format) = 0;
    // A legacy (compatibility-profile) context for hwnd's format; null on failure.
    virtual void* create_context(HWND hwnd) = 0;
    // Makes ctx current for hwnd on this thread; ctx null releases.
    virtual bool make_current(HWND hwnd, void* ctx) = 0;
    virtual void delete_context(void* ctx) = 0;
    virtual bool swap_buffers(HWND hwnd) = 0;
};

// The backend in use (created on first use).
Backend& backend();
// Replaces the backend ("null", "egl", "x11"); false if the name is unknown
// or the backend cannot start (the old one stays).  Call before any window
// exists.
bool select_backend(const char* name);

std::unique_ptr<Backend> make_null_backend();
std::unique_ptr<Backend> make_egl_backend();   // nullptr when EGL cannot start
std::unique_ptr<Backend> make_x11_backend();   // nullptr when no display opens

// Called by a backend while a modal loop (message box) runs: dispatches the
// messages pending for the program's windows, leaving a quit message queued.
void core_pump_modal();

// For backends: the native cursor of a core cursor handle (NativeWindowSpec's
// cursor, set_cursor's argument), made on first use with stock_cursor() or
// image_cursor(); 0 when the handle is not a cursor or none can be made.
std::uintptr_t core_native_cursor(HCURSOR cursor);

}  // namespace plat
