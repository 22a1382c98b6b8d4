// Hover image buttons through real messages on the null backend: creation
// (size, position in the parent's client area, shape, pictures by file name),
// the hover/pressed state machine driven by queued mouse input with capture
// rerouting, the click notification posted to the parent, and clean-up.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <string>
#include <vector>

#include "Kalvox/KvxButtons.h"
#include "platform/backend.h"
#include "platform/seams.h"
#include "platform/win.h"
#include "tests/support/image_writers.h"

using namespace plat;
using namespace kvx;

namespace {

// The normal picture: magenta around an opaque 8 x 6 block at (2, 1) whose
// top-left pixel is magenta too.
constexpr int PW = 12, PH = 8;
bool opaque(int x, int y) { return x >= 2 && x < 10 && y >= 1 && y < 7 && !(x == 2 && y == 1); }
std::uint32_t normal_colour(int x, int y) { return opaque(x, y) ? 0x2040A0u : 0xFF00FFu; }

constexpr std::int32_t BUTTON_ID = 42;
constexpr std::int32_t BX = 40, BY = 30;  // where buttons are created, in client coordinates

struct Command {
    WPARAM wp;
    LPARAM lp;
};
std::vector<Command> g_commands;

LRESULT parent_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND) {
        g_commands.push_back({wp, lp});
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

void pump() {
    MSG m{};
    while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE) != 0) DispatchMessageA(&m);
}

HANDLE state_of(HWND b) { return GetPropA(b, HOVERMODE); }

class Buttons : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        select_backend("null");
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = HOVERBUTTONHANDLER;
        wc.lpszClassName = SZHOVERCLASS;
        RegisterClassExA(&wc);
        WNDCLASSA pc{};
        pc.lpfnWndProc = parent_proc;
        pc.lpszClassName = "KvxButtonParent";
        RegisterClassA(&pc);
    }
    void SetUp() override {
        dir_ = fixtures::make_temp_dir("kvx_buttons");
        write("btn_N.BMP", fixtures::bmp24(PW, PH, normal_colour));
        write("btn_H.BMP", fixtures::bmp24(PW, PH, [](int, int) { return 0x20C040u; }));
        write("btn_P.BMP", fixtures::bmp24(PW, PH, [](int, int) { return 0xC02040u; }));
        BMPTYPE = dir_ + "/btn_";
        g_commands.clear();
        counts_ = seams::live_counts();
    }
    void TearDown() override {
        if (IsWindow(parent_) != 0) DestroyWindow(parent_);
        pump();
        seams::clear_failures();
        BMPTYPE.clear();
        // Everything a button made went with it.
        const seams::LiveCounts n = seams::live_counts();
        EXPECT_EQ(n.windows, counts_.windows);
        EXPECT_EQ(n.dcs, counts_.dcs);
        EXPECT_EQ(n.bitmaps, counts_.bitmaps);
        EXPECT_EQ(n.palettes, counts_.palettes);
        EXPECT_EQ(n.regions, counts_.regions);
        EXPECT_EQ(GetCapture(), 0u);
        fixtures::remove_tree(dir_);
    }

    void write(const std::string& name, const fixtures::Bmp& b) {
        ASSERT_TRUE(fixtures::write_file(dir_ + "/" + name, fixtures::bmp_file(b)));
    }

    HWND make_parent(DWORD style = WS_POPUP | WS_CAPTION | WS_VISIBLE) {
        parent_ = CreateWindowExA(0, "KvxButtonParent", "parent", style, 100, 50, 400, 300, 0,
                                  0, 0, nullptr);
        return parent_;
    }

    HWND make_button(HWND parent) {
        return CreateWindowExA(0, SZHOVERCLASS, "", WS_CHILD | WS_VISIBLE, BX, BY, 0, 0, parent,
                               BUTTON_ID, GetModuleInstance(), nullptr);
    }

    // Mouse input as the OS would queue it for the window under the pointer;
    // the queue reroutes it to a window holding the capture.
    static void mouse(HWND to, UINT msg, int x, int y, WPARAM keys) {
        MSG m{};
        m.hwnd = to;
        m.message = msg;
        m.wParam = keys;
        m.lParam = MAKELPARAM(x, y);
        seams::inject_input(m);
        pump();
    }

    std::string dir_;
    HWND parent_ = 0;
    seams::LiveCounts counts_;
};

