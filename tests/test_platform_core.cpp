// Tests of the window-system layer's portable core on the null backend:
// the message queue's order and synthesis rules, sent messages, window
// creation and destruction, classes, properties, timers, capture, message
// boxes, the status control, the WGL operations, and the EGL backend.
// This file replaces operator new/delete with malloc/free to count
// allocations; GCC cannot see that the pair matches once inlined.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <time.h>

#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/objects.h"
#include "platform/seams.h"
#include "platform/win.h"

using namespace plat;

// Counts allocations while g_counting is set (the frame loop's queue check
// must allocate nothing).
namespace {
bool g_counting = false;
long g_allocations = 0;
}  // namespace
void* operator new(std::size_t n) {
    if (g_counting) ++g_allocations;
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
// The nothrow forms too (std::stable_sort's buffer): a run-time library that
// supplies its own would hand out blocks these deletes cannot free.
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    if (g_counting) ++g_allocations;
    return std::malloc(n == 0 ? 1 : n);
}
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

class NullBackendEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(select_backend("null")); }
};
const auto* const g_env = ::testing::AddGlobalTestEnvironment(new NullBackendEnvironment);

struct Logged {
    HWND hwnd;
    UINT msg;
    WPARAM wp;
    LPARAM lp;
};
std::vector<Logged> g_log;
std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> g_handler;
DWORD g_tick = 0;

LRESULT test_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    g_log.push_back({w, m, wp, lp});
    if (g_handler) return g_handler(w, m, wp, lp);
    return DefWindowProcA(w, m, wp, lp);
}

std::vector<UINT> logged(UINT msg) {
    std::vector<UINT> v;
    for (const Logged& l : g_log)
        if (l.msg == msg) v.push_back(l.hwnd);
    return v;
}

constexpr DWORD kPopup = WS_POPUP | WS_VISIBLE;
constexpr DWORD kCaptioned = 0x96CA0000;  // pop-up, visible, caption, system menu...

class Core : public ::testing::Test {
protected:
    void SetUp() override {
        static bool registered = false;
        if (!registered) {
            WNDCLASSA wc{};
            wc.lpfnWndProc = test_proc;
            wc.hInstance = GetModuleInstance();
            wc.lpszClassName = "TestWnd";
            ASSERT_NE(RegisterClassA(&wc), 0);
            registered = true;
        }
        g_log.clear();
        g_handler = nullptr;
        g_tick = 0;
        seams::set_tick_source([] { return g_tick; });
        seams::clear_failures();
    }

    void TearDown() override {
        g_handler = nullptr;
        for (HWND w : made_) DestroyWindow(w);
        MSG m;
        for (int i = 0; i < 1000 && PeekMessageA(&m, 0, 0, 0, PM_REMOVE); ++i) {
        }
        seams::clear_tick_source();
        seams::clear_failures();
        seams::stop_answering_message_boxes();
        seams::clear_recorded_boxes();
        EXPECT_EQ(seams::live_counts().windows, 0);
        EXPECT_EQ(seams::live_counts().contexts, 0);
    }

    HWND make(DWORD style = kPopup, HWND parent = 0, std::int32_t x = 0, std::int32_t y = 0,
              std::int32_t w = 100, std::int32_t h = 80, UINT id = 0) {
        const HWND hwnd = CreateWindowExA(0, "TestWnd", "t", style, x, y, w, h, parent, id,
                                          GetModuleInstance(), nullptr);
        if (hwnd != 0) made_.push_back(hwnd);
        return hwnd;
    }

    std::vector<HWND> made_;
};

std::string name_of(const MSG& m) {
    switch (m.message) {
    case WM_USER: return "USER";
    case WM_KEYDOWN: return "KEYDOWN";
    case WM_QUIT: return "QUIT";
    case WM_PAINT: return "PAINT";
    case WM_TIMER: return "TIMER " + std::to_string(m.wParam);
    case WM_MOUSEMOVE: return "MOUSEMOVE";
    default: return std::to_string(m.message);
    }
}

// ------------------------------------------------------------------ queue order

struct QueueScenario {
    const char* name;
    std::function<void(HWND)> setup;
    int paints_before_validate;  // WM_PAINT handled this many times before it validates
    std::vector<std::string> expected;
};

