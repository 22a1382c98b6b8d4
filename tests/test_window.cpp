// Tests of the window module without a display: creation and its failures,
// the window procedure's input handling, the frame loop, mouse view and the
// status bar.  The window and its OpenGL context come from the headless EGL
// backend; ticks, message boxes and the pointer come from the platform seams.
#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cctype>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Kalvox/KvxButtons.h"
#include "Kalvox/KvxWindow.h"
#include "platform/backend.h"
#include "platform/seams.h"

using namespace kvx;
using namespace plat;

namespace {

// ------------------------------------------------------------------ helpers
DWORD g_now = 0;

void use_tick_variable(DWORD start) {
    g_now = start;
    seams::set_tick_source([] { return g_now; });
}

// Takes every pending message except the quit message, as a program would.
void pump() {
    MSG m;
    while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) continue;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

bool quit_pending() {
    MSG m;
    return PeekMessageA(&m, 0, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}

// ---- creation runs in child processes: each is a fresh run in which the
// class can be registered once.  The child prints what it saw and exits; the
// parent matches the printout and the exit code.
void print_boxes() {
    for (const auto& b : seams::recorded_boxes())
        std::fprintf(stderr, "BOX[%s|%s|%u]\n", b.text.c_str(), b.caption.c_str(), b.style);
}

void child_start(const char* backend_name = "egl") {
    if (!select_backend(backend_name)) {
        std::fprintf(stderr, "no %s backend\n", backend_name);
        std::exit(99);
    }
    seams::set_null_screen_size(1024, 768);
    seams::answer_message_boxes(IDOK);
    std::atexit(print_boxes);
}

// Prints the failed check and exits 3, or nothing.
void child_check(bool ok, const std::string& what) {
    if (!ok) {
        std::fprintf(stderr, "CHECK FAILED: %s\n", what.c_str());
        std::exit(3);
    }
}

class Creation : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(Creation, DescriptorRequestsBitsForEveryBuffer) {
    BITS = 32;
    PIXEL_FORMAT_FLAGS = 0x100;
    detail::FILLDESCRIPTOR();
    const PIXELFORMATDESCRIPTOR& p = detail::PFD;
    EXPECT_EQ(p.nSize, 40);
    EXPECT_EQ(p.nVersion, 1);
    EXPECT_EQ(p.dwFlags, 0x1167u);
    EXPECT_EQ(p.iPixelType, 0);
    for (BYTE v : {p.cColorBits, p.cAlphaBits, p.cAccumBits, p.cDepthBits, p.cStencilBits,
                   p.cAuxBuffers})
        EXPECT_EQ(v, 32);
    for (BYTE v : {p.cRedBits, p.cRedShift, p.cGreenBits, p.cGreenShift, p.cBlueBits,
                   p.cBlueShift, p.cAlphaShift, p.cAccumRedBits, p.cAccumGreenBits,
                   p.cAccumBlueBits, p.cAccumAlphaBits, p.bReserved})
        EXPECT_EQ(v, 0);
    EXPECT_EQ(p.iLayerType, 1);
    EXPECT_EQ(p.dwLayerMask | p.dwVisibleMask | p.dwDamageMask, 0u);
    PIXEL_FORMAT_FLAGS = 0;
}

TEST_F(Creation, DescriptorOutOfRangeStopsWithRangeCheck) {
    struct Case { std::int32_t bits, flags; };
    for (Case c : {Case{256, 0}, Case{-1, 0}, Case{32, -1}, Case{32, INT32_MIN}}) {
        SCOPED_TRACE(std::to_string(c.bits) + " / " + std::to_string(c.flags));
        BITS = c.bits;
        PIXEL_FORMAT_FLAGS = c.flags;
        EXPECT_EXIT(detail::FILLDESCRIPTOR(), ::testing::ExitedWithCode(201), "range check");
    }
    BITS = 0;
    PIXEL_FORMAT_FLAGS = 0;
}

TEST_F(Creation, SettingsBeforeAnyContext) {
    EXPECT_EXIT(
        {
            child_start();
            GLVERT3FENABLEEDIT = GLVERT3FREMOVE = true;
            MOUSEFREE = true;
            WIDTH = 801;
            HEIGHT = 601;
            use_tick_variable(777);
            static const char cur[] = "my.cur";
            static const char ico[] = "my.ico";
            OGLWINDOWSETTING(FILECURSOR, cur, FILEICON, ico);
            POINT pos{};
            GetCursorPos(&pos);
            child_check(OBJNULL == 0, "no display list without a context");
            child_check(!GLVERT3FENABLEEDIT && !GLVERT3FREMOVE, "recording off");
            child_check(FOGONOFF, "FOGONOFF");
            child_check(SETTYPECURSOR == 7 && CURSORFILE == cur, "cursor kept as pointer");
            child_check(SETTYPEICON == 2 && ICONFILE == ico, "icon kept as pointer");
            child_check(START == 777, "START from the tick count");
            child_check(pos.x == 400 && pos.y == 300, "cursor centred");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

// The "GLWindow" class record for every cursor kind with a stock cursor, and
// for kinds without one.
void class_record_child() {
    child_start();
    struct Case { std::int32_t kind; std::uintptr_t id; };
    const Case cases[] = {{ARROW, IDC_ARROW}, {IBEAM, IDC_IBEAM}, {WAIT, IDC_WAIT},
                          {CROSS, IDC_CROSS}, {UPARROW, IDC_UPARROW}, {SIZE, IDC_SIZE},
                          {SIZENWSE, IDC_SIZENWSE}, {SIZENESW, IDC_SIZENESW},
                          {SIZEWE, IDC_SIZEWE}, {SIZENS, IDC_SIZENS},
                          {SIZEALL, IDC_SIZEALL}, {NOCURSOR, IDC_NO}, {HAND, IDC_HAND},
                          {APPSTARTING, IDC_APPSTARTING}, {HELP, IDC_HELP},
                          {0, 0}, {17, 0}};
    for (const Case& c : cases) {
        const std::string k = "kind " + std::to_string(c.kind);
        OGLWINDOWSETTING(c.kind, "", c.kind == 17 ? 3 : GENERIC, "");
        child_check(detail::WINDOWREGISTER(), k + " registers");
        WNDCLASSEXA wc{};
        child_check(GetClassInfoExA(GetModuleInstance(), "GLWindow", &wc) != 0, k);
        child_check(wc.style == 3 && wc.lpfnWndProc == detail::GLWNDPROC &&
                        wc.cbClsExtra == 0 && wc.cbWndExtra == 0 &&
                        wc.hbrBackground == GetSysColorBrush(15) &&
                        wc.lpszMenuName == nullptr,
                    k + " record");
        child_check(wc.hCursor == (c.id ? LoadCursorA(0, c.id) : 0), k + " cursor");
        child_check(wc.hIcon == (c.kind == 17 ? 0 : LoadIconA(0, IDI_APPLICATION)),
                    k + " icon");
        UnregisterClassA("GLWindow", GetModuleInstance());
    }
    std::exit(0);
}

TEST_F(Creation, ClassRecordByCursorAndIconKind) {
    EXPECT_EXIT(class_record_child(), ::testing::ExitedWithCode(0), "");
}

// The image-button class is registered once per run, with its own record;
// whether that works never changes the registration's result.
TEST_F(Creation, ImageButtonClassOncePerRun) {
    EXPECT_EXIT(
        {
            child_start();
            OGLWINDOWSETTING(ARROW, "", GENERIC, "");
            WNDCLASSEXA wc{};
            seams::fail_next("RegisterClassExA");
            child_check(detail::WINDOWREGISTER(), "a failed button class is not a failure");
            child_check(GetClassInfoExA(0, "IMAGEBUTTON", &wc) == 0, "no button class yet");
            UnregisterClassA("GLWindow", GetModuleInstance());

            child_check(detail::WINDOWREGISTER(), "registers");
            child_check(GetClassInfoExA(0, "IMAGEBUTTON", &wc) != 0, "button class");
            child_check(wc.style == 0 && wc.lpfnWndProc == HOVERBUTTONHANDLER &&
                            wc.cbClsExtra == 0 && wc.cbWndExtra == 0 &&
                            wc.hIcon == LoadIconA(0, IDI_APPLICATION) &&
                            wc.hIconSm == LoadIconA(0, IDI_APPLICATION) &&
                            wc.hCursor == LoadCursorA(0, IDC_ARROW) &&
                            wc.hbrBackground == GetStockObject(5),
                        "button class record");
            child_check(WINDOWCLASSEX.cbSize == 48 && WINDOWCLASSEX.lpfnWndProc == HOVERBUTTONHANDLER,
                        "WINDOWCLASSEX filled");
            UnregisterClassA("GLWindow", GetModuleInstance());

            // Already there: looked up, not registered again.
            seams::fail_next("RegisterClassExA");
            child_check(detail::WINDOWREGISTER(), "registers again");
            child_check(seams::take_failure("RegisterClassExA"), "no second registration");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

// Windowed and full-screen forms on a 1024 by 768 screen.
TEST_F(Creation, WindowedAndFullScreenSizes) {
    struct Case { bool full; std::int32_t w, h; };
    for (Case c : {Case{false, 800, 600}, Case{true, 1024, 768}}) {
        SCOPED_TRACE(c.full ? "full screen" : "windowed");
        EXPECT_EXIT(
            {
                child_start();
                OGLWINDOWSETTING(ARROW, "", GENERIC, "");
                child_check(CREATEOGLWINDOW("Probe", 800, 600, 32, c.full), "result true");
                RECT r{};
                GetWindowRect(HWINDOW, &r);
                child_check(WIDTH == c.w && HEIGHT == c.h, "WIDTH/HEIGHT " +
                                std::to_string(WIDTH) + "x" + std::to_string(HEIGHT));
                child_check(r.left == 0 && r.top == 0 && r.right == c.w && r.bottom == c.h,
                            "outer rectangle at the top-left corner");
                child_check(ACTIVE && IsWindow(HWINDOW), "active window");
                child_check(DCWINDOW != 0 && RCWINDOW != 0 && wglGetCurrentContext() == RCWINDOW,
                            "context current");
                child_check(detail::PFD.cColorBits == 32, "BITS applies");
                child_check(seams::recorded_boxes().empty(), "no message");
                DELETEOGLWINDOW();
                child_check(!IsWindow(HWINDOW) && HWINDOW != 0, "destroyed, handle kept");
                child_check(seams::live_counts().contexts == 0, "context released");
                std::exit(0);
            },
            ::testing::ExitedWithCode(0), "");
    }
}

// Each failure shows its message captioned "Error" and ends the program with
// exit code 1; the menu routine and the status bar still run first.
void menu_hook() { std::fprintf(stderr, "MENU[%u]\n", HWINDOW); }

TEST_F(Creation, FailuresShowTheirMessageAndExitWithOne) {
    struct Case { const char* operation; const char* expect; };
    const Case cases[] = {
        {"RegisterClassA", "BOX\\[Errore di registro per la rispettiva applicazione!\\|Error\\|0\\]"},
        {"CreateWindowExA",
         "MENU\\[0\\].*BOX\\[Impossibile creare la finestra per la rispettiva applicazione!\\|Error\\|0\\]"},
        {"ChoosePixelFormat", "BOX\\[la rispettiva applicazione non è stata inizilizata!\\|Error\\|0\\]"},
        {"wglCreateContext", "BOX\\[la rispettiva applicazione non è stata inizilizata!\\|Error\\|0\\]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        EXPECT_EXIT(
            {
                child_start();
                SHOWMENUBAR = true;
                CREATEMENUBAR = menu_hook;
                SHOWSTATUSBAR = true;
                OGLWINDOWSETTING(ARROW, "", GENERIC, "");
                seams::fail_next(c.operation);
                CREATEOGLWINDOW("Probe", 800, 600, 32, false);
                std::fprintf(stderr, "RETURNED\n");
                std::exit(0);
            },
            ::testing::ExitedWithCode(1), c.expect);
    }
}

TEST_F(Creation, NullBackendHasNoPixelFormat) {
    EXPECT_EXIT(
        {
            child_start("null");
            seams::stop_answering_message_boxes();
            OGLWINDOWSETTING(ARROW, "", GENERIC, "");
            CREATEOGLWINDOW("Probe", 800, 600, 32, false);
            std::exit(0);
        },
        ::testing::ExitedWithCode(1), "Error\nla rispettiva applicazione non è stata inizilizata!");
}

TEST_F(Creation, SecondWindowFailsAtRegistration) {
    EXPECT_EXIT(
        {
            child_start();
            OGLWINDOWSETTING(ARROW, "", GENERIC, "");
            CREATEOGLWINDOW("One", 800, 600, 32, false);
            std::fprintf(stderr, "FIRST\n");
            CREATEOGLWINDOW("Two", 800, 600, 32, false);
            std::exit(0);
        },
        ::testing::ExitedWithCode(1),
        "FIRST\n.*BOX\\[Errore di registro per la rispettiva applicazione!\\|Error\\|0\\]");
}

TEST_F(Creation, DeleteAfterCloseReportsNothing) {
    EXPECT_EXIT(
        {
            child_start();
            OGLWINDOWSETTING(ARROW, "", GENERIC, "");
            CREATEOGLWINDOW("Probe", 800, 600, 32, false);
            DestroyWindow(HWINDOW);  // as the close box does
            child_check(!ACTIVE && quit_pending(), "destroy handling ran");
            DELETEOGLWINDOW();
            child_check(seams::recorded_boxes().empty(), "nothing reported");
            child_check(seams::live_counts().windows == 0 && seams::live_counts().contexts == 0,
                        "nothing left alive");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

// ------------------------------------------------------------------ one window
// The suites below share one window (a run can create it once) with a status
// bar of three parts.
class WithWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (HWINDOW != 0) return;
        ASSERT_TRUE(select_backend("egl"));
        seams::set_null_screen_size(1024, 768);
        seams::answer_message_boxes(IDOK);
        SHOWSTATUSBAR = true;
        STATUSITEM[1] = 200;
        STATUSITEM[2] = 400;
        STATUSITEM[3] = -1;
        MAXSTATUSITEM = 3;
        OGLWINDOWSETTING(ARROW, "", GENERIC, "");
        CREATEOGLWINDOW("Probe", 800, 600, 32, false);
        pump();
    }

    void SetUp() override {
        pump();
        while (quit_pending()) {
            MSG m;
            PeekMessageA(&m, 0, WM_QUIT, WM_QUIT, PM_REMOVE);
        }
        ACTIVE = true;
        for (auto& k : SETKEY) k = 0;
        LEFTMOUSEDOWN = RIGHTMOUSEDOWN = LEFTMOUSEDOWN2 = RIGHTMOUSEDOWN2 = false;
        MOUSEFREE = false;
        SETMX = SETMY = SETOMX = SETOMY = XCOORD = YCOORD = ZCOORD = 0;
        XROT = YROT = DEPTH = XROT2 = YROT2 = DEPTH2 = 0;
        MSPEED = 0;
        seams::set_null_focus(HWINDOW);
    }
    void TearDown() override { seams::clear_tick_source(); }
};

// ------------------------------------------------------------------ window procedure
struct Step {
    UINT msg;
    WPARAM wp;
    int x, y;
};
struct Scenario {
    const char* name;
    std::int32_t mspeed;
    bool mousefree;
    POINT cursor;         // pointer position seen in free look
    float yrot0;          // YROT and YROT2 before the steps
    std::vector<Step> steps;
    float xrot, yrot, depth;
    std::int32_t xcoord, ycoord;
    POINT cursor_after;   // {-1, -1}: not checked
};

const Scenario kScenarios[] = {
    {"left drag", 2, false, {0, 0}, 0,
     {{WM_LBUTTONDOWN, MK_LBUTTON, 100, 100}, {WM_MOUSEMOVE, MK_LBUTTON, 110, 104}},
     4, 10, 0, 110, 104, {-1, -1}},
    {"left drag beyond the left edge", 2, false, {0, 0}, 0,
     {{WM_LBUTTONDOWN, MK_LBUTTON, 10, 100}, {WM_MOUSEMOVE, MK_LBUTTON, -5, 101},
      {WM_MOUSEMOVE, MK_LBUTTON, -30, 103}},
     3, -40, 0, -30, 103, {-1, -1}},
    {"left button up ends the drag", 2, false, {0, 0}, 0,
     {{WM_LBUTTONDOWN, MK_LBUTTON, 100, 100}, {WM_LBUTTONUP, 0, 120, 130},
      {WM_MOUSEMOVE, 0, 140, 150}},
     0, 0, 0, 0, 0, {-1, -1}},
    {"right drag", 2, false, {0, 0}, 0,
     {{WM_RBUTTONDOWN, MK_RBUTTON, 50, 200}, {WM_MOUSEMOVE, MK_RBUTTON, 50, 150}},
     0, 0, 10, 0, 0, {-1, -1}},
    {"both buttons in one move", 2, false, {0, 0}, 0,
     {{WM_LBUTTONDOWN, MK_LBUTTON, 100, 100}, {WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 100, 100},
      {WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, 110, 104}},
     4, 10, -0.8f, 110, 104, {-1, -1}},
    {"speed 0 records positions only", 0, false, {0, 0}, 0,
     {{WM_LBUTTONDOWN, MK_LBUTTON, 100, 100}, {WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 100, 100},
      {WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, 110, 104}},
     0, 0, 0, 110, 104, {-1, -1}},
    {"free look", 2, true, {450, 250}, 0,
     {{WM_MOUSEMOVE, 0, 7, 9}}, 1, -1, 0, 0, 0, {400, 300}},
    {"free look clamps above", 2, true, {400, 350}, 59.5f,
     {{WM_MOUSEMOVE, 0, 7, 9}}, 0, 60, 0, 0, 0, {400, 300}},
    {"free look clamps below", 2, true, {400, 250}, -59.5f,
     {{WM_MOUSEMOVE, 0, 7, 9}}, 0, -60, 0, 0, 0, {400, 300}},
    {"free look ignores the right drag", 2, true, {400, 300}, 0,
     {{WM_RBUTTONDOWN, MK_RBUTTON, 50, 200}, {WM_MOUSEMOVE, MK_RBUTTON, 50, 150}},
     0, 0, 0, 0, 0, {400, 300}},
};

class Procedure : public WithWindow, public ::testing::WithParamInterface<Scenario> {};

TEST_P(Procedure, MouseScenario) {
    const Scenario& s = GetParam();
    MSPEED = s.mspeed;
    MOUSEFREE = s.mousefree;
    YROT = YROT2 = s.yrot0;
    seams::set_null_cursor_pos(s.cursor.x, s.cursor.y);
    int last_x = 0, last_y = 0;
    for (const Step& st : s.steps) {
        SendMessageA(HWINDOW, st.msg, st.wp, MAKELPARAM(st.x, st.y));
        if (st.msg == WM_MOUSEMOVE) last_x = st.x, last_y = st.y;
    }
    EXPECT_FLOAT_EQ(XROT, s.xrot);
    EXPECT_FLOAT_EQ(YROT, s.yrot);
    EXPECT_FLOAT_EQ(DEPTH, s.depth);
    EXPECT_EQ(XROT2, XROT);
    EXPECT_EQ(YROT2, YROT);
    EXPECT_EQ(DEPTH2, DEPTH);
    EXPECT_EQ(XCOORD, s.xcoord);
    EXPECT_EQ(YCOORD, s.ycoord);
    EXPECT_EQ(SETOMX, last_x);
    EXPECT_EQ(SETOMY, last_y);
    if (s.cursor_after.x >= 0) {
        POINT p{};
        GetCursorPos(&p);
        EXPECT_EQ(p.x, s.cursor_after.x);
        EXPECT_EQ(p.y, s.cursor_after.y);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, Procedure, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<Scenario>& p) {
                             std::string n = p.param.name;
                             for (char& ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });

TEST_F(WithWindow, ButtonsSetFlagsAndPressPositions) {
    SendMessageA(HWINDOW, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, 34));
    EXPECT_TRUE(LEFTMOUSEDOWN && LEFTMOUSEDOWN2);
    EXPECT_EQ(SETMX, 12);
    EXPECT_EQ(SETMY, 34);
    EXPECT_EQ(GetCapture(), HWINDOW);
    SendMessageA(HWINDOW, WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, MAKELPARAM(12, 56));
    EXPECT_TRUE(RIGHTMOUSEDOWN && RIGHTMOUSEDOWN2);
    EXPECT_EQ(ZCOORD, 56);
    SendMessageA(HWINDOW, WM_LBUTTONUP, MK_RBUTTON, MAKELPARAM(1, 1));
    EXPECT_FALSE(LEFTMOUSEDOWN || LEFTMOUSEDOWN2);
    EXPECT_EQ(SETMX, 0);
    EXPECT_EQ(SETMY, 0);
    SendMessageA(HWINDOW, WM_RBUTTONUP, 0, MAKELPARAM(1, 1));
    EXPECT_FALSE(RIGHTMOUSEDOWN || RIGHTMOUSEDOWN2);
    EXPECT_EQ(GetCapture(), 0u);
}

TEST_F(WithWindow, KeysThroughTheQueue) {
    MSG m{};
    m.hwnd = HWINDOW;
    m.message = WM_KEYDOWN;
    m.wParam = 'A';
    seams::inject_input(m);
    m.message = WM_SYSKEYDOWN;  // Alt combinations and F10 are not tracked
    m.wParam = VK_F10;
    seams::inject_input(m);
    pump();
    EXPECT_EQ(SETKEY['A'], -1);
    EXPECT_EQ(SETKEY[VK_F10], 0);

    MOUSEFREE = true;
    m.message = WM_KEYUP;
    m.wParam = 'A';
    seams::inject_input(m);
    pump();
    EXPECT_EQ(SETKEY['A'], 0);
    EXPECT_FALSE(MOUSEFREE) << "any key release ends free look";
    EXPECT_TRUE(ACTIVE);
}

TEST_F(WithWindow, EscapeEndsTheLoopButKeepsTheWindow) {
    MSG m{};
    m.hwnd = HWINDOW;
    m.message = WM_KEYDOWN;
    m.wParam = VK_ESCAPE;
    seams::inject_input(m);
    int frames = 0;
    static int* frames_p;
    frames_p = &frames;
    SETGLMSGWITHFPS(DCWINDOW, [] { ++*frames_p; });
    EXPECT_EQ(frames, 0);
    EXPECT_FALSE(ACTIVE);
    EXPECT_EQ(SETKEY[VK_ESCAPE], 0);
    EXPECT_TRUE(IsWindow(HWINDOW));
    EXPECT_FALSE(quit_pending());
}

TEST_F(WithWindow, CommandsReachTheHookOnlyWithTheMenuSwitch) {
    static int commands;
    commands = 0;
    GETINPUTCOMMAND = [](HWND, UINT msg, WPARAM wp, LPARAM) -> LRESULT {
        if (msg == WM_COMMAND && wp == 42) ++commands;
        return 7;
    };
    EXPECT_EQ(SendMessageA(HWINDOW, WM_COMMAND, 42, 0), 0);
    EXPECT_EQ(commands, 0);
    SHOWMENUBAR = true;
    EXPECT_EQ(SendMessageA(HWINDOW, WM_COMMAND, 42, 0), 0);
    EXPECT_EQ(commands, 1);
    GETINPUTCOMMAND = nullptr;
    EXPECT_EQ(SendMessageA(HWINDOW, WM_COMMAND, 42, 0), 0);  // no hook: skipped
    SHOWMENUBAR = false;
}

// Default processing repaints the status bar when WPARAM is 0.
TEST_F(WithWindow, ZeroWparamRepaintsTheStatusBar) {
    ASSERT_NE(HSTATUS, 0u);
    auto status_paint_pending = [] {
        MSG m;
        return PeekMessageA(&m, HSTATUS, WM_PAINT, WM_PAINT, PM_NOREMOVE) != 0;
    };
    InvalidateRect(HSTATUS, nullptr, 1);
    SendMessageA(HWINDOW, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(1, 1));
    EXPECT_TRUE(status_paint_pending());
    SendMessageA(HWINDOW, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
    EXPECT_FALSE(status_paint_pending());
    InvalidateRect(HSTATUS, nullptr, 1);
    InvalidateRect(HWINDOW, nullptr, 1);
    EXPECT_EQ(SendMessageA(HWINDOW, WM_PAINT, 0, 0), 0);
    EXPECT_FALSE(status_paint_pending());
}

// ------------------------------------------------------------------ frame loop
// The drawing routine under test: runs `on_frame` (if set) once per frame and
// posts the quit message after `quit_after` frames (a safety stop at 1000).
struct Drawer {
    std::function<void(int)> on_frame;
    int quit_after = 1;
    int frames = 0;
};
Drawer* g_drawer = nullptr;
void draw_frame() {
    Drawer& d = *g_drawer;
    ++d.frames;
    if (d.on_frame) d.on_frame(d.frames);
    if (d.frames >= d.quit_after || d.frames >= 1000) PostQuitMessage(0);
}
void run_loop(Drawer& d) {
    g_drawer = &d;
    SETGLMSGWITHFPS(DCWINDOW, draw_frame);
}

class FrameLoop : public WithWindow {};

TEST_F(FrameLoop, QuitPendingAtEntryDrawsNothing) {
    FPSCOUNT = 17;
    ELAPSEDTIME = 33;
    PostQuitMessage(0);
    Drawer d;
    run_loop(d);
    EXPECT_EQ(d.frames, 0);
    EXPECT_EQ(FPSCOUNT, 17);
    EXPECT_EQ(ELAPSEDTIME, 33);
    EXPECT_FALSE(quit_pending());
}

TEST_F(FrameLoop, MessagesGoFirstOnePerPass) {
    // Three moves queued before entry are all dispatched before the first
    // frame; a move posted by a frame is dispatched before the next one.
    for (int x : {1, 2, 3}) PostMessageA(HWINDOW, WM_MOUSEMOVE, 0, MAKELPARAM(x, 0));
    std::vector<int> seen;
    Drawer d;
    d.quit_after = 3;
    d.on_frame = [&](int n) {
        seen.push_back(SETOMX);
        PostMessageA(HWINDOW, WM_MOUSEMOVE, 0, MAKELPARAM(10 + n, 0));
    };
    run_loop(d);
    EXPECT_EQ(seen, (std::vector<int>{3, 11, 12}));
    EXPECT_FALSE(quit_pending());
    pump();
}

// The WM_COMMAND hook moves the clock between entry and the first frame.
void advance_clock_by_command(DWORD to) {
    static DWORD target;
    target = to;
    SHOWMENUBAR = true;
    GETINPUTCOMMAND = [](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
        g_now = target;
        return 0;
    };
    PostMessageA(HWINDOW, WM_COMMAND, 1, 0);
}
void stop_clock_hook() {
    SHOWMENUBAR = false;
    GETINPUTCOMMAND = nullptr;
}

TEST_F(FrameLoop, ElapsedTimeIsTheRunningMeanAndCountersPersist) {
    FPSCOUNT = 0;
    ELAPSEDTIME = 0;
    use_tick_variable(1000);
    advance_clock_by_command(1010);
    std::vector<int> elapsed;
    Drawer d;
    d.quit_after = 3;
    d.on_frame = [&](int) {
        elapsed.push_back(ELAPSEDTIME);
        g_now += 10;
    };
    run_loop(d);
    EXPECT_EQ(elapsed, (std::vector<int>{5, 12, 21}));
    EXPECT_EQ(FPSCOUNT, 3);

    // A second call counts on and measures from its own entry.
    g_now = 5000;
    advance_clock_by_command(5004);
    elapsed.clear();
    Drawer d2;
    d2.on_frame = [&](int) { elapsed.push_back(ELAPSEDTIME); };
    run_loop(d2);
    stop_clock_hook();
    EXPECT_EQ(elapsed, (std::vector<int>{12}));  // (21 + 4) div 2
    EXPECT_EQ(FPSCOUNT, 4);
}

TEST_F(FrameLoop, ConvergesToElapsedMinusTheInterval) {
    ELAPSEDTIME = 0;
    use_tick_variable(0);
    advance_clock_by_command(10);
    Drawer d;
    d.quit_after = 60;
    d.on_frame = [&](int) { g_now += 10; };
    run_loop(d);
    stop_clock_hook();
    // The last frame was drawn at tick 600.
    EXPECT_NEAR(ELAPSEDTIME, 590, 1);
}

TEST_F(FrameLoop, TickWrapAndCounterWrapDoNotStop) {
    ELAPSEDTIME = 0;
    FPSCOUNT = INT32_MAX;
    use_tick_variable(0xFFFFFFF0u);
    advance_clock_by_command(5);  // 21 ms later, past the wrap
    std::vector<int> elapsed;
    Drawer d;
    d.quit_after = 2;
    d.on_frame = [&](int) {
        elapsed.push_back(ELAPSEDTIME);
        g_now += 10;
    };
    run_loop(d);
    stop_clock_hook();
    EXPECT_EQ(elapsed, (std::vector<int>{10, 20}));  // (0+21)/2, (10+31)/2
    EXPECT_EQ(FPSCOUNT, INT32_MIN + 1);
    FPSCOUNT = 0;
}

TEST_F(FrameLoop, NullRoutineDrawsEmptyFrames) {
    static int ticks;
    ticks = 0;
    seams::set_tick_source([] {
        if (++ticks == 4) PostQuitMessage(0);  // entry and three frames
        return DWORD{0};
    });
    const std::int32_t count0 = FPSCOUNT;
    SETGLMSGWITHFPS(DCWINDOW, nullptr);
    EXPECT_EQ(FPSCOUNT, count0 + 3);
}

TEST_F(FrameLoop, TimerMessageCostsAPassWithoutAFrame) {
    use_tick_variable(100000);
    SETGLTIMER(FPS_TIMER, FPS_INTERVAL);
    g_now += FPS_INTERVAL;  // the timer is due at entry
    const std::int32_t count0 = FPSCOUNT;
    bool timer_left = true;
    Drawer d;
    d.on_frame = [&](int) {
        MSG m;
        timer_left = PeekMessageA(&m, HWINDOW, WM_TIMER, WM_TIMER, PM_NOREMOVE) != 0;
    };
    run_loop(d);
    KillTimer(HWINDOW, FPS_TIMER);
    EXPECT_FALSE(timer_left) << "the due timer message was taken before the frame";
    EXPECT_EQ(FPSCOUNT, count0 + 1);
}

// ------------------------------------------------------------------ mouse view
struct Mat {
    double m[16];  // column-major, as OpenGL
};
Mat identity() {
    Mat r{};
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1;
    return r;
}
Mat mul(const Mat& a, const Mat& b) {
    Mat r{};
    for (int c = 0; c < 4; ++c)
        for (int rr = 0; rr < 4; ++rr)
            for (int k = 0; k < 4; ++k) r.m[c * 4 + rr] += a.m[k * 4 + rr] * b.m[c * 4 + k];
    return r;
}
Mat translation(double x, double y, double z) {
    Mat r = identity();
    r.m[12] = x;
    r.m[13] = y;
    r.m[14] = z;
    return r;
}
// Right-handed rotation by `deg` about the unit axis (x, y, z).
Mat rotation(double deg, double x, double y, double z) {
    const double a = deg * M_PI / 180, c = std::cos(a), s = std::sin(a), t = 1 - c;
    Mat r = identity();
    const double rows[3][3] = {{t * x * x + c, t * x * y - s * z, t * x * z + s * y},
                               {t * x * y + s * z, t * y * y + c, t * y * z - s * x},
                               {t * x * z - s * y, t * y * z + s * x, t * z * z + c}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[j * 4 + i] = rows[i][j];
    return r;
}

class MouseView : public WithWindow {};

TEST_F(MouseView, AxisModesAgainstTheModelViewMatrix) {
    XROT = 30;
    YROT = 45;
    DEPTH = 5;
    struct Case { std::int32_t mode; Mat expect; TGLVERTEX my; };
    const Case cases[] = {
        {GL_M0, mul(mul(translation(0, 0, -5), rotation(30, 1, 0, 0)), rotation(45, 0, 1, 0)), {0, 0, -5}},
        {GL_MX, mul(mul(translation(0, -5, 0), rotation(30, 1, 0, 0)), rotation(45, 0, 0, 1)), {0, -5, 0}},
        {GL_MY, mul(mul(translation(-5, 0, 0), rotation(30, 0, 0, -1)), rotation(45, 0, 1, 0)), {-5, 0, 0}},
        {GL_MZ, mul(mul(translation(0, 0, -5), rotation(30, 0, 1, 0)), rotation(45, 1, 0, 0)), {0, 0, -5}},
    };
    glMatrixMode(GL_MODELVIEW);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        glLoadIdentity();
        SETGLMOUSEMOVE(c.mode, 3 + c.mode);
        EXPECT_EQ(MSPEED, 3 + c.mode);
        EXPECT_EQ(MY.X, c.my.X);
        EXPECT_EQ(MY.Y, c.my.Y);
        EXPECT_EQ(MY.Z, c.my.Z);
        float got[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, got);
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(got[i], c.expect.m[i], 1e-5) << "element " << i;
    }
}

TEST_F(MouseView, OtherModesOnlySetTheSpeedAndZeroViewChangesNothing) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    float before[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    MY = {7, 8, 9};
    XROT = YROT = 10;
    DEPTH = 4;
    SETGLMOUSEMOVE(4, 9);
    EXPECT_EQ(MSPEED, 9);
    EXPECT_EQ(MY.X, 7);
    EXPECT_EQ(MY.Z, 9);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(after[i], before[i]);

    XROT = YROT = DEPTH = 0;
    SETGLMOUSEMOVE(GL_M0, 2);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(after[i], before[i]);
}

TEST_F(MouseView, EmptyListMadeInTheCurrentContext) {
    OGLWINDOWSETTING(ARROW, "", GENERIC, "");
    EXPECT_NE(OBJNULL, 0u);
    EXPECT_TRUE(glIsList(OBJNULL));
}

// ------------------------------------------------------------------ status bar
TEST_F(WithWindow, StatusBarTextAndParts) {
    ASSERT_NE(HSTATUS, 0u);
    char text[64] = {};
    GetWindowTextA(HSTATUS, text, sizeof text);
    EXPECT_STREQ(text, "Percorso file");
    std::int32_t parts[20] = {};
    ASSERT_EQ(SendMessagePtr(HSTATUS, SB_GETPARTS, 20, static_cast<void*>(parts)), 3);
    EXPECT_EQ(parts[0], 200);
    EXPECT_EQ(parts[1], 400);
    EXPECT_EQ(parts[2], -1);
    EXPECT_EQ(EDGES[1], 200);
    EXPECT_EQ(EDGES[3], -1);
}

TEST_F(WithWindow, StatusBarWithoutPartsAndAStaleBuffer) {
    std::memset(FILENAME.data(), 'x', FILENAME.size());
    MAXSTATUSITEM = 0;
    EDGES[1] = 0;
    const HWND bar = CREATESTATUSBAR(HWINDOW);
    ASSERT_NE(bar, 0u);
    EXPECT_EQ(AWND, bar);
    EXPECT_STREQ(FILENAME.data(), "Percorso file");
    for (std::size_t i = 13; i <= 260; ++i) ASSERT_EQ(FILENAME[i], 0) << i;
    EXPECT_EQ(EDGES[1], 0) << "no edge copied";
    std::int32_t parts[20] = {};
    EXPECT_LE(SendMessagePtr(bar, SB_GETPARTS, 20, static_cast<void*>(parts)), 1);
    DestroyWindow(bar);
    MAXSTATUSITEM = 3;
}

TEST_F(WithWindow, TooManyStatusPartsStopWithRangeCheck) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    MAXSTATUSITEM = 21;
    EXPECT_EXIT(CREATESTATUSBAR(HWINDOW), ::testing::ExitedWithCode(201), "range check");
    MAXSTATUSITEM = 3;
}

}  // namespace
