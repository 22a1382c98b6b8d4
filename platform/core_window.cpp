// The portable core's window manager: window classes, the window tree and its
// records, creation and destruction, showing, painting (update regions,
// BeginPaint/EndPaint), geometry, texts, properties and default processing.
// Native windows are asked of the backend; nothing here calls X.  Depends on
// core_internal.h, objects.h (device contexts, destroy hooks, counters) and
// seams.h (forced failures).
#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/core_internal.h"
#include "platform/seams.h"

namespace plat {

namespace {

std::map<std::string, WindowClass>& classes() {
    static std::map<std::string, WindowClass> m;
    return m;
}
std::map<HWND, std::unique_ptr<Window>>& windows() {
    static std::map<HWND, std::unique_ptr<Window>> m;
    return m;
}
ATOM g_next_atom = 0xC000;

ATOM register_class(const WNDCLASSEXA& wc) {
    if (wc.lpszClassName == nullptr || *wc.lpszClassName == '\0') return 0;
    const std::string key = core_lower(wc.lpszClassName);
    if (classes().count(key) != 0) return 0;
    if (g_next_atom == 0xFFFF) return 0;  // the atom table is full
    WindowClass c;
    c.name = wc.lpszClassName;
    c.atom = g_next_atom++;
    c.style = wc.style;
    c.proc = wc.lpfnWndProc;
    c.cls_extra = wc.cbClsExtra;
    c.wnd_extra = wc.cbWndExtra;
    c.instance = wc.hInstance;
    c.icon = wc.hIcon;
    c.icon_small = wc.hIconSm;
    c.cursor = wc.hCursor;
    c.background = wc.hbrBackground;
    const ATOM atom = c.atom;
    classes().emplace(key, std::move(c));
    return atom;
}

RECT whole_client(const Window& win) {
    std::int32_t cw = 0, ch = 0;
    core_client_size(win.hwnd, cw, ch);
    return RECT{0, 0, cw, ch};
}

void invalidate(Window& win, const RECT* r, bool erase) {
    const RECT client = whole_client(win);
    RECT add = r != nullptr ? *r : client;
    add.left = std::max(add.left, client.left);
    add.top = std::max(add.top, client.top);
    add.right = std::min(add.right, client.right);
    add.bottom = std::min(add.bottom, client.bottom);
    if (add.right <= add.left || add.bottom <= add.top) return;
    if (win.update_pending) {
        win.update.left = std::min(win.update.left, add.left);
        win.update.top = std::min(win.update.top, add.top);
        win.update.right = std::max(win.update.right, add.right);
        win.update.bottom = std::max(win.update.bottom, add.bottom);
    } else {
        win.update = add;
        win.update_pending = true;
    }
    win.update_erase = win.update_erase || erase;
}

// Takes r out of the update region, kept as a bounding box: whatever r does
// not cover stays pending.
void validate(Window& win, const RECT* r) {
    if (!win.update_pending) return;
    if (r == nullptr) {
        win.update_pending = false;
        win.update_erase = false;
        return;
    }
    RECT& u = win.update;
    const bool spans_x = r->left <= u.left && r->right >= u.right;
    const bool spans_y = r->top <= u.top && r->bottom >= u.bottom;
    if (spans_x && spans_y) {
        win.update_pending = false;
        win.update_erase = false;
    } else if (spans_x) {
        if (r->top <= u.top && r->bottom > u.top) u.top = r->bottom;
        else if (r->bottom >= u.bottom && r->top < u.bottom) u.bottom = r->top;
    } else if (spans_y) {
        if (r->left <= u.left && r->right > u.left) u.left = r->right;
        else if (r->right >= u.right && r->left < u.right) u.right = r->left;
    }
    if (u.right <= u.left || u.bottom <= u.top) win.update_pending = false;
}

// Screen rectangle of a window from the layer's own records.
RECT record_screen_rect(const Window& win) {
    POINT base{0, 0};
    if (win.parent != 0) core_client_origin(win.parent, base);
    return RECT{base.x + win.x, base.y + win.y, base.x + win.x + win.w, base.y + win.y + win.h};
}

void send_size_move(HWND w, bool moved, bool sized) {
    if (moved) {
        const Window* win = core_window(w);
        if (win == nullptr) return;
        const RECT in = core_frame_insets(win->style, win->parent != 0);
        const std::int32_t cx = win->x + in.left, cy = win->y + in.top;
        SendMessageA(w, WM_MOVE, 0, MAKELPARAM(cx, cy));
    }
    if (sized) {
        std::int32_t cw = 0, ch = 0;
        if (!core_client_size(w, cw, ch)) return;
        SendMessageA(w, WM_SIZE, 0, MAKELPARAM(cw, ch));
    }
}

// Creates a window; honour_seam: whether a forced "CreateWindowExA" failure
// applies (the layer's own controls do not consume it).
HWND create_window(DWORD exStyle, const char* className, const char* title, DWORD style,
                   std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                   HWND parent, HMENU menu, HINSTANCE inst, void* param, bool honour_seam) {
    if (honour_seam && seams::take_failure("CreateWindowExA")) return 0;
    const WindowClass* cls = core_find_class(className);
    if (cls == nullptr) return 0;
    const bool child = (style & WS_CHILD) != 0;
    if (parent != 0 && core_window(parent) == nullptr) return 0;
    if (child && parent == 0) return 0;
    if (parent != 0 && core_window(parent)->destroying) return 0;

    if (x == CW_USEDEFAULT) x = y = 0;
    if (y == CW_USEDEFAULT) y = 0;
    if (width == CW_USEDEFAULT) {
        if (!child && (style & WS_POPUP) == 0) {
            width = 640;
            height = 480;
        } else {
            width = height = 0;
        }
    }
    if (height == CW_USEDEFAULT) height = 0;
    width = std::max(width, 0);
    height = std::max(height, 0);

    auto rec = std::make_unique<Window>();
    Window& win = *rec;
    win.hwnd = new_handle();
    win.class_key = core_lower(className);
    win.proc = cls->proc;
    win.parent = parent;
    win.id = child ? menu : 0;
    win.title = title != nullptr ? title : "";
    win.style = style & ~WS_VISIBLE;
    win.ex_style = exStyle;
    win.x = x;
    win.y = y;
    win.w = width;
    win.h = height;
    const HWND w = win.hwnd;
    const HCURSOR cursor = cls->cursor;
    const HICON icon = cls->icon;
    windows().emplace(w, std::move(rec));
    if (parent != 0) core_window(parent)->children.push_back(w);
    ++live_counters().windows;

    NativeWindowSpec native;
    native.parent = parent;
    native.x = x;
    native.y = y;
    native.width = width;
    native.height = height;
    native.style = style;
    native.title = core_window(w)->title.c_str();
    native.class_name = cls->name.c_str();
    native.cursor = cursor;
    native.icon = icon;
    native.visible = false;
    if (!backend().create_window(w, native)) {
        // No native window: the window never existed, and no message was sent.
        if (Window* p = core_window(parent)) {
            auto& pc = p->children;
            pc.erase(std::remove(pc.begin(), pc.end(), w), pc.end());
        }
        windows().erase(w);
        --live_counters().windows;
        return 0;
    }
    core_window(w)->native = true;
    std::int32_t iw = 0, ih = 0;
    const std::uint32_t* argb = nullptr;
    if (icon != 0 && core_icon_image(icon, iw, ih, argb)) backend().set_icon(w, iw, ih, argb);

    CREATESTRUCTA cs{};
    cs.lpCreateParams = param;
    cs.hInstance = inst;
    cs.hMenu = menu;
    cs.hwndParent = parent;
    cs.cx = width;
    cs.cy = height;
    cs.x = x;
    cs.y = y;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = title;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;
    const LPARAM key = core_pointer_key(&cs, false, kPtrCreate);
    const LRESULT r = SendMessageA(w, WM_CREATE, 0, key);
    core_pointer_release(key);
    if (r == -1) {
        DestroyWindow(w);
        return 0;
    }
    if (core_window(w) == nullptr || core_window(w)->destroying) return 0;
    send_size_move(w, true, true);
    if (core_window(w) == nullptr) return 0;
    if ((style & WS_VISIBLE) != 0) ShowWindow(w, SW_SHOW);
    return core_window(w) != nullptr ? w : 0;
}

}  // namespace

std::string core_lower(const char* s) {
    std::string r = s != nullptr ? s : "";
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

Window* core_window(HWND w) {
    if (w == 0) return nullptr;
    auto it = windows().find(w);
    return it == windows().end() ? nullptr : it->second.get();
}

const std::map<HWND, std::unique_ptr<Window>>& core_window_table() { return windows(); }

std::vector<HWND> core_windows() {
    std::vector<HWND> v;
    v.reserve(windows().size());
    for (const auto& [h, win] : windows()) v.push_back(h);
    return v;
}

const WindowClass* core_find_class(const char* name) {
    if (name == nullptr) return nullptr;
    auto it = classes().find(core_lower(name));
    return it == classes().end() ? nullptr : &it->second;
}

void core_register_internal_class(const WNDCLASSEXA& wc) { register_class(wc); }

RECT core_frame_insets(DWORD style, bool child) {
    if (!child && (style & WS_CAPTION) == WS_CAPTION) return RECT{3, 19, 3, 3};
    if ((style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME)) != 0) return RECT{1, 1, 1, 1};
    return RECT{0, 0, 0, 0};
}

bool core_client_size(HWND w, std::int32_t& cw, std::int32_t& ch) {
    const Window* win = core_window(w);
    if (win == nullptr) return false;
    RECT outer{};
    POINT origin{};
    if (win->native && backend().client_size(w, cw, ch)) return true;
    if (win->native && backend().window_rect(w, outer, origin)) {
        // The native frame is taken to be as wide on the right and at the
        // bottom as on the left.
        const std::int32_t side = std::max(origin.x - outer.left, 0);
        cw = std::max(outer.right - outer.left - 2 * side, 0);
        ch = std::max(outer.bottom - origin.y - side, 0);
        return true;
    }
    const RECT in = core_frame_insets(win->style, win->parent != 0);
    cw = std::max(win->w - in.left - in.right, 0);
    ch = std::max(win->h - in.top - in.bottom, 0);
    return true;
}

bool core_client_origin(HWND w, POINT& p) {
    const Window* win = core_window(w);
    if (win == nullptr) return false;
    RECT outer{};
    if (win->native && backend().window_rect(w, outer, p)) return true;
    const RECT r = record_screen_rect(*win);
    const RECT in = core_frame_insets(win->style, win->parent != 0);
    p = POINT{r.left + in.left, r.top + in.top};
    return true;
}

bool core_visible_chain(HWND w) {
    for (const Window* win = core_window(w); win != nullptr; win = core_window(win->parent))
        if (!win->visible) return false;
    return core_window(w) != nullptr;
}

void core_configure(HWND w, const RECT& outer) {
    Window* win = core_window(w);
    if (win == nullptr) return;
    std::int32_t x = outer.left, y = outer.top;
    if (win->parent != 0) {
        POINT base{0, 0};
        core_client_origin(win->parent, base);
        x -= base.x;
        y -= base.y;
        win = core_window(w);
    }
    const std::int32_t nw = std::max(outer.right - outer.left, 0);
    const std::int32_t nh = std::max(outer.bottom - outer.top, 0);
    const bool moved = x != win->x || y != win->y;
    const bool sized = nw != win->w || nh != win->h;
    win->x = x;
    win->y = y;
    win->w = nw;
    win->h = nh;
    send_size_move(w, moved, sized);
}

void core_native_gone(HWND w) {
    Window* win = core_window(w);
    if (win == nullptr) return;
    win->native = false;
    DestroyWindow(w);
}

// ------------------------------------------------------------------ API

HINSTANCE GetModuleInstance() {
    static const HINSTANCE inst = new_handle();
    return inst;
}

std::int32_t GetStartupShowCommand() { return SW_SHOWNORMAL; }

ATOM RegisterClassA(const WNDCLASSA* wc) {
    if (seams::take_failure("RegisterClassA")) return 0;
    if (wc == nullptr || wc->lpfnWndProc == nullptr) return 0;
    WNDCLASSEXA ex{};
    ex.cbSize = sizeof ex;
    ex.style = wc->style;
    ex.lpfnWndProc = wc->lpfnWndProc;
    ex.cbClsExtra = wc->cbClsExtra;
    ex.cbWndExtra = wc->cbWndExtra;
    ex.hInstance = wc->hInstance;
    ex.hIcon = wc->hIcon;
    ex.hCursor = wc->hCursor;
    ex.hbrBackground = wc->hbrBackground;
    ex.lpszMenuName = wc->lpszMenuName;
    ex.lpszClassName = wc->lpszClassName;
    ex.hIconSm = 0;
    return register_class(ex);
}

ATOM RegisterClassExA(const WNDCLASSEXA* wc) {
    if (seams::take_failure("RegisterClassExA")) return 0;
    if (wc == nullptr || wc->lpfnWndProc == nullptr) return 0;
    return register_class(*wc);
}

BOOL GetClassInfoExA(HINSTANCE, const char* name, WNDCLASSEXA* out) {
    const WindowClass* c = core_find_class(name);
    if (c == nullptr) return 0;
    if (out != nullptr) {
        out->cbSize = sizeof *out;
        out->style = c->style;
        out->lpfnWndProc = c->proc;
        out->cbClsExtra = c->cls_extra;
        out->cbWndExtra = c->wnd_extra;
        out->hInstance = c->instance;
        out->hIcon = c->icon;
        out->hCursor = c->cursor;
        out->hbrBackground = c->background;
        out->lpszMenuName = nullptr;
        out->lpszClassName = name;
        out->hIconSm = c->icon_small;
    }
    return c->atom;
}

BOOL UnregisterClassA(const char* name, HINSTANCE) {
    if (name == nullptr) return 0;
    const std::string key = core_lower(name);
    auto it = classes().find(key);
    if (it == classes().end()) return 0;
    for (const auto& [h, win] : windows())
        if (win->class_key == key) return 0;  // still in use
    classes().erase(it);
    return 1;
}

HWND CreateWindowExA(DWORD exStyle, const char* className, const char* title, DWORD style,
                     std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                     HWND parent, HMENU menu, HINSTANCE inst, void* param) {
    return create_window(exStyle, className, title, style, x, y, width, height, parent, menu,
                         inst, param, true);
}

void core_forget_dc(HWND w, HDC dc) {
    if (Window* win = core_window(w)) {
        auto& v = win->dcs;
        v.erase(std::remove(v.begin(), v.end(), dc), v.end());
    }
}

HWND core_create_control(DWORD style, const char* className, const char* title, std::int32_t x,
                         std::int32_t y, std::int32_t width, std::int32_t height, HWND parent,
                         UINT id) {
    return create_window(0, className, title, style, x, y, width, height, parent, id,
                         GetModuleInstance(), nullptr, false);
}

BOOL DestroyWindow(HWND w) {
    Window* win = core_window(w);
    if (win == nullptr || win->destroying) return 0;
    win->destroying = true;
    core_capture_forget(w);
    // Children first, each completely, then the window itself.
    const std::vector<HWND> kids = core_window(w)->children;
    for (HWND k : kids) DestroyWindow(k);
    SendMessageA(w, WM_DESTROY, 0, 0);
    run_window_destroy_hooks(w);
    win = core_window(w);
    if (win->native) backend().destroy_window(w);
    if (Window* p = core_window(win->parent)) {
        auto& pc = p->children;
        pc.erase(std::remove(pc.begin(), pc.end(), w), pc.end());
    }
    // Device contexts of the window go with it (a later ReleaseDC finds
    // nothing and reports 0).
    for (HDC dc : win->dcs) {
        const DeviceContext* d = dc_find(dc);
        if (d != nullptr && d->window == w && !d->memory) dc_remove(dc);
    }
    core_forget_window(w);
    windows().erase(w);
    --live_counters().windows;
    return 1;
}

BOOL IsWindow(HWND w) { return core_window(w) != nullptr ? 1 : 0; }

BOOL ShowWindow(HWND w, std::int32_t cmd) {
    Window* win = core_window(w);
    if (win == nullptr) return 0;
    const bool was = win->visible;
    const bool show = cmd != SW_HIDE;
    if (show == was) return was ? 1 : 0;
    SendMessageA(w, WM_SHOWWINDOW, show ? 1 : 0, 0);
    win = core_window(w);
    if (win == nullptr) return was ? 1 : 0;
    win->visible = show;
    if (show) win->style |= WS_VISIBLE;
    else win->style &= ~WS_VISIBLE;
    if (win->native) backend().show_window(w, show);
    if (show) {
        invalidate(*win, nullptr, true);
        if (win->parent == 0 && cmd != 4 /* SW_SHOWNOACTIVATE */ && cmd != 8 /* SW_SHOWNA */ &&
            cmd != 7 /* SW_SHOWMINNOACTIVE */)
            backend().set_focus(w);
    } else if (Window* p = core_window(win->parent)) {
        // The parent shows through where the child was.
        RECT r{win->x, win->y, win->x + win->w, win->y + win->h};
        invalidate(*p, &r, true);
    }
    return was ? 1 : 0;
}

BOOL UpdateWindow(HWND w) {
    const Window* win = core_window(w);
    if (win == nullptr) return 0;
    if (win->update_pending) SendMessageA(w, WM_PAINT, 0, 0);
    return 1;
}

BOOL InvalidateRect(HWND w, const RECT* r, BOOL erase) {
    if (w == 0) {
        for (HWND h : core_windows())
            if (Window* win = core_window(h)) invalidate(*win, nullptr, erase != 0);
        return 1;
    }
    Window* win = core_window(w);
    if (win == nullptr) return 0;
    invalidate(*win, r, erase != 0);
    return 1;
}

BOOL ValidateRect(HWND w, const RECT* r) {
    Window* win = core_window(w);
    if (win == nullptr) return 0;
    validate(*win, r);
    return 1;
}

HDC BeginPaint(HWND w, PAINTSTRUCT* ps) {
    Window* win = core_window(w);
    if (win == nullptr || ps == nullptr) return 0;
    *ps = PAINTSTRUCT{};
    ps->rcPaint = win->update_pending ? win->update : RECT{0, 0, 0, 0};
    ps->fErase = win->update_erase ? 1 : 0;
    validate(*win, nullptr);
    DeviceContext dc;
    dc.window = w;
    dc.paint = true;
    ps->hdc = dc_add(dc);
    win->dcs.push_back(ps->hdc);
    return ps->hdc;
}

BOOL EndPaint(HWND w, const PAINTSTRUCT* ps) {
    if (ps == nullptr) return 0;
    const DeviceContext* dc = dc_find(ps->hdc);
    if (dc == nullptr || !dc->paint || dc->window != w) return 0;
    dc_remove(ps->hdc);
    core_forget_dc(w, ps->hdc);
    backend().flush();
    return 1;
}

BOOL MoveWindow(HWND w, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                BOOL repaint) {
    Window* win = core_window(w);
    if (win == nullptr) return 0;
    width = std::max(width, 0);
    height = std::max(height, 0);
    const bool moved = x != win->x || y != win->y;
    const bool sized = width != win->w || height != win->h;
    win->x = x;
    win->y = y;
    win->w = width;
    win->h = height;
    if (win->native) backend().move_window(w, x, y, width, height);
    if (repaint != 0) invalidate(*win, nullptr, true);
    send_size_move(w, moved, sized);
    return 1;
}

BOOL GetWindowRect(HWND w, RECT* r) {
    const Window* win = core_window(w);
    if (win == nullptr || r == nullptr) return 0;
    POINT origin{};
    if (win->native && backend().window_rect(w, *r, origin)) return 1;
    *r = record_screen_rect(*win);
    return 1;
}

BOOL GetClientRect(HWND w, RECT* r) {
    std::int32_t cw = 0, ch = 0;
    if (r == nullptr || !core_client_size(w, cw, ch)) return 0;
    *r = RECT{0, 0, cw, ch};
    return 1;
}

BOOL ScreenToClient(HWND w, POINT* p) {
    POINT origin{};
    if (p == nullptr || !core_client_origin(w, origin)) return 0;
    p->x -= origin.x;
    p->y -= origin.y;
    return 1;
}

BOOL ClientToScreen(HWND w, POINT* p) {
    POINT origin{};
    if (p == nullptr || !core_client_origin(w, origin)) return 0;
    p->x += origin.x;
    p->y += origin.y;
    return 1;
}

HWND GetParent(HWND w) {
    const Window* win = core_window(w);
    return win == nullptr ? 0 : win->parent;
}

std::int32_t GetDlgCtrlID(HWND w) {
    const Window* win = core_window(w);
    return win == nullptr ? 0 : static_cast<std::int32_t>(win->id);
}

BOOL SetWindowTextA(HWND w, const char* text) {
    Window* win = core_window(w);
    if (win == nullptr) return 0;
    win->title = text != nullptr ? text : "";
    if (win->native && win->parent == 0) backend().set_title(w, win->title.c_str());
    // A status control shows its text in its client area; other windows show
    // it in the caption only.
    if (win->class_key == kStatusClassName) invalidate(*win, nullptr, true);
    return 1;
}

std::int32_t GetWindowTextA(HWND w, char* buf, std::int32_t max) {
    const Window* win = core_window(w);
    if (buf == nullptr || max <= 0) return 0;
    if (win == nullptr) {
        buf[0] = '\0';
        return 0;
    }
    const std::size_t n = std::min(win->title.size(), static_cast<std::size_t>(max - 1));
    std::memcpy(buf, win->title.data(), n);
    buf[n] = '\0';
    return static_cast<std::int32_t>(n);
}

std::int32_t GetSystemMetrics(std::int32_t index) {
    std::int32_t w = 0, h = 0;
    if (index != SM_CXSCREEN && index != SM_CYSCREEN) return 0;
    backend().screen_size(w, h);
    return index == SM_CXSCREEN ? w : h;
}

LRESULT DefWindowProcA(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    const Window* win = core_window(w);
    if (win == nullptr) return 0;
    switch (msg) {
    case WM_CLOSE:
        DestroyWindow(w);
        return 0;
    case WM_SYSCOMMAND:
        if ((static_cast<UINT>(wp) & 0xFFF0u) == static_cast<UINT>(SC_CLOSE))
            SendMessageA(w, WM_CLOSE, 0, 0);
        return 0;
    case WM_RBUTTONUP: {
        POINT o{0, 0};
        core_client_origin(w, o);
        SendMessageA(w, WM_CONTEXTMENU, static_cast<WPARAM>(w),
                     MAKELPARAM(o.x + GET_X_LPARAM(lp), o.y + GET_Y_LPARAM(lp)));
        return 0;
    }
    case WM_CONTEXTMENU:
        // A child leaves the request to its parent.
        if (win->parent != 0) return SendMessageA(win->parent, msg, wp, lp);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        if (BeginPaint(w, &ps) != 0) EndPaint(w, &ps);
        return 0;
    }
    default:
        return 0;
    }
}

const CREATESTRUCTA* GetCreateStruct(LPARAM lp) {
    return static_cast<const CREATESTRUCTA*>(core_pointer(lp, kPtrCreate));
}

BOOL SetPropA(HWND w, const char* name, HANDLE value) {
    Window* win = core_window(w);
    if (win == nullptr || name == nullptr) return 0;
    win->props[core_lower(name)] = value;
    return 1;
}

HANDLE GetPropA(HWND w, const char* name) {
    const Window* win = core_window(w);
    if (win == nullptr || name == nullptr) return 0;
    auto it = win->props.find(core_lower(name));
    return it == win->props.end() ? 0 : it->second;
}

HANDLE RemovePropA(HWND w, const char* name) {
    Window* win = core_window(w);
    if (win == nullptr || name == nullptr) return 0;
    auto it = win->props.find(core_lower(name));
    if (it == win->props.end()) return 0;
    const HANDLE v = it->second;
    win->props.erase(it);
    return v;
}

}  // namespace plat