TEST_F(Core, QueueOrderAndSynthesis) {
    const auto inject_key = [](HWND w) {
        MSG k{};
        k.hwnd = w;
        k.message = WM_KEYDOWN;
        k.wParam = 'A';
        seams::inject_input(k);
    };
    const std::vector<QueueScenario> scenarios = {
        {"posted, input, quit, paint, timer",
         [&](HWND w) {
             SetTimer(w, 1, 100, nullptr);
             g_tick = 150;
             InvalidateRect(w, nullptr, 0);
             PostQuitMessage(0);
             inject_key(w);
             PostMessageA(w, WM_USER, 0, 0);
         },
         1,
         {"USER", "KEYDOWN", "QUIT", "PAINT", "TIMER 1"}},
        {"quit waits for a message posted after it",
         [](HWND w) {
             PostQuitMessage(3);
             PostMessageA(w, WM_USER, 0, 0);
         },
         1,
         {"USER", "QUIT"}},
        {"quit waits for input", [&](HWND w) {
             PostQuitMessage(0);
             inject_key(w);
         },
         1, {"KEYDOWN", "QUIT"}},
        {"quit is delivered once", [](HWND) {
             PostQuitMessage(0);
             PostQuitMessage(0);
         },
         1, {"QUIT"}},
        {"paint repeats until validated", [](HWND w) { InvalidateRect(w, nullptr, 0); }, 3,
         {"PAINT", "PAINT", "PAINT"}},
        {"one message per due timer, however late",
         [](HWND w) {
             SetTimer(w, 1, 100, nullptr);
             SetTimer(w, 2, 200, nullptr);
             g_tick = 450;
         },
         1,
         {"TIMER 1", "TIMER 2"}},
        {"a hidden window gets no paint",
         [](HWND w) {
             ShowWindow(w, SW_HIDE);
             InvalidateRect(w, nullptr, 0);
         },
         1,
         {}},
        {"posted messages keep their order",
         [](HWND w) {
             PostMessageA(w, WM_USER, 0, 0);
             PostMessageA(w, WM_USER + 1, 0, 0);
             PostMessageA(w, WM_USER, 0, 0);
         },
         1,
         {"USER", "1025", "USER"}},
    };
    for (const QueueScenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        g_tick = 0;
        const HWND w = make();
        ASSERT_NE(w, 0u);
        ValidateRect(w, nullptr);
        int paints = 0;
        g_handler = [&](HWND hw, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            if (m == WM_PAINT && ++paints < s.paints_before_validate) return 0;
            return DefWindowProcA(hw, m, wp, lp);
        };
        s.setup(w);
        std::vector<std::string> got;
        MSG m;
        for (int i = 0; i < 8 && PeekMessageA(&m, 0, 0, 0, PM_REMOVE); ++i) {
            got.push_back(name_of(m));
            if (m.message != WM_QUIT) DispatchMessageA(&m);
        }
        EXPECT_EQ(got, s.expected);
        g_handler = nullptr;
        DestroyWindow(w);
    }
}

