// The portable core's message queue: sent messages (run at once), posted and
// input messages, the quit flag, synthesized paint and timer messages, the
// tick counter, capture routing of mouse input, character translation and
// the modal pump a backend runs while a message box is up.  Pointers passed
// with messages live in a side table keyed by the LPARAM.  Depends on
// core_internal.h and seams.h.
#include <algorithm>
#include <deque>
#include <functional>
#include <time.h>

#include "platform/core_internal.h"
#include "platform/seams.h"

namespace plat {

namespace {

struct Timer {
    HWND hwnd;
    UINT id;
    UINT period;
    DWORD last;  // tick of the last delivery (or of SetTimer)
};

struct Queue {
    std::deque<MSG> posted;
    std::deque<MSG> input;
    bool quit = false;
    std::int32_t quit_code = 0;
    std::vector<Timer> timers;
    UINT next_thread_timer = 1;
    bool key_down[256] = {};
    HWND capture = 0;
};

Queue& q() {
    static Queue s;
    return s;
}

std::function<DWORD()>& tick_source() {
    static std::function<DWORD()> f;
    return f;
}

struct PointerEntry {
    const void* ptr;
    bool writable;
    std::uint8_t tag;
};
std::map<LPARAM, PointerEntry>& pointers() {
    static std::map<LPARAM, PointerEntry> m;
    return m;
}

constexpr UINT kMouseFirst = 0x0200, kMouseLast = 0x020E;

bool is_descendant(HWND w, HWND ancestor) {
    for (const Window* win = core_window(w); win != nullptr; win = core_window(win->parent))
        if (win->parent == ancestor) return true;
    return false;
}

// HWND filter: 0 any, 0xFFFFFFFF only thread messages (hwnd 0), else the
// window and its descendants.
bool hwnd_matches(HWND msg_hwnd, HWND filter) {
    if (filter == 0) return true;
    if (filter == 0xFFFFFFFFu) return msg_hwnd == 0;
    return msg_hwnd == filter || is_descendant(msg_hwnd, filter);
}

bool range_matches(UINT msg, UINT min, UINT max) {
    if (min == 0 && max == 0) return true;
    return msg >= min && msg <= max;
}

MSG make_msg(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    MSG msg{};
    msg.hwnd = w;
    msg.message = m;
    msg.wParam = wp;
    msg.lParam = lp;
    msg.time = GetTickCount();
    msg.pt = core_cursor_pos();
    return msg;
}

void note_key(const MSG& m) {
    if (m.wParam < 0 || m.wParam > 255) return;
    if (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN) q().key_down[m.wParam] = true;
    if (m.message == WM_KEYUP || m.message == WM_SYSKEYUP) q().key_down[m.wParam] = false;
}

void drain_backend() {
    NativeEvent ev;
    // Bounded, so a backend that never runs dry cannot hold the caller.
    for (int i = 0; i < 4096 && backend().next_event(ev); ++i) {
        switch (ev.kind) {
        case NativeEvent::Input:
            if (ev.msg.hwnd == 0) ev.msg.hwnd = ev.hwnd;
            core_queue_input(ev.msg);
            break;
        case NativeEvent::Close:
            if (core_window(ev.hwnd) != nullptr) PostMessageA(ev.hwnd, WM_CLOSE, 0, 0);
            break;
        case NativeEvent::Expose:
            if (core_window(ev.hwnd) != nullptr) InvalidateRect(ev.hwnd, &ev.rect, 0);
            break;
        case NativeEvent::Configure:
            core_configure(ev.hwnd, ev.rect);
            break;
        case NativeEvent::Destroyed:
            core_native_gone(ev.hwnd);
            break;
        }
    }
}

template <class Pred>
bool take_from(std::deque<MSG>& d, Pred match, bool remove, MSG* out) {
    for (auto it = d.begin(); it != d.end(); ++it) {
        if (!match(*it)) continue;
        *out = *it;
        if (remove) d.erase(it);
        return true;
    }
    return false;
}

// The next message in the original platform's order: posted, input, quit
// (allow_quit), paint, timers.
bool peek(MSG* out, HWND filter, UINT min, UINT max, UINT remove, bool allow_quit) {
    drain_backend();
    const bool rm = (remove & PM_REMOVE) != 0;
    auto match = [&](const MSG& m) {
        return hwnd_matches(m.hwnd, filter) && range_matches(m.message, min, max);
    };
    if (take_from(q().posted, match, rm, out)) return true;
    if (take_from(q().input, match, rm, out)) {
        if (rm) note_key(*out);
        return true;
    }
    if (allow_quit && q().quit && (filter == 0 || filter == 0xFFFFFFFFu) &&
        range_matches(WM_QUIT, min, max)) {
        *out = make_msg(0, WM_QUIT, q().quit_code, 0);
        if (rm) q().quit = false;
        return true;
    }
    if (range_matches(WM_PAINT, min, max)) {
        // A scan of the table, allocating nothing (the frame loop peeks every pass).
        for (const auto& [w, win] : core_window_table()) {
            if (!win->update_pending || !hwnd_matches(w, filter)) continue;
            if (!core_visible_chain(w)) continue;
            *out = make_msg(w, WM_PAINT, 0, 0);  // stays pending until validated
            return true;
        }
    }
    if (range_matches(WM_TIMER, min, max) && !q().timers.empty()) {
        const DWORD now = GetTickCount();
        for (Timer& t : q().timers) {
            if (!hwnd_matches(t.hwnd, filter)) continue;
            if (static_cast<DWORD>(now - t.last) < t.period) continue;
            *out = make_msg(t.hwnd, WM_TIMER, static_cast<WPARAM>(t.id), 0);
            if (rm) t.last = now;
            return true;
        }
    }
    return false;
}

// Milliseconds until the next timer is due; -1 without timers.
std::int32_t next_timer_ms() {
    if (q().timers.empty()) return -1;
    const DWORD now = GetTickCount();
    DWORD best = 0xFFFFFFFFu;
    for (const Timer& t : q().timers) {
        const DWORD since = now - t.last;
        const DWORD left = since >= t.period ? 0 : t.period - since;
        best = std::min(best, left);
    }
    return static_cast<std::int32_t>(std::min<DWORD>(best, 0x7FFFFFFF));
}

char translate_key(WPARAM vk, bool shift) {
    if (vk >= 'A' && vk <= 'Z') return static_cast<char>(shift ? vk : vk - 'A' + 'a');
    if (vk >= '0' && vk <= '9') {
        static const char shifted[] = ")!@#$%^&*(";
        return shift ? shifted[vk - '0'] : static_cast<char>(vk);
    }
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return static_cast<char>('0' + (vk - VK_NUMPAD0));
    switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return '\r';
    case VK_BACK: return '\b';
    case VK_TAB: return '\t';
    case VK_ESCAPE: return 27;
    case VK_MULTIPLY: return '*';
    case VK_ADD: return '+';
    case VK_SUBTRACT: return '-';
    case VK_DECIMAL: return '.';
    case VK_DIVIDE: return '/';
    case VK_OEM_1: return shift ? ':' : ';';
    case VK_OEM_PLUS: return shift ? '+' : '=';
    case VK_OEM_COMMA: return shift ? '<' : ',';
    case VK_OEM_MINUS: return shift ? '_' : '-';
    case VK_OEM_PERIOD: return shift ? '>' : '.';
    case VK_OEM_2: return shift ? '?' : '/';
    case VK_OEM_3: return shift ? '~' : '`';
    case VK_OEM_4: return shift ? '{' : '[';
    case VK_OEM_5: return shift ? '|' : '\\';
    case VK_OEM_6: return shift ? '}' : ']';
    case VK_OEM_7: return shift ? '"' : '\'';
    default: return 0;
    }
}

}  // namespace

