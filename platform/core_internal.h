// Internal to the portable core of the window-system layer: the window and
// class records, the null backend's state, the queue entry points shared by
// the core's files, and the brush objects.  Depends on platform/win.h,
// platform/backend.h and platform/objects.h; includes no X11 or GL header.
// Not a public header.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/objects.h"
#include "platform/win.h"

namespace plat {

// ------------------------------------------------------------------ classes
struct WindowClass {
    std::string name;  // as registered
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    std::int32_t cls_extra = 0, wnd_extra = 0;
    HINSTANCE instance = 0;
    HICON icon = 0, icon_small = 0;
    HCURSOR cursor = 0;
    HBRUSH background = 0;
};

// Registers a class for the layer's own controls (no forced failure, no
// complaint when it already exists).
void core_register_internal_class(const WNDCLASSEXA& wc);
const WindowClass* core_find_class(const char* name);

// ------------------------------------------------------------------ windows
struct Window {
    HWND hwnd = 0;
    std::string class_key;  // lower-case class name
    WNDPROC proc = nullptr;
    HWND parent = 0;
    std::vector<HWND> children;  // in creation order
    UINT id = 0;                 // control id (the menu argument of a child)
    std::string title;
    DWORD style = 0, ex_style = 0;
    // Outer rectangle: top-level windows in screen coordinates, children in
    // their parent's client coordinates.
    std::int32_t x = 0, y = 0, w = 0, h = 0;
    std::map<std::string, HANDLE> props;  // lower-case names
    bool update_pending = false;
    bool update_erase = false;
    RECT update{};  // bounding box of the update region, client coordinates
    bool visible = false;
    bool native = false;      // the backend has a native window for it
    bool destroying = false;  // DestroyWindow is under way
    std::int32_t pixel_format = 0;
    std::vector<HDC> dcs;  // window and paint contexts made for it, not yet released
};

// The record of a live window (also while it is being destroyed); nullptr
// for 0, unknown and destroyed handles.  Never keep the pointer across a
// call that can run a window procedure.
Window* core_window(HWND w);
// Creates a window of the layer's own controls (no forced failure applies).
HWND core_create_control(DWORD style, const char* className, const char* title, std::int32_t x,
                         std::int32_t y, std::int32_t width, std::int32_t height, HWND parent,
                         UINT id);
// Forgets a device context made for w (released).
void core_forget_dc(HWND w, HDC dc);
// The window table, in creation order (handles only grow); for scans that run
// no window procedure.
const std::map<HWND, std::unique_ptr<Window>>& core_window_table();
// Live windows in creation order.
std::vector<HWND> core_windows();
// Frame sizes the layer's own geometry uses for a style (left, top, right,
// bottom): a caption frame is 3/19/3/3, a thin border 1 on every side.
RECT core_frame_insets(DWORD style, bool child);
// The client area's size and its top-left corner on the screen.
bool core_client_size(HWND w, std::int32_t& cw, std::int32_t& ch);
bool core_client_origin(HWND w, POINT& p);
// Applies a native Configure (outer rectangle in screen coordinates).
void core_configure(HWND w, const RECT& outer);
// The native window went away on its own.
void core_native_gone(HWND w);
// Whether w and all its ancestors are visible.
bool core_visible_chain(HWND w);

// ------------------------------------------------------------------ queue
// Appends an input message, routing mouse messages to the capture window.
void core_queue_input(const MSG& m);
// Drops the queued messages and timers of a destroyed window.
void core_forget_window(HWND w);
// The cursor position for a message record (0, 0 when unknown).
POINT core_cursor_pos();
// A pointer passed with a message: the key is the message's LPARAM.
LPARAM core_pointer_key(const void* p, bool writable, std::uint8_t tag);
void core_pointer_release(LPARAM key);
const void* core_pointer(LPARAM key, std::uint8_t tag);
constexpr std::uint8_t kPtrMessage = 1, kPtrCreate = 2;

// ------------------------------------------------------------------ capture
void core_capture_forget(HWND w);

// ------------------------------------------------------------------ resources
// The ARGB image of an icon or cursor that came from a file.
bool core_icon_image(HANDLE h, std::int32_t& w, std::int32_t& hgt, const std::uint32_t*& argb);
// Backend switch: native cursors are remade lazily for the new backend.
void core_reset_native_cursors();

// The classic system colour of an index (COLOR_BTNFACE ...), 0 if unknown.
COLORREF core_sys_color(std::int32_t index);

// A brush (stock brushes only: system colours and stock objects).
struct BrushObject : GdiObject {
    GdiKind kind() const override { return GdiKind::Brush; }
    COLORREF color = 0;
    bool hollow = false;
};
// The colour of a brush handle; false when it is not a solid brush.
bool core_brush_color(HBRUSH b, COLORREF& c);

// ------------------------------------------------------------------ null backend
struct NullState {
    std::int32_t screen_w = 1024, screen_h = 768;
    POINT cursor{0, 0};
    HWND focus = 0;
    std::deque<NativeEvent> events;  // pushed by the test seam
};
NullState& null_state();

// The null backend, also the base of the EGL backend.
class NullBackend : public Backend {
public:
    const char* name() const override { return "null"; }
    bool has_display() const override { return false; }
    void screen_size(std::int32_t& w, std::int32_t& h) override;
    bool create_window(HWND, const NativeWindowSpec&) override { return true; }
    void destroy_window(HWND hwnd) override;
    void show_window(HWND, bool) override {}
    void set_title(HWND, const char*) override {}
    void move_window(HWND, std::int32_t, std::int32_t, std::int32_t, std::int32_t) override {}
    bool window_rect(HWND, RECT&, POINT&) override { return false; }
    void set_shape(HWND, const RECT*, std::int32_t) override {}
    void set_cursor(HWND, HCURSOR) override {}
    void set_focus(HWND hwnd) override;
    void fill_rect(HWND, const RECT&, COLORREF) override {}
    void draw_line(HWND, std::int32_t, std::int32_t, std::int32_t, std::int32_t, COLORREF) override {}
    void draw_text(HWND, const RECT&, const char*, COLORREF) override {}
    void put_image(HWND, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                   const std::uint32_t*, std::int32_t) override {}
    void flush() override {}
    std::uintptr_t stock_cursor(std::uintptr_t) override { return 0; }
    std::uintptr_t image_cursor(std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                const std::uint32_t*) override { return 0; }
    void set_icon(HWND, std::int32_t, std::int32_t, const std::uint32_t*) override {}
    bool get_cursor_pos(POINT& p) override;
    void set_cursor_pos(std::int32_t x, std::int32_t y) override;
    bool grab_pointer(HWND) override { return true; }
    void ungrab_pointer() override {}
    HWND focus_window() override;
    bool next_event(NativeEvent& ev) override;
    void wait_events(std::int32_t timeout_ms) override;
    std::int32_t message_box(const char*, const char*, UINT) override { return 0; }
    std::int32_t choose_pixel_format(const PIXELFORMATDESCRIPTOR&) override { return 0; }
    bool describe_pixel_format(std::int32_t, PIXELFORMATDESCRIPTOR&) override { return false; }
    bool set_pixel_format(HWND, std::int32_t) override { return false; }
    void* create_context(HWND) override { return nullptr; }
    bool make_current(HWND, void* ctx) override { return ctx == nullptr; }
    void delete_context(void*) override {}
    bool swap_buffers(HWND) override { return false; }
};

// The class of the status control (lower case, as class keys are kept).
constexpr const char* kStatusClassName = "msctls_statusbar32";

// Lower-case copy (class and property names compare without case).
std::string core_lower(const char* s);

}  // namespace plat