TEST_F(Core, PeekFiltersAndNoRemove) {
    const HWND a = make(), b = make();
    ValidateRect(a, nullptr);
    ValidateRect(b, nullptr);
    PostMessageA(a, WM_USER, 1, 0);
    PostMessageA(b, WM_USER + 5, 2, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, 0, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.hwnd, a);
    ASSERT_TRUE(PeekMessageA(&m, b, 0, 0, PM_REMOVE));  // window filter
    EXPECT_EQ(m.message, WM_USER + 5);
    EXPECT_FALSE(PeekMessageA(&m, 0, WM_USER + 1, WM_USER + 9, PM_REMOVE));  // range filter
    PostQuitMessage(0);
    EXPECT_TRUE(PeekMessageA(&m, a, 0, 0, PM_REMOVE));  // a's message
    EXPECT_FALSE(PeekMessageA(&m, a, 0, 0, PM_REMOVE));  // the quit message has no window
    ASSERT_TRUE(PeekMessageA(&m, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_QUIT);
}

TEST_F(Core, AnEmptyQueueCheckAllocatesNothing) {
    const HWND w = make();
    make(WS_CHILD | WS_VISIBLE, w, 0, 0, 10, 10, 1);
    ValidateRect(w, nullptr);
    SetTimer(w, 1, 500, nullptr);
    MSG m;
    while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    g_allocations = 0;
    g_counting = true;
    bool got = false;
    for (int i = 0; i < 100; ++i) got = got || PeekMessageA(&m, 0, 0, 0, PM_REMOVE) != 0;
    g_counting = false;
    EXPECT_FALSE(got);
    EXPECT_EQ(g_allocations, 0);
}

TEST_F(Core, GetMessageReturnsZeroForQuit) {
    const HWND w = make();
    ValidateRect(w, nullptr);
    PostMessageA(w, WM_USER, 0, 0);
    PostQuitMessage(7);
    MSG m;
    EXPECT_EQ(GetMessageA(&m, 0, 0, 0), 1);
    EXPECT_EQ(GetMessageA(&m, 0, 0, 0), 0);
    EXPECT_EQ(m.wParam, 7);
    EXPECT_EQ(GetMessageA(&m, 0xDEAD, 0, 0), -1);  // not a window
}

TEST_F(Core, TimersFollowTheTickSeamAcrossTheWrap) {
    const HWND w = make();
    ValidateRect(w, nullptr);
    g_tick = 0xFFFFFF00u;
    ASSERT_EQ(SetTimer(w, 1, 500, nullptr), 1u);
    MSG m;
    const auto timer_due = [&] { return PeekMessageA(&m, 0, WM_TIMER, WM_TIMER, PM_REMOVE) != 0; };
    g_tick += 499;
    EXPECT_FALSE(timer_due());
    g_tick += 1;  // wrapped past zero
    EXPECT_TRUE(timer_due());
    EXPECT_EQ(m.wParam, 1);
    EXPECT_FALSE(timer_due());
    g_tick += 500;
    EXPECT_TRUE(timer_due());
    EXPECT_EQ(KillTimer(w, 1), 1);
    g_tick += 5000;
    EXPECT_FALSE(timer_due());
    EXPECT_EQ(KillTimer(w, 1), 0);
}

TEST(CoreTicks, GetTickCountIsBootTimeMilliseconds) {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    const DWORD expect = static_cast<DWORD>(static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                                            static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u);
    const DWORD got = GetTickCount();
    EXPECT_LT(static_cast<DWORD>(got - expect), 1000u);
}

// ------------------------------------------------------------------ sent messages

TEST_F(Core, SentMessagesRunBeforeReturnAndRecursively) {
    const HWND w = make();
    std::vector<std::string> order;
    g_handler = [&](HWND hw, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_USER) {
            order.push_back("enter " + std::to_string(wp));
            const LRESULT inner = wp < 2 ? SendMessageA(hw, WM_USER, wp + 1, 0) : 0;
            order.push_back("leave " + std::to_string(wp));
            return inner + 10;
        }
        return DefWindowProcA(hw, m, wp, lp);
    };
    EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 30);
    EXPECT_EQ(order, (std::vector<std::string>{"enter 0", "enter 1", "enter 2", "leave 2",
                                               "leave 1", "leave 0"}));
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, 0, WM_USER, WM_USER, PM_REMOVE));  // nothing was queued
}

TEST_F(Core, PointerMessagesPassTheirPointerOnlyDuringTheCall) {
    const HWND w = make();
    std::int32_t data[3] = {200, 400, -1};
    LPARAM key = 0;
    const void* seen = nullptr;
    g_handler = [&](HWND, UINT m, WPARAM, LPARAM lp) -> LRESULT {
        key = lp;
        seen = MessagePointer(lp);
        if (auto* out = static_cast<std::int32_t*>(MessageOutPointer(lp))) out[0] = 7;
        return 0;
    };
    const std::int32_t* cdata = data;
    SendMessagePtr(w, WM_USER, 3, cdata);
    EXPECT_EQ(seen, data);
    EXPECT_EQ(data[0], 200);  // passed read-only
    EXPECT_EQ(MessagePointer(key), nullptr);
    SendMessagePtr(w, WM_USER, 3, data);
    EXPECT_EQ(data[0], 7);
    SendMessagePtr(w, WM_USER, 0, nullptr);
    EXPECT_EQ(seen, nullptr);
}

// ------------------------------------------------------------------ creation

TEST_F(Core, CreateRunsCreateWithItsRecordAndPlacesDefaultWindowsTopLeft) {
    int tag = 42;
    const CREATESTRUCTA* seen = nullptr;
    std::string title;
    g_handler = [&](HWND hw, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_CREATE) {
            seen = GetCreateStruct(lp);
            if (seen != nullptr) {
                title = seen->lpszName;
                EXPECT_EQ(seen->lpCreateParams, &tag);
                EXPECT_EQ(seen->cx, 800);
                EXPECT_EQ(seen->cy, 600);
            }
            return 0;
        }
        return DefWindowProcA(hw, m, wp, lp);
    };
    const HWND w = CreateWindowExA(0, "TestWnd", "Effetto", kCaptioned, CW_USEDEFAULT,
                                   CW_USEDEFAULT, 800, 600, 0, 0, GetModuleInstance(), &tag);
    ASSERT_NE(w, 0u);
    made_.push_back(w);
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(title, "Effetto");
    EXPECT_EQ(GetCreateStruct(0), nullptr);
    RECT r{};
    ASSERT_TRUE(GetWindowRect(w, &r));
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 800);
    EXPECT_EQ(r.bottom, 600);
    ASSERT_TRUE(GetClientRect(w, &r));
    EXPECT_EQ(r.right, 794);  // 3-pixel sides
    EXPECT_EQ(r.bottom, 578);  // 19 at the top, 3 at the bottom
    EXPECT_EQ(GetForegroundWindow(), w);
}