// ------------------------------------------------------------------ internal

POINT core_cursor_pos() {
    POINT p{0, 0};
    if (!backend().get_cursor_pos(p)) p = POINT{0, 0};
    return p;
}

void core_queue_input(const MSG& in) {
    MSG m = in;
    const HWND cap = q().capture;
    if (m.message >= kMouseFirst && m.message <= kMouseLast && cap != 0 && m.hwnd != cap &&
        core_window(cap) != nullptr) {
        // While a window has the capture, mouse messages go to it, in its
        // own client coordinates.
        POINT from{0, 0}, to{0, 0};
        if (m.hwnd != 0) core_client_origin(m.hwnd, from);
        core_client_origin(cap, to);
        m.lParam = MAKELPARAM(GET_X_LPARAM(m.lParam) + from.x - to.x,
                              GET_Y_LPARAM(m.lParam) + from.y - to.y);
        m.hwnd = cap;
    }
    if (core_window(m.hwnd) == nullptr) return;
    if (m.time == 0) m.time = GetTickCount();
    q().input.push_back(m);
}

void core_forget_window(HWND w) {
    auto drop = [w](std::deque<MSG>& d) {
        d.erase(std::remove_if(d.begin(), d.end(), [w](const MSG& m) { return m.hwnd == w; }),
                d.end());
    };
    drop(q().posted);
    drop(q().input);
    auto& t = q().timers;
    t.erase(std::remove_if(t.begin(), t.end(), [w](const Timer& x) { return x.hwnd == w; }),
            t.end());
}