// ------------------------------------------------------------------ creation

TEST_F(Buttons, TakesThePictureSizeWhereCreatedWhateverTheParentFrame) {
    const DWORD styles[] = {WS_POPUP | WS_CAPTION | WS_VISIBLE, WS_POPUP | WS_BORDER | WS_VISIBLE,
                            WS_POPUP | WS_VISIBLE};
    for (DWORD style : styles) {
        SCOPED_TRACE(style);
        const HWND p = make_parent(style);
        ASSERT_NE(p, 0u);
        const HWND b = make_button(p);
        ASSERT_NE(b, 0u);
        POINT origin{0, 0};
        ASSERT_TRUE(ClientToScreen(p, &origin));
        RECT r{};
        ASSERT_TRUE(GetWindowRect(b, &r));
        EXPECT_EQ(r.left, origin.x + BX);
        EXPECT_EQ(r.top, origin.y + BY);
        EXPECT_EQ(r.right - r.left, PW);
        EXPECT_EQ(r.bottom - r.top, PH);
        EXPECT_EQ(state_of(b), 1u);
        EXPECT_NE(GetPropA(b, NORMALBMP), 0u);
        EXPECT_NE(GetPropA(b, HOVERBMP), 0u);
        EXPECT_NE(GetPropA(b, PRESSBMP), 0u);
        // The hit-test region is the normal picture's opaque shape.
        const HRGN hit = GetPropA(b, BUTTONRGN);
        ASSERT_NE(hit, 0u);
        for (int y = -1; y <= PH; ++y)
            for (int x = -1; x <= PW; ++x) ASSERT_EQ(PtInRegion(hit, x, y) != 0, opaque(x, y)) << x << "," << y;
        DestroyWindow(p);
        EXPECT_EQ(IsWindow(b), 0);  // children go with their parent
    }
}

TEST_F(Buttons, PicturesAreNamedByTheCommonBeginning) {
    // A directory and name beginning, and an empty beginning read from the
    // working directory.
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    write("N.BMP", fixtures::bmp24(5, 3, [](int, int) { return 0x102030u; }));
    write("H.BMP", fixtures::bmp24(5, 3, [](int, int) { return 0x405060u; }));
    write("P.BMP", fixtures::bmp24(5, 3, [](int, int) { return 0x708090u; }));
    struct Case {
        std::string prefix;
        bool in_dir;
        int w, h;
    };
    const Case cases[] = {{dir_ + "/btn_", false, PW, PH}, {"", true, 5, 3}};
    const HWND p = make_parent();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prefix);
        BMPTYPE = c.prefix;
        if (c.in_dir) {
            ASSERT_EQ(chdir(dir_.c_str()), 0);
        }
        const HWND b = make_button(p);
        if (c.in_dir) {
            ASSERT_EQ(chdir(cwd), 0);
        }
        ASSERT_NE(b, 0u);
        RECT r{};
        GetWindowRect(b, &r);
        EXPECT_EQ(r.right - r.left, c.w);
        EXPECT_EQ(r.bottom - r.top, c.h);
        EXPECT_NE(GetPropA(b, HOVERBMP), 0u);
        EXPECT_NE(GetPropA(b, PRESSBMP), 0u);
        DestroyWindow(b);
    }
}

