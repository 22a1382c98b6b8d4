// The null backend: no display, no native windows.  Window operations
// succeed as no-ops, the screen size, pointer position and focus are plain
// values the test seams set, OS events come only from the push_null_event
// seam, message boxes answer 0 (none could be shown) and there are no pixel
// formats or GL contexts.  Depends on the core's internal header only.
#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/core_internal.h"
#include "platform/seams.h"

namespace plat {

NullState& null_state() {
    static NullState s;
    return s;
}

void NullBackend::screen_size(std::int32_t& w, std::int32_t& h) {
    w = null_state().screen_w;
    h = null_state().screen_h;
}

void NullBackend::destroy_window(HWND hwnd) {
    if (null_state().focus == hwnd) null_state().focus = 0;
}

void NullBackend::set_focus(HWND hwnd) { null_state().focus = hwnd; }

bool NullBackend::get_cursor_pos(POINT& p) {
    p = null_state().cursor;
    return true;
}

void NullBackend::set_cursor_pos(std::int32_t x, std::int32_t y) { null_state().cursor = {x, y}; }

HWND NullBackend::focus_window() { return null_state().focus; }

bool NullBackend::next_event(NativeEvent& ev) {
    std::deque<NativeEvent>& q = null_state().events;
    if (q.empty()) return false;
    ev = q.front();
    q.pop_front();
    return true;
}

// Nothing can arrive from outside: wait a little (at most 10 ms) so that a
// caller waiting for a timer neither spins nor hangs.
void NullBackend::wait_events(std::int32_t timeout_ms) {
    const std::int32_t ms = timeout_ms < 0 ? 10 : std::min(timeout_ms, 10);
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::unique_ptr<Backend> make_null_backend() { return std::make_unique<NullBackend>(); }

namespace seams {
void set_null_cursor_pos(std::int32_t x, std::int32_t y) { null_state().cursor = {x, y}; }
void set_null_focus(HWND w) { null_state().focus = w; }
void set_null_screen_size(std::int32_t w, std::int32_t h) {
    null_state().screen_w = w;
    null_state().screen_h = h;
}
void push_null_event(const NativeEvent& ev) { null_state().events.push_back(ev); }
}  // namespace seams

}  // namespace plat