LPARAM core_pointer_key(const void* p, bool writable, std::uint8_t tag) {
    const LPARAM key = static_cast<LPARAM>(new_handle());
    pointers()[key] = PointerEntry{p, writable, tag};
    return key;
}

void core_pointer_release(LPARAM key) { pointers().erase(key); }

const void* core_pointer(LPARAM key, std::uint8_t tag) {
    auto it = pointers().find(key);
    return (it == pointers().end() || it->second.tag != tag) ? nullptr : it->second.ptr;
}

void core_capture_forget(HWND w) {
    if (q().capture == w) ReleaseCapture();
}

// ------------------------------------------------------------------ API

LRESULT SendMessageA(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    const Window* win = core_window(w);
    if (win == nullptr) return 0;
    const WNDPROC proc = win->proc;
    return proc != nullptr ? proc(w, msg, wp, lp) : DefWindowProcA(w, msg, wp, lp);
}

LRESULT SendMessagePtr(HWND w, UINT msg, WPARAM wp, const void* lp) {
    if (core_window(w) == nullptr) return 0;
    const LPARAM key = core_pointer_key(lp, false, kPtrMessage);
    const LRESULT r = SendMessageA(w, msg, wp, key);
    core_pointer_release(key);
    return r;
}

LRESULT SendMessagePtr(HWND w, UINT msg, WPARAM wp, void* lp) {
    if (core_window(w) == nullptr) return 0;
    const LPARAM key = core_pointer_key(lp, true, kPtrMessage);
    const LRESULT r = SendMessageA(w, msg, wp, key);
    core_pointer_release(key);
    return r;
}

LRESULT SendMessagePtr(HWND w, UINT msg, WPARAM wp, std::nullptr_t) {
    return SendMessagePtr(w, msg, wp, static_cast<const void*>(nullptr));
}

const void* MessagePointer(LPARAM lp) { return core_pointer(lp, kPtrMessage); }

void* MessageOutPointer(LPARAM lp) {
    auto it = pointers().find(lp);
    if (it == pointers().end() || it->second.tag != kPtrMessage || !it->second.writable)
        return nullptr;
    return const_cast<void*>(it->second.ptr);
}

BOOL PostMessageA(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (w != 0 && core_window(w) == nullptr) return 0;
    q().posted.push_back(make_msg(w, msg, wp, lp));
    return 1;
}