TEST_F(Core, CreateFailures) {
    const int before = seams::live_counts().windows;
    g_handler = [](HWND hw, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        return m == WM_CREATE ? -1 : DefWindowProcA(hw, m, wp, lp);
    };
    EXPECT_EQ(make(), 0u);  // WM_CREATE refused
    EXPECT_EQ(logged(WM_DESTROY).size(), 1u);
    g_handler = nullptr;
    seams::fail_next("CreateWindowExA");
    EXPECT_EQ(make(), 0u);
    EXPECT_NE(make(), 0u);  // the forced failure fired once
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", kPopup, 0, 0, 1, 1, 0, 0, 0, nullptr), 0u);
    EXPECT_EQ(make(WS_CHILD | WS_VISIBLE, 0), 0u);  // a child needs a parent
    EXPECT_EQ(seams::live_counts().windows, before + 1);
}

TEST_F(Core, ClassRegistration) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = test_proc;
    wc.lpszClassName = "TwiceClass";
    const ATOM a = RegisterClassA(&wc);
    EXPECT_NE(a, 0);
    EXPECT_EQ(RegisterClassA(&wc), 0);  // a name registers once
    wc.lpszClassName = "TWICECLASS";
    EXPECT_EQ(RegisterClassA(&wc), 0);  // names compare without case
    WNDCLASSEXA info{};
    EXPECT_EQ(GetClassInfoExA(0, "TwiceClass", &info), a);
    EXPECT_EQ(info.lpfnWndProc, &test_proc);
    EXPECT_EQ(GetClassInfoExA(0, "Unknown", &info), 0);

    wc.lpszClassName = "FailedClass";
    seams::fail_next("RegisterClassA");
    EXPECT_EQ(RegisterClassA(&wc), 0);
    EXPECT_NE(RegisterClassA(&wc), 0);

    const HWND w = CreateWindowExA(0, "TwiceClass", "", kPopup, 0, 0, 1, 1, 0, 0, 0, nullptr);
    ASSERT_NE(w, 0u);
    EXPECT_EQ(UnregisterClassA("TwiceClass", 0), 0);  // still in use
    DestroyWindow(w);
    EXPECT_EQ(UnregisterClassA("TwiceClass", 0), 1);
    EXPECT_EQ(UnregisterClassA("FailedClass", 0), 1);
    EXPECT_EQ(UnregisterClassA("FailedClass", 0), 0);
}

// ------------------------------------------------------------------ destruction

std::vector<HWND> g_hooked;
void record_hook(HWND w) { g_hooked.push_back(w); }

TEST_F(Core, DestroyTakesChildrenFirstWithinTheCallAndKillsTheHandles) {
    add_window_destroy_hook(record_hook);
    g_hooked.clear();
    const HWND top = make();
    const HWND c1 = make(WS_CHILD | WS_VISIBLE, top, 0, 0, 10, 10, 1);
    const HWND gc = make(WS_CHILD | WS_VISIBLE, c1, 0, 0, 5, 5, 2);
    const HWND c2 = make(WS_CHILD | WS_VISIBLE, top, 0, 0, 10, 10, 3);
    ASSERT_NE(gc, 0u);
    EXPECT_EQ(GetParent(gc), c1);
    EXPECT_EQ(GetDlgCtrlID(c2), 3);
    SetTimer(top, 1, 10, nullptr);
    PostMessageA(c2, WM_USER, 0, 0);
    ASSERT_EQ(SetCapture(gc), 0u);

    EXPECT_EQ(DestroyWindow(top), 1);
    EXPECT_EQ(logged(WM_DESTROY), (std::vector<UINT>{gc, c1, c2, top}));
    EXPECT_EQ(g_hooked, (std::vector<HWND>{gc, c1, c2, top}));
    EXPECT_EQ(GetCapture(), 0u);
    for (HWND w : {top, c1, gc, c2}) {
        EXPECT_FALSE(IsWindow(w));
        EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 0);
        EXPECT_EQ(PostMessageA(w, WM_USER, 0, 0), 0);
    }
    g_log.clear();
    EXPECT_EQ(DestroyWindow(top), 0);
    EXPECT_TRUE(g_log.empty());  // a dead handle reports nothing
    g_tick += 100;
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, 0, 0, 0, PM_REMOVE));  // its timer and messages went too

    const HWND fresh = make();
    for (HWND w : {top, c1, gc, c2}) EXPECT_NE(fresh, w);  // never reused
}

