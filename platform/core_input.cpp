// The portable core's pointer, focus and message-box operations, and the
// test seams for message boxes and forced failures.  Depends on
// core_internal.h and seams.h; the backend shows boxes and moves the pointer.
#include <cstdio>
#include <map>
#include <string>

#include "platform/core_internal.h"
#include "platform/seams.h"

namespace plat {

namespace {
struct BoxSeam {
    bool answering = false;
    std::int32_t answer = 0;
    std::vector<seams::RecordedBox> boxes;
};
BoxSeam& box_seam() {
    static BoxSeam s;
    return s;
}
std::map<std::string, int>& armed() {
    static std::map<std::string, int> m;
    return m;
}
}  // namespace

HWND GetForegroundWindow() { return backend().focus_window(); }

BOOL GetCursorPos(POINT* p) {
    if (p == nullptr) return 0;
    POINT q{0, 0};
    if (!backend().get_cursor_pos(q)) return 0;
    *p = q;
    return 1;
}

BOOL SetCursorPos(std::int32_t x, std::int32_t y) {
    backend().set_cursor_pos(x, y);
    return 1;
}

std::int32_t MessageBoxA(HWND, const char* text, const char* caption, UINT style) {
    if (text == nullptr) text = "";
    if (caption == nullptr) caption = "Error";
    BoxSeam& s = box_seam();
    if (s.answering) {
        s.boxes.push_back(seams::RecordedBox{text, caption, style});
        return s.answer;
    }
    const std::int32_t r = backend().message_box(text, caption, style);
    if (r == 0) {
        // No box could be shown: the caption and the text go to standard error.
        std::fprintf(stderr, "%s\n%s\n", caption, text);
        std::fflush(stderr);
    }
    return r;
}

namespace seams {
void answer_message_boxes(std::int32_t answer) {
    box_seam().answering = true;
    box_seam().answer = answer;
}
void stop_answering_message_boxes() { box_seam().answering = false; }
const std::vector<RecordedBox>& recorded_boxes() { return box_seam().boxes; }
void clear_recorded_boxes() { box_seam().boxes.clear(); }

void fail_next(const char* operation) {
    if (operation != nullptr) ++armed()[operation];
}
bool take_failure(const char* operation) {
    if (operation == nullptr) return false;
    auto it = armed().find(operation);
    if (it == armed().end()) return false;
    if (--it->second <= 0) armed().erase(it);
    return true;
}
void clear_failures() { armed().clear(); }
}  // namespace seams

}  // namespace plat