void PostQuitMessage(std::int32_t code) {
    q().quit = true;
    q().quit_code = code;
}

BOOL PeekMessageA(MSG* msg, HWND filter, UINT min, UINT max, UINT remove) {
    if (msg == nullptr) return 0;
    return peek(msg, filter, min, max, remove, true) ? 1 : 0;
}

BOOL GetMessageA(MSG* msg, HWND filter, UINT min, UINT max) {
    if (msg == nullptr) return -1;
    if (filter != 0 && filter != 0xFFFFFFFFu && core_window(filter) == nullptr) return -1;
    for (;;) {
        if (peek(msg, filter, min, max, PM_REMOVE, true)) return msg->message == WM_QUIT ? 0 : 1;
        backend().wait_events(next_timer_ms());
    }
}

BOOL TranslateMessage(const MSG* msg) {
    if (msg == nullptr) return 0;
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return 0;
    const bool shift = q().key_down[VK_SHIFT] || q().key_down[VK_LSHIFT] ||
                       q().key_down[VK_RSHIFT];
    const char c = translate_key(msg->wParam, shift);
    if (c == 0) return 0;
    const UINT m = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    PostMessageA(msg->hwnd, m, static_cast<unsigned char>(c), msg->lParam);
    return 1;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (msg == nullptr || msg->hwnd == 0) return 0;
    return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

UINT SetTimer(HWND w, UINT id, UINT periodMs, void*) {
    if (w != 0 && core_window(w) == nullptr) return 0;
    // As on the original platform: at least 10 ms, at most 0x7FFFFFFF.
    const UINT period = std::clamp<UINT>(periodMs, 10, 0x7FFFFFFF);
    if (w == 0) id = q().next_thread_timer++;
    for (Timer& t : q().timers) {
        if (t.hwnd == w && t.id == id) {
            t.period = period;
            t.last = GetTickCount();
            return id == 0 ? 1 : id;
        }
    }
    q().timers.push_back(Timer{w, id, period, GetTickCount()});
    return id == 0 ? 1 : id;
}

BOOL KillTimer(HWND w, UINT id) {
    auto& t = q().timers;
    auto it = std::find_if(t.begin(), t.end(), [&](const Timer& x) { return x.hwnd == w && x.id == id; });
    if (it == t.end()) return 0;
    t.erase(it);
    return 1;
}

DWORD GetTickCount() {
    if (tick_source()) return tick_source()();
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    const std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                             static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<DWORD>(ms);  // wraps every 49.7 days, as on the original platform
}

HWND SetCapture(HWND w) {
    const HWND prev = q().capture;
    if (core_window(w) == nullptr) return 0;
    if (prev == w) return prev;
    q().capture = w;
    if (prev != 0) SendMessageA(prev, WM_CAPTURECHANGED, 0, static_cast<LPARAM>(w));
    backend().grab_pointer(w);
    return prev;
}

BOOL ReleaseCapture() {
    const HWND prev = q().capture;
    if (prev == 0) return 1;
    q().capture = 0;
    backend().ungrab_pointer();
    SendMessageA(prev, WM_CAPTURECHANGED, 0, 0);
    return 1;
}

HWND GetCapture() { return q().capture; }

void core_pump_modal() {
    // Everything pending when the pump starts, plus one paint per window and
    // one message per timer, bounds the pass; the quit message stays queued.
    std::size_t budget = q().posted.size() + q().input.size() + core_windows().size() +
                         q().timers.size() + 8;
    MSG m;
    while (budget-- > 0 && peek(&m, 0, 0, 0, PM_REMOVE, false)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

namespace seams {
void set_tick_source(std::function<DWORD()> source) { tick_source() = std::move(source); }
void clear_tick_source() { tick_source() = nullptr; }
void inject_input(const MSG& msg) { core_queue_input(msg); }
}  // namespace seams

}  // namespace plat