TEST_F(Core, DefaultProcessing) {
    const HWND w = make(kCaptioned, 0, CW_USEDEFAULT, CW_USEDEFAULT, 200, 100);
    // Right button up: a context-menu request at the screen position.
    SendMessageA(w, WM_RBUTTONUP, 0, MAKELPARAM(10, 20));
    ASSERT_EQ(logged(WM_CONTEXTMENU).size(), 1u);
    const Logged& cm = g_log.back();
    EXPECT_EQ(cm.wp, static_cast<WPARAM>(w));
    EXPECT_EQ(GET_X_LPARAM(cm.lp), 13);
    EXPECT_EQ(GET_Y_LPARAM(cm.lp), 39);
    // Paint validates.
    InvalidateRect(w, nullptr, 0);
    SendMessageA(w, WM_PAINT, 0, 0);
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, 0, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    // The system close command closes, and closing destroys.
    SendMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(logged(WM_CLOSE).size(), 1u);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(DefWindowProcA(w, WM_CLOSE, 0, 0), 0);
}

TEST_F(Core, UpdateWindowPaintsAtOnceOnlyWhenSomethingIsPending) {
    const HWND w = make();
    EXPECT_EQ(UpdateWindow(w), 1);  // creation left the whole window to paint
    EXPECT_EQ(logged(WM_PAINT).size(), 1u);
    EXPECT_EQ(UpdateWindow(w), 1);
    EXPECT_EQ(logged(WM_PAINT).size(), 1u);
    EXPECT_EQ(UpdateWindow(0), 0);
    PAINTSTRUCT ps{};
    RECT part{10, 10, 20, 20};
    InvalidateRect(w, &part, 1);
    const HDC dc = BeginPaint(w, &ps);
    ASSERT_NE(dc, 0u);
    EXPECT_EQ(ps.rcPaint.left, 10);
    EXPECT_EQ(ps.rcPaint.bottom, 20);
    EXPECT_EQ(ps.fErase, 1);
    const int dcs = seams::live_counts().dcs;
    EXPECT_EQ(EndPaint(w, &ps), 1);
    EXPECT_EQ(seams::live_counts().dcs, dcs - 1);
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, 0, WM_PAINT, WM_PAINT, PM_NOREMOVE));
}

TEST_F(Core, Properties) {
    const HWND w = make();
    EXPECT_EQ(GetPropA(w, "HOVERMODEBYTE"), 0u);
    EXPECT_EQ(SetPropA(w, "HOVERMODEBYTE", 3), 1);
    EXPECT_EQ(SetPropA(w, "NORMALBITMAP", 77), 1);
    EXPECT_EQ(GetPropA(w, "hovermodebyte"), 3u);
    EXPECT_EQ(SetPropA(w, "HOVERMODEBYTE", 2), 1);
    EXPECT_EQ(RemovePropA(w, "HOVERMODEBYTE"), 2u);
    EXPECT_EQ(GetPropA(w, "HOVERMODEBYTE"), 0u);
    EXPECT_EQ(RemovePropA(w, "HOVERMODEBYTE"), 0u);
    EXPECT_EQ(GetPropA(w, "NORMALBITMAP"), 77u);
    DestroyWindow(w);
    EXPECT_EQ(GetPropA(w, "NORMALBITMAP"), 0u);
    EXPECT_EQ(SetPropA(w, "X", 1), 0);
}

TEST_F(Core, TextsAndGeometry) {
    const HWND top = make(kCaptioned, 0, 50, 60, 300, 200);
    const HWND child = make(WS_CHILD | WS_VISIBLE, top, 10, 20, 40, 30, 9);
    char buf[4];
    EXPECT_EQ(SetWindowTextA(top, "Percorso"), 1);
    EXPECT_EQ(GetWindowTextA(top, buf, sizeof buf), 3);  // truncated, terminated
    EXPECT_STREQ(buf, "Per");
    RECT r{};
    ASSERT_TRUE(GetWindowRect(child, &r));
    EXPECT_EQ(r.left, 50 + 3 + 10);
    EXPECT_EQ(r.top, 60 + 19 + 20);
    EXPECT_TRUE(MoveWindow(child, 1, 2, 50, 60, 0));
    ASSERT_TRUE(GetClientRect(child, &r));
    EXPECT_EQ(r.right, 50);
    EXPECT_EQ(r.bottom, 60);
    seams::set_null_screen_size(1280, 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1024);
    seams::set_null_screen_size(1024, 768);
    EXPECT_EQ(GetStartupShowCommand(), SW_SHOWNORMAL);
}