TEST_F(Buttons, MissingPicturesPaintNothingAndLeakNothing) {
    const HWND p = make_parent();
    // No hover picture: hovering still works and its paint validates.
    ASSERT_EQ(unlink((dir_ + "/btn_H.BMP").c_str()), 0);
    const HWND b = make_button(p);
    ASSERT_NE(b, 0u);
    EXPECT_EQ(GetPropA(b, HOVERBMP), 0u);
    mouse(b, WM_MOUSEMOVE, 5, 4, 0);
    EXPECT_EQ(state_of(b), 2u);
    MSG m{};
    EXPECT_EQ(PeekMessageA(&m, b, WM_PAINT, WM_PAINT, PM_NOREMOVE), 0);
    mouse(p, WM_MOUSEMOVE, 300, 200, 0);
    DestroyWindow(b);

    // No normal picture: 0 by 0 where created, no shape, nothing to paint.
    ASSERT_EQ(unlink((dir_ + "/btn_N.BMP").c_str()), 0);
    const HWND e = make_button(p);
    ASSERT_NE(e, 0u);
    POINT origin{0, 0};
    ClientToScreen(p, &origin);
    RECT r{};
    GetWindowRect(e, &r);
    EXPECT_EQ(r.left, origin.x + BX);
    EXPECT_EQ(r.top, origin.y + BY);
    EXPECT_EQ(r.right, r.left);
    EXPECT_EQ(r.bottom, r.top);
    EXPECT_EQ(GetPropA(e, NORMALBMP), 0u);
    EXPECT_EQ(GetPropA(e, BUTTONRGN), 0u);
    InvalidateRect(e, nullptr, FALSE_);
    pump();
    EXPECT_EQ(PeekMessageA(&m, e, WM_PAINT, WM_PAINT, PM_NOREMOVE), 0);
}

// ------------------------------------------------------------------ state machine

struct Step {
    enum Kind { Move, ParentMove, Down, Up, ParentUp, RightUp } kind;
    int x, y;
    WPARAM keys;
    HANDLE state;       // expected afterwards
    bool captured;      // the button holds the capture afterwards
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
    std::size_t commands;
};

// Button coordinates (5, 4) are inside the shape, (2, 1) inside the
// rectangle but transparent; parent coordinates (300, 200) are far outside.
const Scenario kScenarios[] = {
    {"hover then leave through a transparent pixel",
     {{Step::Move, 5, 4, 0, 2, true}, {Step::Move, 6, 5, 0, 2, true},
      {Step::Move, 2, 1, 0, 1, false}, {Step::Move, 5, 4, 0, 2, true},
      {Step::ParentMove, 300, 200, 0, 1, false}},
     0},
    {"press inside, release inside",
     {{Step::Move, 5, 4, 0, 2, true}, {Step::Down, 5, 4, MK_LBUTTON, 3, true},
      {Step::Up, 5, 4, 0, 1, false}},
     1},
    {"press inside, move out, release outside",
     {{Step::Move, 5, 4, 0, 2, true}, {Step::Down, 5, 4, MK_LBUTTON, 3, true},
      {Step::ParentMove, 300, 200, MK_LBUTTON, 1, false},
      {Step::ParentUp, 300, 200, 0, 1, false}},
     0},
    {"captured pointer left of and above the button",
     {{Step::Move, 5, 4, 0, 2, true}, {Step::ParentMove, BX - 3, BY - 2, 0, 1, false}},
     0},
    {"enter with the left button held, release inside",
     {{Step::Move, 5, 4, MK_LBUTTON, 3, true}, {Step::Up, 5, 4, 0, 1, false}},
     1},
    {"enter with the right button held",
     {{Step::Move, 5, 4, MK_RBUTTON, 3, true}, {Step::RightUp, 5, 4, 0, 3, true},
      {Step::Move, 6, 4, 0, 3, true}, {Step::ParentMove, 300, 200, 0, 1, false}},
     0},
    {"left button up while hovering",
     {{Step::Move, 5, 4, 0, 2, true}, {Step::Up, 5, 4, 0, 1, false}},
     0},
};

class StateMachine : public Buttons, public ::testing::WithParamInterface<Scenario> {};

