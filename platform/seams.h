// Test seams of the window-system layer, each small and explicit:
//  - a settable tick source for GetTickCount,
//  - a message-box answerer that records texts, captions and styles,
//  - injection of input messages as though they came from the OS,
//  - counts of live objects per kind.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/win.h"

namespace plat::seams {

// --- ticks: while set, GetTickCount() returns what the source returns.
void set_tick_source(std::function<DWORD()> source);
void clear_tick_source();

// --- message boxes
struct RecordedBox {
    std::string text;
    std::string caption;
    UINT style;
};
// While an answerer is set, MessageBoxA records the box and returns `answer`
// instead of showing anything.
void answer_message_boxes(std::int32_t answer);
void stop_answering_message_boxes();
const std::vector<RecordedBox>& recorded_boxes();
void clear_recorded_boxes();

// --- input: queues msg as an input message of msg.hwnd, as the backend would.
void inject_input(const MSG& msg);
// The null backend's pointer position and focus (screen pixels).
void set_null_cursor_pos(std::int32_t x, std::int32_t y);
void set_null_focus(HWND w);
void set_null_screen_size(std::int32_t w, std::int32_t h);
// Queues an OS event for the null backend to report, as a real backend would
// (close box, expose, configure, native window gone).
void push_null_event(const NativeEvent& ev);

// --- forced failures: the next call of the named operation fails as the
// window system would ("RegisterClassA", "RegisterClassExA",
// "CreateWindowExA", "CreateStatusWindowA", "ChoosePixelFormat",
// "wglCreateContext", "CreateCompatibleDC", "CreateDIBSection",
// "ExtCreateRegion", "CombineRgn", "GlobalAlloc", "GlobalReAlloc",
// "GlobalLock"); each armed failure fires once.  Windows the layer
// makes for its own controls do not consume a "CreateWindowExA" failure.
void fail_next(const char* operation);
// True (and disarms it) when a failure of `operation` is armed.
bool take_failure(const char* operation);
void clear_failures();

// --- live objects per kind
struct LiveCounts {
    std::int32_t windows = 0, dcs = 0, bitmaps = 0, palettes = 0, regions = 0, globals = 0,
                 contexts = 0, cursors = 0;
};
LiveCounts live_counts();

}  // namespace plat::seams