// ------------------------------------------------------------------ input

TEST_F(Core, CaptureRoutesMouseInputAndTranslateMakesCharacters) {
    const HWND a = make(kPopup, 0, 0, 0, 100, 100);
    const HWND b = make(kPopup, 0, 200, 0, 100, 100);
    ValidateRect(a, nullptr);
    ValidateRect(b, nullptr);
    EXPECT_EQ(SetCapture(a), 0u);
    EXPECT_EQ(SetCapture(b), a);
    ASSERT_EQ(logged(WM_CAPTURECHANGED), (std::vector<UINT>{a}));
    MSG in{};
    in.hwnd = a;
    in.message = WM_MOUSEMOVE;
    in.lParam = MAKELPARAM(5, 6);
    seams::inject_input(in);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, b);
    EXPECT_EQ(GET_X_LPARAM(m.lParam), -195);  // in b's client coordinates
    EXPECT_EQ(GET_Y_LPARAM(m.lParam), 6);
    EXPECT_EQ(ReleaseCapture(), 1);
    EXPECT_EQ(GetCapture(), 0u);

    const auto key = [&](UINT msg, WPARAM vk) {
        MSG k{};
        k.hwnd = a;
        k.message = msg;
        k.wParam = vk;
        seams::inject_input(k);
        MSG got;
        EXPECT_TRUE(PeekMessageA(&got, 0, 0, 0, PM_REMOVE));
        TranslateMessage(&got);
        return PeekMessageA(&got, 0, WM_CHAR, WM_CHAR, PM_REMOVE) ? got.wParam : -1;
    };
    EXPECT_EQ(key(WM_KEYDOWN, 'A'), 'a');
    EXPECT_EQ(key(WM_KEYDOWN, VK_F1), -1);
    EXPECT_EQ(key(WM_KEYDOWN, VK_SHIFT), -1);
    EXPECT_EQ(key(WM_KEYDOWN, 'A'), 'A');
    EXPECT_EQ(key(WM_KEYDOWN, '1'), '!');
    EXPECT_EQ(key(WM_KEYUP, VK_SHIFT), -1);
    EXPECT_EQ(key(WM_KEYDOWN, VK_SPACE), ' ');
}

TEST_F(Core, NativeEventsBecomeMessages) {
    const HWND w = make(kCaptioned, 0, 0, 0, 200, 100);
    const HWND gone = make();
    ValidateRect(w, nullptr);
    ValidateRect(gone, nullptr);
    MSG m;
    NativeEvent ev;
    ev.kind = NativeEvent::Expose;
    ev.hwnd = w;
    ev.rect = RECT{5, 5, 10, 10};
    seams::push_null_event(ev);
    ASSERT_TRUE(PeekMessageA(&m, 0, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, WM_PAINT);
    PAINTSTRUCT ps{};
    BeginPaint(w, &ps);
    EXPECT_EQ(ps.rcPaint.left, 5);
    EXPECT_EQ(ps.rcPaint.right, 10);
    EndPaint(w, &ps);

    ev.kind = NativeEvent::Configure;
    ev.rect = RECT{10, 20, 310, 220};
    seams::push_null_event(ev);
    g_log.clear();
    EXPECT_FALSE(PeekMessageA(&m, 0, 0, 0, PM_REMOVE));
    RECT r{};
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.bottom, 220);
    ASSERT_EQ(logged(WM_SIZE).size(), 1u);
    ASSERT_EQ(logged(WM_MOVE).size(), 1u);
    for (const Logged& l : g_log) {
        if (l.msg == WM_SIZE) {
            EXPECT_EQ(l.lp, MAKELPARAM(294, 178));
        }
        if (l.msg == WM_MOVE) {
            EXPECT_EQ(l.lp, MAKELPARAM(13, 39));
        }
    }

    ev = NativeEvent{};
    ev.kind = NativeEvent::Input;
    ev.hwnd = w;
    ev.msg.message = WM_KEYDOWN;
    ev.msg.wParam = VK_ESCAPE;
    seams::push_null_event(ev);
    ev.kind = NativeEvent::Close;
    seams::push_null_event(ev);
    ev.hwnd = gone;
    ev.kind = NativeEvent::Destroyed;
    seams::push_null_event(ev);
    ASSERT_TRUE(PeekMessageA(&m, 0, 0, 0, PM_REMOVE));  // the close request is posted
    EXPECT_EQ(m.message, WM_CLOSE);
    EXPECT_EQ(m.hwnd, w);
    EXPECT_FALSE(IsWindow(gone));  // its native window went away: destroyed
    EXPECT_EQ(logged(WM_DESTROY), (std::vector<UINT>{gone}));
    DispatchMessageA(&m);
    EXPECT_FALSE(IsWindow(w));  // closed by default processing
    ev.kind = NativeEvent::Close;  // events for dead windows are dropped
    seams::push_null_event(ev);
    EXPECT_FALSE(PeekMessageA(&m, 0, 0, 0, PM_REMOVE));  // the key went with its window
}