TEST_P(StateMachine, Scenario) {
    const HWND p = make_parent();
    const HWND b = make_button(p);
    ASSERT_NE(b, 0u);
    for (std::size_t i = 0; i < GetParam().steps.size(); ++i) {
        const Step& s = GetParam().steps[i];
        SCOPED_TRACE("step " + std::to_string(i));
        switch (s.kind) {
        case Step::Move: mouse(b, WM_MOUSEMOVE, s.x, s.y, s.keys); break;
        case Step::ParentMove: mouse(p, WM_MOUSEMOVE, s.x, s.y, s.keys); break;
        case Step::Down: mouse(b, WM_LBUTTONDOWN, s.x, s.y, s.keys); break;
        case Step::Up: mouse(b, WM_LBUTTONUP, s.x, s.y, s.keys); break;
        case Step::ParentUp: mouse(p, WM_LBUTTONUP, s.x, s.y, s.keys); break;
        case Step::RightUp: mouse(b, WM_RBUTTONUP, s.x, s.y, s.keys); break;
        }
        EXPECT_EQ(state_of(b), s.state);
        EXPECT_EQ(GetCapture() == b, s.captured);
    }
    ASSERT_EQ(g_commands.size(), GetParam().commands);
    for (const Command& c : g_commands) {
        EXPECT_EQ(c.wp, BUTTON_ID);
        EXPECT_EQ(c.lp, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, StateMachine, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<Scenario>& i) {
                             std::string n;
                             for (const char* c = i.param.name; *c != '\0'; ++c)
                                 n += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return n;
                         });

TEST_F(Buttons, TheClickIsPostedNotSent) {
    const HWND p = make_parent();
    const HWND b = make_button(p);
    mouse(b, WM_LBUTTONDOWN, 5, 4, MK_LBUTTON);
    MSG up{};
    up.hwnd = b;
    up.message = WM_LBUTTONUP;
    up.lParam = MAKELPARAM(5, 4);
    seams::inject_input(up);
    MSG m{};
    ASSERT_TRUE(PeekMessageA(&m, 0, 0, 0, PM_REMOVE));
    ASSERT_EQ(m.message, WM_LBUTTONUP);
    DispatchMessageA(&m);
    EXPECT_TRUE(g_commands.empty());
    ASSERT_TRUE(PeekMessageA(&m, p, WM_COMMAND, WM_COMMAND, PM_NOREMOVE));
    pump();
    ASSERT_EQ(g_commands.size(), 1u);
}

TEST_F(Buttons, WithoutAHitTestRegionOnlyTheButtonsMatter) {
    const HWND p = make_parent();
    seams::fail_next("ExtCreateRegion");  // the shape cannot be made
    const HWND b = make_button(p);
    ASSERT_NE(b, 0u);
    EXPECT_EQ(GetPropA(b, BUTTONRGN), 0u);
    mouse(b, WM_MOUSEMOVE, 5, 4, 0);
    EXPECT_EQ(state_of(b), 1u);
    EXPECT_EQ(GetCapture(), 0u);
    mouse(b, WM_LBUTTONDOWN, 0, 0, MK_LBUTTON);  // a transparent corner counts too
    EXPECT_EQ(state_of(b), 3u);
    mouse(p, WM_MOUSEMOVE, 300, 200, MK_LBUTTON);
    EXPECT_EQ(state_of(b), 3u);
    mouse(p, WM_LBUTTONUP, 300, 200, 0);  // captured: reaches the button
    EXPECT_EQ(state_of(b), 1u);
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(g_commands[0].wp, BUTTON_ID);
}

TEST_F(Buttons, DestroyingAHoveredButtonReleasesEverything) {
    const HWND p = make_parent();
    const HWND b = make_button(p);
    mouse(b, WM_MOUSEMOVE, 5, 4, 0);
    ASSERT_EQ(GetCapture(), b);
    const seams::LiveCounts during = seams::live_counts();
    EXPECT_EQ(during.dcs, counts_.dcs + 3);
    EXPECT_EQ(during.bitmaps, counts_.bitmaps + 3);
    EXPECT_EQ(during.regions, counts_.regions + 2);  // the window's shape and the hit-test copy
    EXPECT_TRUE(DestroyWindow(b));
    EXPECT_EQ(GetCapture(), 0u);
    // TearDown checks that the counts are back where they started.
}

}  // namespace
