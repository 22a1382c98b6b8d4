// Tests of the X11 backend: the keyboard translation tables, and the backend
// itself on a real X server (Xvfb, no window manager): GL formats and
// contexts, windows and their placement, input events, capture, shapes,
// drawing, cursors, message boxes answered with xdotool, and the error and
// lost-connection handlers.
// The portable headers and GoogleTest come before X's, whose macros (None,
// Expose, Bool...) would break them.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/backend.h"
#include "platform/x11_keys.h"
#include "tests/support/private_xserver.h"

namespace {
constexpr plat::NativeEvent::Kind kExposeEvent = plat::NativeEvent::Expose;
}  // namespace

#include <GL/gl.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>

extern char** environ;

namespace {

using namespace plat;

// ------------------------------------------------------------------ pure tables
TEST(X11Keys, KeysymsMapToVirtualKeys) {
    struct Case {
        unsigned long keysym;
        WPARAM vk;
    };
    const Case cases[] = {
        {XK_a, 'A'},          {XK_z, 'Z'},           {XK_Q, 'Q'},
        {XK_0, '0'},          {XK_9, '9'},           {XK_Escape, VK_ESCAPE},
        {XK_Return, VK_RETURN}, {XK_KP_Enter, VK_RETURN}, {XK_Tab, VK_TAB},
        {XK_ISO_Left_Tab, VK_TAB}, {XK_BackSpace, VK_BACK}, {XK_space, VK_SPACE},
        {XK_Left, VK_LEFT},   {XK_Up, VK_UP},        {XK_Right, VK_RIGHT},
        {XK_Down, VK_DOWN},   {XK_Insert, VK_INSERT}, {XK_Delete, VK_DELETE},
        {XK_Home, VK_HOME},   {XK_End, VK_END},      {XK_Prior, VK_PRIOR},
        {XK_Next, VK_NEXT},   {XK_F1, VK_F1},        {XK_F10, VK_F10},
        {XK_F12, VK_F12},     {XK_F24, VK_F24},      {XK_Shift_L, VK_SHIFT},
        {XK_Shift_R, VK_SHIFT}, {XK_Control_L, VK_CONTROL}, {XK_Control_R, VK_CONTROL},
        {XK_Alt_L, VK_MENU},  {XK_Alt_R, VK_MENU},   {XK_KP_0, VK_NUMPAD0},
        {XK_KP_9, VK_NUMPAD0 + 9}, {XK_KP_Add, VK_ADD}, {XK_KP_Subtract, VK_SUBTRACT},
        {XK_KP_Multiply, VK_MULTIPLY}, {XK_KP_Divide, VK_DIVIDE}, {XK_KP_Decimal, VK_DECIMAL},
        {XK_KP_Home, VK_HOME}, {XK_KP_Left, VK_LEFT}, {XK_KP_Delete, VK_DELETE},
        {XK_semicolon, VK_OEM_1}, {XK_equal, VK_OEM_PLUS}, {XK_comma, VK_OEM_COMMA},
        {XK_minus, VK_OEM_MINUS}, {XK_period, VK_OEM_PERIOD}, {XK_slash, VK_OEM_2},
        {XK_grave, VK_OEM_3}, {XK_bracketleft, VK_OEM_4}, {XK_backslash, VK_OEM_5},
        {XK_bracketright, VK_OEM_6}, {XK_apostrophe, VK_OEM_7}, {XK_less, VK_OEM_102},
        {XK_Pause, VK_PAUSE}, {XK_Caps_Lock, VK_CAPITAL}, {XK_Num_Lock, VK_NUMLOCK},
        {XK_Print, VK_SNAPSHOT}, {XK_Super_L, VK_LWIN}, {XK_Menu, VK_APPS},
        {XK_dead_acute, 0},   {XK_VoidSymbol, 0},    {XK_F25, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(x11::keysym_to_vk(static_cast<std::uint32_t>(c.keysym)), c.vk)
            << "keysym 0x" << std::hex << c.keysym;
}

TEST(X11Keys, KeysOfOtherLayoutsMapByTheirPlace) {
    struct Case {
        std::uint32_t scan;
        WPARAM vk;
    };
    const Case cases[] = {
        {2, '1'},  {10, '9'},  {11, '0'},  {16, 'Q'},  {25, 'P'},          {30, 'A'},
        {38, 'L'}, {44, 'Z'},  {50, 'M'},  {12, VK_OEM_MINUS}, {13, VK_OEM_PLUS},
        {26, VK_OEM_4}, {39, VK_OEM_1}, {41, VK_OEM_3}, {43, VK_OEM_5}, {53, VK_OEM_2},
        {86, VK_OEM_102}, {1, 0},  {14, 0},   {28, 0},  {42, 0},  {57, 0},  {0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(x11::scan_code_to_vk(c.scan), c.vk) << "scan code " << c.scan;
}

TEST(X11Keys, AltAndF10GiveSystemKeyMessages) {
    struct Case {
        WPARAM vk;
        bool press, alt;
        UINT msg;
    };
    const Case cases[] = {
        {'A', true, false, WM_KEYDOWN},       {'A', false, false, WM_KEYUP},
        {'A', true, true, WM_SYSKEYDOWN},     {'A', false, true, WM_SYSKEYUP},
        {VK_F1 + 3, true, true, WM_SYSKEYDOWN},   {VK_F10, true, false, WM_SYSKEYDOWN},
        {VK_F10, false, false, WM_SYSKEYUP},  {VK_F1 + 8, true, false, WM_KEYDOWN},
        {VK_MENU, true, false, WM_SYSKEYDOWN}, {VK_MENU, false, true, WM_SYSKEYUP},
        {VK_ESCAPE, true, false, WM_KEYDOWN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(x11::key_message(c.vk, c.press, c.alt), c.msg)
            << "vk " << c.vk << " press " << c.press << " alt " << c.alt;
}

TEST(X11Keys, KeyLparamCarriesScanCodeAndTransitionBits) {
    EXPECT_EQ(static_cast<std::uint32_t>(x11::key_lparam(30, false, false, false)), 0x001E0001u);
    EXPECT_EQ(static_cast<std::uint32_t>(x11::key_lparam(30, true, false, false)), 0x401E0001u);
    EXPECT_EQ(static_cast<std::uint32_t>(x11::key_lparam(30, true, true, false)), 0xC01E0001u);
    EXPECT_EQ(static_cast<std::uint32_t>(x11::key_lparam(45, false, false, true)), 0x202D0001u);
    EXPECT_EQ(static_cast<std::uint32_t>(x11::key_lparam(0x1FF, false, false, false)),
              0x00FF0001u);
}

// ------------------------------------------------------------------ the backend on a server
constexpr DWORD kWindowed = 0x96CA0000;    // the library's windowed form
constexpr DWORD kFullScreen = 0x96880000;  // the library's full-screen form

PIXELFORMATDESCRIPTOR library_request() {
    PIXELFORMATDESCRIPTOR p{};
    p.nSize = 40;
    p.nVersion = 1;
    p.dwFlags = 0x1067;
    p.iPixelType = PFD_TYPE_RGBA;
    p.cColorBits = p.cAlphaBits = p.cAccumBits = p.cDepthBits = p.cStencilBits = 32;
    p.cAuxBuffers = 32;
    p.iLayerType = 1;
    return p;
}

std::string unique_title(const char* what) {
    return std::string("kvx-x11-") + what + "-" + std::to_string(getpid());
}

// Runs a shell command with a time limit; its exit status.
int run(const std::string& cmd) {
    const int rc = std::system(("timeout 20 " + cmd).c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

class X11Backend : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string display;
        server_ = testx::start_private_server(display, "1280x1024x24");
        if (server_ == 0) return;
        setenv("DISPLAY", display.c_str(), 1);  // for the backend, the probe and xdotool
        backend_ = make_x11_backend().release();
        probe_ = XOpenDisplay(nullptr);
    }
    static void TearDownTestSuite() {
        delete backend_;
        backend_ = nullptr;
        if (probe_ != nullptr) XCloseDisplay(probe_);
        probe_ = nullptr;
        // The server stays up until the process ends (it dies with it): the
        // layer's own backend, made while message boxes ran, is still
        // connected to it and closes its connection at exit.
    }
    void SetUp() override {
        ASSERT_NE(server_, 0) << "no private X server (Xvfb) started";
        ASSERT_NE(backend_, nullptr) << "the X11 backend did not start";
        ASSERT_NE(probe_, nullptr);
        drain();
    }
    void TearDown() override {
        for (HWND h : made_) backend_->destroy_window(h);
        drain();
    }

    Backend& b() { return *backend_; }

    HWND make(const char* title, DWORD style, std::int32_t x, std::int32_t y, std::int32_t w,
              std::int32_t h, HWND parent = 0, bool visible = true) {
        static HWND next = 0x7000;
        const HWND hwnd = ++next;
        NativeWindowSpec desc;
        desc.parent = parent;
        desc.x = x;
        desc.y = y;
        desc.width = w;
        desc.height = h;
        desc.style = style;
        desc.title = title;
        desc.class_name = "KvxTest";
        desc.visible = visible;
        EXPECT_TRUE(b().create_window(hwnd, desc));
        made_.push_back(hwnd);
        return hwnd;
    }

    // A round trip on the backend's connection: the server has done all it asked.
    void sync() {
        POINT p{};
        b().get_cursor_pos(p);
        XSync(probe_, False);
    }

    void drain() {
        NativeEvent ev;
        while (b().next_event(ev)) {
        }
    }

    // Pumps the backend until an event satisfies pred (or time runs out).
    bool wait_for(const std::function<bool(const NativeEvent&)>& pred, NativeEvent& out,
                  int timeout_ms = 2000) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (std::chrono::steady_clock::now() < until) {
            NativeEvent ev;
            while (b().next_event(ev))
                if (pred(ev)) {
                    out = ev;
                    return true;
                }
            b().wait_events(20);
        }
        return false;
    }
    bool wait_input(HWND h, UINT message, NativeEvent& out, int timeout_ms = 2000) {
        return wait_for(
            [&](const NativeEvent& e) {
                return e.kind == NativeEvent::Input && e.hwnd == h && e.msg.message == message;
            },
            out, timeout_ms);
    }

    // The top-level X window whose WM_NAME is title (the probe's view).
    ::Window find_by_name(const std::string& title) {
        ::Window root = DefaultRootWindow(probe_), r = 0, p = 0, *kids = nullptr;
        unsigned n = 0;
        ::Window found = 0;
        XSync(probe_, False);
        if (!XQueryTree(probe_, root, &r, &p, &kids, &n)) return 0;
        for (unsigned i = 0; i < n && found == 0; ++i) {
            char* name = nullptr;
            if (XFetchName(probe_, kids[i], &name) && name != nullptr) {
                if (title == name) found = kids[i];
                XFree(name);
            }
        }
        if (kids != nullptr) XFree(kids);
        return found;
    }

    static pid_t server_;
    static Backend* backend_;
    static Display* probe_;
    std::vector<HWND> made_;
};

pid_t X11Backend::server_ = 0;
Backend* X11Backend::backend_ = nullptr;
Display* X11Backend::probe_ = nullptr;

TEST_F(X11Backend, ClosestFormatForTheLibraryRequestAndDescription) {
    const PIXELFORMATDESCRIPTOR want = library_request();
    const std::int32_t f = b().choose_pixel_format(want);
    ASSERT_GT(f, 0);
    EXPECT_EQ(b().choose_pixel_format(want), f) << "the numbering is stable";
    PIXELFORMATDESCRIPTOR d{};
    ASSERT_TRUE(b().describe_pixel_format(f, d));
    EXPECT_EQ(d.nSize, 40);
    EXPECT_EQ(d.cColorBits, 24);
    EXPECT_GE(d.cDepthBits, 24);
    EXPECT_GE(d.cStencilBits, 8) << "a missing stencil buffer is worse than a smaller depth";
    EXPECT_EQ(d.cAlphaBits, 8);
    EXPECT_GT(d.cAccumBits, 0);
    EXPECT_NE(d.dwFlags & PFD_DOUBLEBUFFER, 0u);
    EXPECT_NE(d.dwFlags & PFD_DRAW_TO_WINDOW, 0u);
    EXPECT_NE(d.dwFlags & PFD_SUPPORT_OPENGL, 0u);

    // Double buffering is a requirement, a single-buffered request prefers one.
    PIXELFORMATDESCRIPTOR single = want;
    single.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    single.cAccumBits = single.cAuxBuffers = single.cStencilBits = 0;
    const std::int32_t s = b().choose_pixel_format(single);
    ASSERT_GT(s, 0);
    ASSERT_TRUE(b().describe_pixel_format(s, d));
    EXPECT_EQ(d.dwFlags & PFD_DOUBLEBUFFER, 0u);
    EXPECT_EQ(d.cAccumBits, 0) << "nothing asked, the smallest wins";

    PIXELFORMATDESCRIPTOR index = want;
    index.iPixelType = 1;  // colour index
    EXPECT_EQ(b().choose_pixel_format(index), 0);
    EXPECT_FALSE(b().describe_pixel_format(0, d));
    EXPECT_FALSE(b().describe_pixel_format(100000, d));
}

TEST_F(X11Backend, ContextRendersIntoTheWindowsBackBuffer) {
    const HWND w = make(unique_title("gl").c_str(), kWindowed, 0, 0, 320, 240);
    const std::int32_t f = b().choose_pixel_format(library_request());
    ASSERT_GT(f, 0);
    EXPECT_EQ(b().create_context(w), nullptr) << "no context before the format";
    ASSERT_TRUE(b().set_pixel_format(w, f));
    EXPECT_TRUE(b().set_pixel_format(w, f));
    EXPECT_FALSE(b().set_pixel_format(w, f == 1 ? 2 : 1)) << "a window's format is set once";
    void* ctx = b().create_context(w);
    ASSERT_NE(ctx, nullptr);
    ASSERT_TRUE(b().make_current(w, ctx));
    glClearColor(0.2f, 0.4f, 0.6f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glReadBuffer(GL_BACK);
    unsigned char px[4] = {};
    glReadPixels(160, 120, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    EXPECT_NEAR(px[0], 51, 1);
    EXPECT_NEAR(px[1], 102, 1);
    EXPECT_NEAR(px[2], 153, 1);
    GLint vp[4] = {};
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(vp[2], 320);  // the GL child fills the client area
    EXPECT_EQ(vp[3], 240);
    EXPECT_TRUE(b().swap_buffers(w));
    EXPECT_TRUE(b().make_current(0, nullptr));
    EXPECT_FALSE(b().make_current(w, reinterpret_cast<void*>(0x1234))) << "not a context of ours";
    b().delete_context(ctx);
    b().delete_context(ctx);  // a second delete is harmless
    EXPECT_FALSE(b().make_current(w, ctx));
    EXPECT_FALSE(b().swap_buffers(0x6FFF));
}

TEST_F(X11Backend, WindowedFormSitsAtTheRequestedPlaceWithItsTitleAndSize) {
    const std::string title = unique_title("top");
    const HWND w = make(title.c_str(), kWindowed, 0, 0, 800, 600);
    const ::Window xw = find_by_name(title);
    ASSERT_NE(xw, 0u) << "no top-level window has the title";
    XWindowAttributes a{};
    ASSERT_TRUE(XGetWindowAttributes(probe_, xw, &a));
    EXPECT_EQ(a.x, 0);
    EXPECT_EQ(a.y, 0);
    EXPECT_EQ(a.width, 800);  // no window manager: the client is the whole size
    EXPECT_EQ(a.height, 600);
    EXPECT_EQ(a.map_state, IsViewable);
    EXPECT_EQ(run("xdotool search --name '^" + title + "$' >/dev/null"), 0);

    XClassHint ch{};
    ASSERT_TRUE(XGetClassHint(probe_, xw, &ch));
    EXPECT_STREQ(ch.res_class, "KvxTest");
    XFree(ch.res_name);
    XFree(ch.res_class);
    Atom* protocols = nullptr;
    int np = 0;
    ASSERT_TRUE(XGetWMProtocols(probe_, xw, &protocols, &np));
    ASSERT_EQ(np, 1);
    EXPECT_EQ(protocols[0], XInternAtom(probe_, "WM_DELETE_WINDOW", False));
    XFree(protocols);

    RECT outer{};
    POINT origin{};
    ASSERT_TRUE(b().window_rect(w, outer, origin));
    EXPECT_EQ(outer.left, 0);
    EXPECT_EQ(outer.top, 0);
    EXPECT_EQ(outer.right, 800);
    EXPECT_EQ(outer.bottom, 600);
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 0);
    EXPECT_EQ(b().focus_window(), w) << "without a window manager the program takes the focus";

    // A UTF-8 title reaches _NET_WM_NAME unchanged.
    const std::string utf8 = title + " \xC3\xA8 \xE2\x82\xAC";
    b().set_title(w, utf8.c_str());
    sync();
    Atom type = 0;
    int format = 0;
    unsigned long n = 0, left = 0;
    unsigned char* data = nullptr;
    ASSERT_EQ(XGetWindowProperty(probe_, xw, XInternAtom(probe_, "_NET_WM_NAME", False), 0, 256,
                                 False, AnyPropertyType, &type, &format, &n, &left, &data),
              Success);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), n), utf8);
    XFree(data);
}

TEST_F(X11Backend, FullScreenFormCoversTheScreenWithAThinBorderAndNoDecorations) {
    std::int32_t sw = 0, sh = 0;
    b().screen_size(sw, sh);
    EXPECT_EQ(sw, DisplayWidth(probe_, DefaultScreen(probe_)));
    EXPECT_EQ(sh, DisplayHeight(probe_, DefaultScreen(probe_)));
    const std::string title = unique_title("full");
    const HWND w = make(title.c_str(), kFullScreen, 0, 0, sw, sh);
    RECT outer{};
    POINT origin{};
    ASSERT_TRUE(b().window_rect(w, outer, origin));
    EXPECT_EQ(outer.left, 0);
    EXPECT_EQ(outer.top, 0);
    EXPECT_EQ(outer.right, sw);
    EXPECT_EQ(outer.bottom, sh);
    EXPECT_EQ(origin.x, 1);
    EXPECT_EQ(origin.y, 1);
    const ::Window xw = find_by_name(title);
    ASSERT_NE(xw, 0u);
    Atom type = 0;
    int format = 0;
    unsigned long n = 0, left = 0;
    unsigned char* data = nullptr;
    const Atom motif = XInternAtom(probe_, "_MOTIF_WM_HINTS", False);
    ASSERT_EQ(XGetWindowProperty(probe_, xw, motif, 0, 5, False, motif, &type, &format, &n, &left,
                                 &data),
              Success);
    ASSERT_EQ(n, 5u);
    EXPECT_EQ(reinterpret_cast<long*>(data)[0], 2);  // decorations given...
    EXPECT_EQ(reinterpret_cast<long*>(data)[2], 0);  // ...as none
    XFree(data);
}

TEST_F(X11Backend, ChildWindowsLieInTheParentsClientArea) {
    const HWND top = make(unique_title("parent").c_str(), kWindowed, 40, 30, 400, 300);
    const HWND child = make("", WS_CHILD | WS_VISIBLE, 10, 20, 100, 30, top);
    RECT outer{};
    POINT origin{};
    ASSERT_TRUE(b().window_rect(child, outer, origin));
    EXPECT_EQ(origin.x, 50);
    EXPECT_EQ(origin.y, 50);
    EXPECT_EQ(outer.right - outer.left, 100);
    EXPECT_EQ(outer.bottom - outer.top, 30);
    b().move_window(child, 0, 270, 400, 30);
    ASSERT_TRUE(b().window_rect(child, outer, origin));
    EXPECT_EQ(origin.x, 40);
    EXPECT_EQ(origin.y, 300);
    EXPECT_EQ(outer.right - outer.left, 400);
    EXPECT_FALSE(b().create_window(0x6FF0, NativeWindowSpec{0x6FFF, 0, 0, 10, 10}))
        << "a child of an unknown parent";
    // Destroying the parent takes the child's native window with it; the
    // child's own destroy afterwards is quiet.
    b().destroy_window(top);
    EXPECT_FALSE(b().window_rect(child, outer, origin));
    testing::internal::CaptureStderr();
    b().destroy_window(child);
    sync();
    drain();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(X11Backend, DeadNativeWindowIsReportedAndDoesNotEndTheProgram) {
    const std::string title = unique_title("dead");
    const HWND w = make(title.c_str(), kWindowed, 0, 0, 200, 100);
    const ::Window xw = find_by_name(title);
    ASSERT_NE(xw, 0u);
    XDestroyWindow(probe_, xw);  // from another client, behind the backend's back
    XSync(probe_, False);
    testing::internal::CaptureStderr();
    b().move_window(w, 5, 5, 100, 100);  // BadWindow from the server
    NativeEvent ev;
    const bool gone = wait_for(
        [&](const NativeEvent& e) { return e.kind == NativeEvent::Destroyed && e.hwnd == w; }, ev);
    sync();  // the error reply arrives
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(gone);
    EXPECT_NE(err.find("Kalvox: X error"), std::string::npos) << err;
    EXPECT_NE(err.find("BadWindow"), std::string::npos) << err;
    RECT outer{};
    POINT origin{};
    EXPECT_FALSE(b().window_rect(w, outer, origin));
    b().destroy_window(w);
    b().set_title(w, "still here");  // a dead handle is harmless
}

TEST_F(X11Backend, KeysBecomeKeyMessagesWithSystemKeysForAltAndF10) {
    const HWND w = make(unique_title("keys").c_str(), kWindowed, 0, 0, 300, 200);
    ASSERT_EQ(b().focus_window(), w);
    NativeEvent ev;
    ASSERT_EQ(run("xdotool key a"), 0);
    ASSERT_TRUE(wait_input(w, WM_KEYDOWN, ev));
    EXPECT_EQ(ev.msg.wParam, 'A');
    EXPECT_EQ(static_cast<std::uint32_t>(ev.msg.lParam) & 0xC000FFFFu, 1u);
    EXPECT_EQ((static_cast<std::uint32_t>(ev.msg.lParam) >> 16) & 0xFF, 30u);  // the A key
    ASSERT_TRUE(wait_input(w, WM_KEYUP, ev));
    EXPECT_EQ(ev.msg.wParam, 'A');
    EXPECT_EQ(static_cast<std::uint32_t>(ev.msg.lParam) & 0xC0000000u, 0xC0000000u);

    ASSERT_EQ(run("xdotool key alt+x"), 0);
    ASSERT_TRUE(wait_input(w, WM_SYSKEYDOWN, ev));
    EXPECT_EQ(ev.msg.wParam, VK_MENU);
    ASSERT_TRUE(wait_input(w, WM_SYSKEYDOWN, ev));
    EXPECT_EQ(ev.msg.wParam, 'X');
    EXPECT_NE(static_cast<std::uint32_t>(ev.msg.lParam) & (1u << 29), 0u);
    drain();

    ASSERT_EQ(run("xdotool key F10 Escape"), 0);
    ASSERT_TRUE(wait_input(w, WM_SYSKEYDOWN, ev));
    EXPECT_EQ(ev.msg.wParam, VK_F10);
    ASSERT_TRUE(wait_input(w, WM_KEYDOWN, ev));
    EXPECT_EQ(ev.msg.wParam, VK_ESCAPE);

    // Autorepeat: repeated key-downs with the previous-state bit, one key-up.
    ASSERT_EQ(run("xdotool keydown b sleep 0.8 keyup b"), 0);
    int downs = 0, ups = 0, repeats = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    while (std::chrono::steady_clock::now() < until && ups == 0) {
        while (b().next_event(ev)) {
            if (ev.kind != NativeEvent::Input || ev.msg.wParam != 'B') continue;
            if (ev.msg.message == WM_KEYDOWN) {
                ++downs;
                if ((static_cast<std::uint32_t>(ev.msg.lParam) & (1u << 30)) != 0) ++repeats;
            }
            if (ev.msg.message == WM_KEYUP) ++ups;
        }
        b().wait_events(20);
    }
    EXPECT_EQ(ups, 1);
    EXPECT_GE(downs, 2);
    EXPECT_EQ(repeats, downs - 1);
}

TEST_F(X11Backend, MouseMessagesCarryClientCoordinatesAndButtonState) {
    const HWND w = make(unique_title("mouse").c_str(), kWindowed, 200, 150, 300, 200);
    // A GL child covers the client area: its events still reach the window.
    const std::int32_t f = b().choose_pixel_format(library_request());
    ASSERT_TRUE(b().set_pixel_format(w, f));
    drain();
    NativeEvent ev;
    ASSERT_EQ(run("xdotool mousemove 250 190"), 0);
    ASSERT_TRUE(wait_input(w, WM_MOUSEMOVE, ev));
    EXPECT_EQ(GET_X_LPARAM(ev.msg.lParam), 50);
    EXPECT_EQ(GET_Y_LPARAM(ev.msg.lParam), 40);
    EXPECT_EQ(ev.msg.wParam, 0);

    ASSERT_EQ(run("xdotool keydown shift mousedown 1"), 0);
    ASSERT_TRUE(wait_input(w, WM_LBUTTONDOWN, ev));
    EXPECT_EQ(ev.msg.wParam, MK_LBUTTON | MK_SHIFT);
    EXPECT_EQ(GET_X_LPARAM(ev.msg.lParam), 50);

    // Captured, a drag past the top-left corner gives negative coordinates.
    ASSERT_TRUE(b().grab_pointer(w));
    ASSERT_EQ(run("xdotool mousemove 150 100"), 0);
    ASSERT_TRUE(wait_input(w, WM_MOUSEMOVE, ev));
    EXPECT_EQ(GET_X_LPARAM(ev.msg.lParam), -50);
    EXPECT_EQ(GET_Y_LPARAM(ev.msg.lParam), -50);
    EXPECT_EQ(ev.msg.wParam, MK_LBUTTON | MK_SHIFT);
    ASSERT_EQ(run("xdotool mouseup 1 keyup shift"), 0);
    ASSERT_TRUE(wait_input(w, WM_LBUTTONUP, ev));
    EXPECT_EQ(ev.msg.wParam, MK_SHIFT);
    EXPECT_EQ(GET_X_LPARAM(ev.msg.lParam), -50);
    b().ungrab_pointer();

    ASSERT_EQ(run("xdotool mousemove 260 200 click 3"), 0);
    ASSERT_TRUE(wait_input(w, WM_RBUTTONDOWN, ev));
    EXPECT_EQ(ev.msg.wParam, MK_RBUTTON);
    ASSERT_TRUE(wait_input(w, WM_RBUTTONUP, ev));
    EXPECT_EQ(ev.msg.wParam, 0);

    // Middle button and wheel: no messages.
    ASSERT_EQ(run("xdotool click 2 click 4 click 5"), 0);
    EXPECT_FALSE(wait_for(
        [&](const NativeEvent& e) {
            return e.kind == NativeEvent::Input && e.msg.message != WM_MOUSEMOVE;
        },
        ev, 300));
}

TEST_F(X11Backend, GrabNeedsAViewableWindowAndEndsWithTheWindow) {
    const HWND hidden = make(unique_title("hidden").c_str(), kWindowed, 0, 0, 100, 100, 0, false);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(b().grab_pointer(hidden));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const HWND w = make(unique_title("grab").c_str(), kWindowed, 0, 0, 100, 100);
    ASSERT_TRUE(b().grab_pointer(w));
    b().destroy_window(w);
    sync();
    // The grab is gone: another client can grab the pointer now.
    EXPECT_EQ(XGrabPointer(probe_, DefaultRootWindow(probe_), False, ButtonPressMask,
                           GrabModeAsync, GrabModeAsync, 0, 0, CurrentTime),
              GrabSuccess);
    XUngrabPointer(probe_, CurrentTime);
    XSync(probe_, False);
}

TEST_F(X11Backend, ExposeConfigureAndCloseEvents) {
    const std::string title = unique_title("events");
    const HWND w = make(title.c_str(), kWindowed, 0, 0, 200, 100, 0, false);
    b().show_window(w, true);
    NativeEvent ev;
    ASSERT_TRUE(wait_for(
        [&](const NativeEvent& e) { return e.kind == kExposeEvent && e.hwnd == w; }, ev));
    EXPECT_GT(ev.rect.right, ev.rect.left);

    b().move_window(w, 30, 40, 250, 120);
    ASSERT_TRUE(wait_for(
        [&](const NativeEvent& e) {
            return e.kind == NativeEvent::Configure && e.hwnd == w && e.rect.left == 30;
        },
        ev));
    EXPECT_EQ(ev.rect.top, 40);
    EXPECT_EQ(ev.rect.right, 280);
    EXPECT_EQ(ev.rect.bottom, 160);

    // The close box of a window manager: WM_DELETE_WINDOW.
    const ::Window xw = find_by_name(title);
    ASSERT_NE(xw, 0u);
    XEvent ce{};
    ce.xclient.type = ClientMessage;
    ce.xclient.window = xw;
    ce.xclient.message_type = XInternAtom(probe_, "WM_PROTOCOLS", False);
    ce.xclient.format = 32;
    ce.xclient.data.l[0] = static_cast<long>(XInternAtom(probe_, "WM_DELETE_WINDOW", False));
    XSendEvent(probe_, xw, False, NoEventMask, &ce);
    XSync(probe_, False);
    ASSERT_TRUE(wait_for(
        [&](const NativeEvent& e) { return e.kind == NativeEvent::Close && e.hwnd == w; }, ev));

    b().show_window(w, false);
    sync();
    XWindowAttributes a{};
    ASSERT_TRUE(XGetWindowAttributes(probe_, xw, &a));
    EXPECT_NE(a.map_state, IsViewable);
}

TEST_F(X11Backend, ShapesAreSetAndRemoved) {
    const std::string title = unique_title("shape");
    const HWND w = make(title.c_str(), WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    const ::Window xw = find_by_name(title);
    ASSERT_NE(xw, 0u);
    const RECT rects[] = {{0, 0, 50, 10}, {10, 10, 30, 40}};
    b().set_shape(w, rects, 2);
    sync();
    int count = 0, ordering = 0;
    XRectangle* got = XShapeGetRectangles(probe_, xw, ShapeBounding, &count, &ordering);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(got[0].width + got[1].width, 70);
    XFree(got);
    b().set_shape(w, nullptr, -1);
    sync();
    Bool bounding = True, clip = True;
    int bx, by, cx, cy;
    unsigned bw, bh, cw, ch;
    ASSERT_TRUE(XShapeQueryExtents(probe_, xw, &bounding, &bx, &by, &bw, &bh, &clip, &cx, &cy,
                                   &cw, &ch));
    EXPECT_FALSE(bounding);
}

TEST_F(X11Backend, DrawingReachesTheWindow) {
    const HWND top = make(unique_title("draw").c_str(), kWindowed, 0, 0, 200, 100);
    const HWND bar = make("", WS_CHILD | WS_VISIBLE, 0, 70, 200, 30, top);
    drain();
    std::uint32_t img[4 * 2];
    for (std::uint32_t& p : img) p = 0x00FF8000u;  // red 255, green 128, blue 0
    b().fill_rect(bar, RECT{0, 0, 200, 30}, RGB(0, 0, 255));
    b().put_image(bar, 10, 5, 4, 2, img, 4);
    b().draw_line(bar, 0, 29, 199, 29, RGB(0, 255, 0));
    b().draw_text(bar, RECT{40, 0, 200, 30}, "Percorso file", RGB(255, 255, 255));
    b().put_image(bar, 0, 0, -1, 5, img, 4);  // refused, harmlessly
    sync();
    // Read back from the screen through the probe.
    RECT outer{};
    POINT origin{};
    ASSERT_TRUE(b().window_rect(bar, outer, origin));
    XImage* shot = XGetImage(probe_, DefaultRootWindow(probe_), origin.x, origin.y, 200, 30,
                             AllPlanes, ZPixmap);
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(XGetPixel(shot, 11, 6) & 0xFFFFFF, 0xFF8000u);
    EXPECT_EQ(XGetPixel(shot, 2, 2) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(XGetPixel(shot, 100, 29) & 0xFFFFFF, 0x00FF00u);
    int text_pixels = 0;
    for (int y = 0; y < 29; ++y)
        for (int x = 40; x < 200; ++x)
            if ((XGetPixel(shot, x, y) & 0xFFFFFF) != 0x0000FFu) ++text_pixels;
    EXPECT_GT(text_pixels, 30);
    XDestroyImage(shot);
}

TEST_F(X11Backend, CursorsFromStockIdsAndImages) {
    const std::uintptr_t ids[] = {IDC_ARROW,    IDC_IBEAM,    IDC_WAIT,     IDC_CROSS,
                                  IDC_UPARROW,  IDC_SIZE,     IDC_ICON,     IDC_SIZENWSE,
                                  IDC_SIZENESW, IDC_SIZEWE,   IDC_SIZENS,   IDC_SIZEALL,
                                  IDC_NO,       IDC_HAND,     IDC_APPSTARTING, IDC_HELP};
    for (std::uintptr_t id : ids) {
        EXPECT_NE(b().stock_cursor(id), 0u) << id;
        EXPECT_EQ(b().stock_cursor(id), b().stock_cursor(id)) << "made once";
    }
    EXPECT_EQ(b().stock_cursor(12345), b().stock_cursor(IDC_ARROW));
    EXPECT_NE(b().stock_cursor(IDC_HAND), b().stock_cursor(IDC_ARROW));
    std::uint32_t argb[4] = {0xFF000000u, 0x80FFFFFFu, 0, 0xFFFF0000u};
    EXPECT_NE(b().image_cursor(2, 2, 1, 1, argb), 0u);
    EXPECT_EQ(b().image_cursor(0, 2, 0, 0, argb), 0u);
    EXPECT_EQ(b().image_cursor(2, 2, 0, 0, nullptr), 0u);
}

TEST_F(X11Backend, CursorPositionRoundTrips) {
    b().set_cursor_pos(123, 45);
    POINT p{};
    ASSERT_TRUE(b().get_cursor_pos(p));
    EXPECT_EQ(p.x, 123);
    EXPECT_EQ(p.y, 45);
    b().set_cursor_pos(640, 512);
    ASSERT_TRUE(b().get_cursor_pos(p));
    EXPECT_EQ(p.x, 640);
    EXPECT_EQ(p.y, 512);
}

// Answers a message box from another process as a person would: waits for
// the box by its caption, then runs the xdotool commands `then` (given the
// box's geometry as X, Y, WIDTH, HEIGHT).
class Answerer {
public:
    Answerer(const std::string& caption, const std::string& then) {
        const std::string cmd = "eval $(timeout 20 xdotool search --sync --name '^" + caption +
                                "$' getwindowgeometry --shell) && timeout 20 " + then;
        const char* argv[] = {"/bin/sh", "-c", cmd.c_str(), nullptr};
        posix_spawn(&pid_, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ);
    }
    ~Answerer() {
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
    }

private:
    pid_t pid_ = 0;
};

TEST_F(X11Backend, MessageBoxIsAnsweredByKeyboardAndMouse) {
    struct Case {
        const char* then;
        UINT style;
        std::int32_t answer;
    };
    const Case cases[] = {
        {"xdotool key n", MB_YESNO | MB_ICONQUESTION, IDNO},
        {"xdotool key Return", MB_YESNO | MB_ICONQUESTION, IDYES},
        {"xdotool key --delay 50 Tab Return", MB_YESNO, IDNO},
        {"xdotool key y", MB_YESNO, IDYES},
        {"xdotool key Escape", MB_YESNO, IDNO},
        {"xdotool key Return", MB_OK, IDOK},
        // A click on the last button (No), near the box's bottom-right corner.
        {"xdotool mousemove $((X+WIDTH-62)) $((Y+HEIGHT-32)) click 1", MB_YESNO, IDNO},
        // A press outside every button answers nothing; Return then does.
        {"xdotool mousemove $((X+5)) $((Y+5)) click 1 sleep 0.2 key Return", MB_YESNO, IDYES},
    };
    // The program's own window must not see the keys typed into the box.
    const HWND w = make(unique_title("owner").c_str(), kWindowed, 0, 0, 200, 100);
    drain();
    int i = 0;
    for (const Case& c : cases) {
        const std::string caption = unique_title("box") + "-" + std::to_string(i++);
        alarm(60);  // a box nobody answers must not hang the run
        std::int32_t got = 0;
        {
            Answerer a(caption, c.then);
            got = b().message_box("Settare lo schermo intero?  ", caption.c_str(), c.style);
        }
        alarm(0);
        EXPECT_EQ(got, c.answer) << c.then;
        EXPECT_EQ(find_by_name(caption), 0u) << "the box is gone";
    }
    NativeEvent ev;
    EXPECT_FALSE(wait_for(
        [&](const NativeEvent& e) {
            return e.kind == NativeEvent::Input && e.hwnd == w &&
                   (e.msg.message == WM_KEYDOWN || e.msg.message == WM_KEYUP);
        },
        ev, 200));
}

TEST_F(X11Backend, MessageBoxWrapsLongTextAndIsCentred) {
    const std::string caption = unique_title("wrap");
    std::string text;
    for (int k = 0; k < 40; ++k) text += "parola ";
    text += std::string(200, 'x');  // one word wider than the box
    alarm(60);
    std::int32_t got = 0;
    {
        // Look at the box before answering it.
        const std::string cmd =
            "exec timeout 20 sh -c \"xdotool search --sync --name '^" + caption +
            "$' getwindowgeometry --shell > /tmp/kvx-x11-geom-" + std::to_string(getpid()) +
            " && xdotool search --name '^" + caption + "$' key Return\"";
        const char* argv[] = {"/bin/sh", "-c", cmd.c_str(), nullptr};
        pid_t pid = 0;
        posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ);
        got = b().message_box(text.c_str(), caption.c_str(), MB_OK);
        waitpid(pid, nullptr, 0);
    }
    alarm(0);
    EXPECT_EQ(got, IDOK);
    const std::string path = "/tmp/kvx-x11-geom-" + std::to_string(getpid());
    FILE* f = std::fopen(path.c_str(), "r");
    ASSERT_NE(f, nullptr);
    int x = -1, y = -1, width = -1, height = -1;
    char line[128];
    while (std::fgets(line, sizeof line, f) != nullptr) {
        std::sscanf(line, "X=%d", &x);
        std::sscanf(line, "Y=%d", &y);
        std::sscanf(line, "WIDTH=%d", &width);
        std::sscanf(line, "HEIGHT=%d", &height);
    }
    std::fclose(f);
    std::remove(path.c_str());
    std::int32_t sw = 0, sh = 0;
    b().screen_size(sw, sh);
    EXPECT_LE(width, 600) << "long text wraps";
    EXPECT_GT(height, 100) << "into several lines";
    EXPECT_NEAR(x + width / 2, sw / 2, 2);
    EXPECT_NEAR(y + height / 2, sh / 2, 2);
}

// ------------------------------------------------------------------ losing the server
void lose_the_server() {
    std::string display;
    const pid_t server = testx::start_private_server(display, "640x480x24");
    if (server == 0) std::_Exit(3);
    setenv("DISPLAY", display.c_str(), 1);
    std::unique_ptr<Backend> lost = make_x11_backend();
    if (!lost) std::_Exit(4);
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    for (;;) {
        NativeEvent ev;
        lost->next_event(ev);
        lost->wait_events(50);
        lost->flush();
    }
}

TEST(X11BackendDeathTest, LosingTheServerEndsTheProgramWithOneClearLine) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(lose_the_server(), ::testing::ExitedWithCode(1),
                "Kalvox: lost the connection to the X server");
}

TEST(X11BackendStart, NoDisplayGivesNoBackend) {
    const char* old = std::getenv("DISPLAY");
    const std::string saved = old != nullptr ? old : "";
    setenv("DISPLAY", ":9999", 1);
    EXPECT_EQ(make_x11_backend(), nullptr);
    if (old != nullptr)
        setenv("DISPLAY", saved.c_str(), 1);
    else
        unsetenv("DISPLAY");
}

}  // namespace