TEST_F(Core, CursorAndFocusFromTheNullBackend) {
    seams::set_null_cursor_pos(450, 250);
    POINT p{};
    ASSERT_TRUE(GetCursorPos(&p));
    EXPECT_EQ(p.x, 450);
    EXPECT_EQ(p.y, 250);
    SetCursorPos(400, 300);
    ASSERT_TRUE(GetCursorPos(&p));
    EXPECT_EQ(p.x, 400);
    EXPECT_EQ(p.y, 300);
    const HWND w = make();
    seams::set_null_focus(0);
    EXPECT_EQ(GetForegroundWindow(), 0u);
    seams::set_null_focus(w);
    EXPECT_EQ(GetForegroundWindow(), w);
    DestroyWindow(w);
    EXPECT_EQ(GetForegroundWindow(), 0u);
}

TEST_F(Core, ModalPumpDispatchesEverythingButLeavesQuitQueued) {
    const HWND w = make();  // paint pending since creation
    PostMessageA(w, WM_USER, 0, 0);
    PostQuitMessage(0);
    core_pump_modal();
    EXPECT_EQ(logged(WM_USER).size(), 1u);
    EXPECT_EQ(logged(WM_PAINT).size(), 1u);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_QUIT);
}

// ------------------------------------------------------------------ message boxes

TEST_F(Core, MessageBoxAnswererRecordsAndWithoutItNoBoxGoesToStandardError) {
    seams::answer_message_boxes(IDYES);
    EXPECT_EQ(MessageBoxA(0, "Settare lo schermo intero?  ", "Video!", MB_YESNO | MB_ICONQUESTION),
              IDYES);
    ASSERT_EQ(seams::recorded_boxes().size(), 1u);
    EXPECT_EQ(seams::recorded_boxes()[0].text, "Settare lo schermo intero?  ");
    EXPECT_EQ(seams::recorded_boxes()[0].caption, "Video!");
    EXPECT_EQ(seams::recorded_boxes()[0].style, MB_YESNO | MB_ICONQUESTION);
    seams::stop_answering_message_boxes();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(0, "la rispettiva applicazione non è stata inizilizata!", "Error", 0),
              0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Error\nla rispettiva applicazione non è stata inizilizata!\n");
    EXPECT_EQ(seams::recorded_boxes().size(), 1u);
}

// ------------------------------------------------------------------ status control

TEST_F(Core, StatusControlKeepsItsTextAndParts) {
    const HWND top = make(kCaptioned, 0, CW_USEDEFAULT, CW_USEDEFAULT, 800, 600);
    const HWND sb = CreateStatusWindowA(0x50000000, "Percorso file", top, 30482);
    ASSERT_NE(sb, 0u);
    EXPECT_EQ(GetParent(sb), top);
    EXPECT_EQ(GetDlgCtrlID(sb), 30482);
    char text[64];
    GetWindowTextA(sb, text, sizeof text);
    EXPECT_STREQ(text, "Percorso file");
    RECT r{}, pr{};
    GetWindowRect(sb, &r);
    GetWindowRect(top, &pr);
    EXPECT_EQ(r.left, pr.left + 3);
    EXPECT_EQ(r.right - r.left, 794);
    EXPECT_EQ(r.bottom, pr.top + 19 + 578);  // along the bottom of the client area

    struct Case {
        std::vector<std::int32_t> edges;
    };
    for (const Case& c : {Case{{}}, Case{{200, 400, -1}}, Case{std::vector<std::int32_t>(256, 5)}}) {
        std::int32_t edges[256] = {};
        std::copy(c.edges.begin(), c.edges.end(), edges);
        EXPECT_EQ(SendMessagePtr(sb, SB_SETPARTS, static_cast<WPARAM>(c.edges.size()),
                                 static_cast<const void*>(edges)),
                  1);
        std::int32_t back[256] = {};
        ASSERT_EQ(SendMessagePtr(sb, SB_GETPARTS, 256, back),
                  static_cast<LRESULT>(c.edges.size()));
        EXPECT_EQ(std::vector<std::int32_t>(back, back + c.edges.size()), c.edges);
    }
    std::int32_t many[257] = {};
    EXPECT_EQ(SendMessagePtr(sb, SB_SETPARTS, 257, static_cast<const void*>(many)), 0);
    EXPECT_EQ(SendMessagePtr(sb, SB_SETPARTS, 2, nullptr), 0);

    EXPECT_EQ(SendMessagePtr(sb, SB_SETTEXTA, 0, static_cast<const void*>("Altro")), 1);
    GetWindowTextA(sb, text, sizeof text);
    EXPECT_STREQ(text, "Altro");
    UpdateWindow(sb);  // paints at once and validates
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, sb, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    seams::fail_next("CreateStatusWindowA");
    EXPECT_EQ(CreateStatusWindowA(0x50000000, "x", top, 1), 0u);
    EXPECT_EQ(CreateStatusWindowA(0x50000000, "x", 0, 1), 0u);  // a child needs a parent
}

