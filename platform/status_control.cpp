// The status control of the common controls: a child window of an internal
// class along the bottom of its parent's client area (full width, 22 pixels
// high) that keeps its text (the window text is part 0's), is divided into
// parts by right edges (SB_SETPARTS / SB_GETPARTS, up to 256, -1 meaning "to
// the right edge"), takes texts per part (SB_SETTEXTA) and paints a
// face-coloured background, the texts and the part dividers through the
// backend's 2-D drawing.  Depends on the core's window and queue API.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/core_internal.h"
#include "platform/seams.h"

namespace plat {

namespace {

constexpr std::int32_t kStatusHeight = 22;
constexpr WPARAM kMaxParts = 256;

struct StatusData {
    std::vector<std::int32_t> edges;
    std::map<std::int32_t, std::string> texts;  // parts 1.. (part 0 is the window text)
};

std::map<HWND, StatusData>& statuses() {
    static std::map<HWND, StatusData> m;
    return m;
}

void forget_status(HWND w) { statuses().erase(w); }

void fit_to_parent(HWND w) {
    const HWND p = GetParent(w);
    RECT pc{}, mine{};
    if (p == 0 || !GetClientRect(p, &pc)) return;
    const Window* win = core_window(w);
    if (win == nullptr) return;
    mine = RECT{win->x, win->y, win->x + win->w, win->y + win->h};
    const RECT want{0, pc.bottom - kStatusHeight, pc.right, pc.bottom};
    if (std::memcmp(&mine, &want, sizeof want) != 0)
        MoveWindow(w, want.left, want.top, want.right - want.left, kStatusHeight, 1);
}

void paint(HWND w) {
    PAINTSTRUCT ps;
    if (BeginPaint(w, &ps) == 0) return;
    RECT rc{};
    GetClientRect(w, &rc);
    Backend& b = backend();
    const COLORREF face = core_sys_color(COLOR_BTNFACE);
    const COLORREF shadow = core_sys_color(16);  // COLOR_BTNSHADOW
    const COLORREF text = core_sys_color(18);    // COLOR_BTNTEXT
    b.fill_rect(w, rc, face);
    b.draw_line(w, rc.left, rc.top, rc.right, rc.top, shadow);
    auto it = statuses().find(w);
    const std::vector<std::int32_t> edges =
        it != statuses().end() ? it->second.edges : std::vector<std::int32_t>{};
    const std::size_t parts = std::max<std::size_t>(edges.size(), 1);
    std::int32_t left = 0;
    char title[1024];
    GetWindowTextA(w, title, sizeof title);
    for (std::size_t i = 0; i < parts; ++i) {
        std::int32_t right = i < edges.size() ? edges[i] : -1;
        if (right < 0 || right > rc.right) right = rc.right;
        if (right < left) right = left;
        const RECT cell{left + 4, rc.top + 2, right - 4, rc.bottom - 2};
        std::string s;
        if (i == 0) s = title;
        else if (it != statuses().end()) {
            auto t = it->second.texts.find(static_cast<std::int32_t>(i));
            if (t != it->second.texts.end()) s = t->second;
        }
        if (!s.empty() && cell.right > cell.left) b.draw_text(w, cell, s.c_str(), text);
        if (right < rc.right) b.draw_line(w, right, rc.top + 2, right, rc.bottom - 2, shadow);
        left = right;
    }
    EndPaint(w, &ps);
}

LRESULT status_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        statuses()[w];
        return 0;
    case SB_SETPARTS: {
        if (wp < 0 || wp > kMaxParts) return 0;
        const auto* e = static_cast<const std::int32_t*>(MessagePointer(lp));
        if (wp > 0 && e == nullptr) return 0;
        statuses()[w].edges.assign(e, e + wp);
        InvalidateRect(w, nullptr, 1);
        return 1;
    }
    case SB_GETPARTS: {
        const StatusData& d = statuses()[w];
        if (wp > 0) {
            if (auto* out = static_cast<std::int32_t*>(MessageOutPointer(lp))) {
                const std::size_t n = std::min<std::size_t>(d.edges.size(),
                                                            static_cast<std::size_t>(wp));
                std::copy_n(d.edges.begin(), n, out);
            }
        }
        return static_cast<LRESULT>(d.edges.size());
    }
    case SB_SETTEXTA: {
        std::int32_t part = wp & 0xFF;
        if (part == 0xFF) part = 0;  // the simple-mode part
        const auto* s = static_cast<const char*>(MessagePointer(lp));
        if (part == 0) SetWindowTextA(w, s != nullptr ? s : "");
        else statuses()[w].texts[part] = s != nullptr ? s : "";
        InvalidateRect(w, nullptr, 1);
        return 1;
    }
    case WM_SIZE:
        fit_to_parent(w);
        return 0;
    case WM_PAINT:
        paint(w);
        return 0;
    default:
        return DefWindowProcA(w, msg, wp, lp);
    }
}

}  // namespace

HWND CreateStatusWindowA(LONG style, const char* text, HWND parent, UINT id) {
    if (seams::take_failure("CreateStatusWindowA")) return 0;
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = status_proc;
        wc.hInstance = GetModuleInstance();
        wc.hCursor = LoadCursorA(0, IDC_ARROW);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = kStatusClassName;
        core_register_internal_class(wc);
        add_window_destroy_hook(forget_status);
        registered = true;
    }
    RECT pc{0, 0, 0, 0};
    if (parent != 0 && !GetClientRect(parent, &pc)) return 0;
    return core_create_control(static_cast<DWORD>(style), kStatusClassName, text, 0,
                               pc.bottom - kStatusHeight, pc.right, kStatusHeight, parent, id);
}

}  // namespace plat