// ------------------------------------------------------------------ WGL

TEST_F(Core, NullBackendHasNoPixelFormatsOrContexts) {
    const HWND w = make();
    const HDC dc = GetDC(w);
    ASSERT_NE(dc, 0u);
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    EXPECT_EQ(ChoosePixelFormat(dc, &pfd), 0);
    EXPECT_EQ(wglCreateContext(dc), 0u);
    EXPECT_EQ(wglGetCurrentContext(), 0u);
    EXPECT_EQ(wglMakeCurrent(dc, 0), 1);
    EXPECT_EQ(ReleaseDC(w, dc), 1);
    EXPECT_EQ(ReleaseDC(w, dc), 0);
    const HDC screen = GetDC(0);
    EXPECT_EQ(ReleaseDC(0, screen), 1);
    const HDC leftover = GetDC(w);
    const int dcs = seams::live_counts().dcs;
    DestroyWindow(w);  // takes its contexts along
    EXPECT_EQ(seams::live_counts().dcs, dcs - 1);
    EXPECT_EQ(ReleaseDC(w, leftover), 0);
}

TEST_F(Core, EglBackendRendersIntoTheWindowsFramebuffer) {
    if (!select_backend("egl")) GTEST_SKIP() << "EGL surfaceless OpenGL is not available";
    const HWND w = make(kPopup, 0, 0, 0, 64, 48);
    ASSERT_NE(w, 0u);
    const HDC dc = GetDC(w);
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = 0x1067;
    pfd.cColorBits = 32;
    seams::fail_next("ChoosePixelFormat");
    EXPECT_EQ(ChoosePixelFormat(dc, &pfd), 0);
    const std::int32_t format = ChoosePixelFormat(dc, &pfd);
    ASSERT_EQ(format, 1);
    PIXELFORMATDESCRIPTOR got{};
    EXPECT_EQ(DescribePixelFormat(dc, format, sizeof got, &got), 1);
    EXPECT_EQ(got.cDepthBits, 24);
    EXPECT_EQ(SetPixelFormat(dc, format, &pfd), 1);
    seams::fail_next("wglCreateContext");
    EXPECT_EQ(wglCreateContext(dc), 0u);
    const HGLRC rc = wglCreateContext(dc);
    ASSERT_NE(rc, 0u);
    EXPECT_EQ(seams::live_counts().contexts, 1);
    ASSERT_EQ(wglMakeCurrent(dc, rc), 1);
    EXPECT_EQ(wglGetCurrentContext(), rc);
    GLint vp[4] = {};
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(vp[2], 64);
    EXPECT_EQ(vp[3], 48);
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char px[4] = {};
    glReadPixels(63, 47, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    EXPECT_EQ(px[0], 0);
    EXPECT_EQ(px[1], 255);
    EXPECT_EQ(px[2], 0);
    EXPECT_EQ(SwapBuffers(dc), 1);
    EXPECT_EQ(wglMakeCurrent(dc, 0), 1);
    EXPECT_EQ(wglGetCurrentContext(), 0u);
    EXPECT_EQ(wglDeleteContext(rc), 1);
    EXPECT_EQ(wglDeleteContext(rc), 0);
    ReleaseDC(w, dc);
    DestroyWindow(w);
    EXPECT_TRUE(select_backend("null"));
}

}  // namespace
