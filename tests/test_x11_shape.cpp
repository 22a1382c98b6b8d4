// Window shapes and window drawing through the whole layer on a real X server
// (a private Xvfb, no window manager): SetWindowRgn with combined and
// bitmap-shaped regions must become the X window's bounding shape, in window
// coordinates, and go with the window; BitBlt from memory contexts to a
// window's paint and window contexts must put the right colours in the right
// places.  Everything is read back from the server through a second
// connection.
// The portable headers and GoogleTest come before X's, whose macros (None,
// Bool, Status...) would break them.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "Kalvox/KvxButtons.h"
#include "platform/backend.h"
#include "platform/seams.h"
#include "platform/win.h"
#include "tests/support/private_xserver.h"
#include "tests/support/image_writers.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

namespace {

using namespace plat;

// What the test window procedure draws in WM_PAINT, set by the test before it pumps.
using Painter = std::function<void(HDC)>;
Painter g_painter;
int g_paints = 0;

LRESULT paint_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps{};
        const HDC dc = BeginPaint(w, &ps);
        if (dc != 0 && g_painter) g_painter(dc);
        EndPaint(w, &ps);
        ++g_paints;
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

// A set of pixels in window coordinates over [-2, w + 2) x [-2, h + 2), enough
// to see a shape that strays outside the window.
struct Coverage {
    std::int32_t w = 0, h = 0;
    std::vector<bool> on;
    Coverage(std::int32_t w_, std::int32_t h_)
        : w(w_), h(h_), on(static_cast<std::size_t>((w_ + 4) * (h_ + 4)), false) {}
    void add(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
        for (std::int32_t y = std::max(t, -2); y < std::min(b, h + 2); ++y)
            for (std::int32_t x = std::max(l, -2); x < std::min(r, w + 2); ++x)
                on[static_cast<std::size_t>((y + 2) * (w + 4) + (x + 2))] = true;
    }
    bool at(std::int32_t x, std::int32_t y) const {
        return on[static_cast<std::size_t>((y + 2) * (w + 4) + (x + 2))];
    }
};

// Reports the first pixel where two coverages differ.
::testing::AssertionResult same_coverage(const Coverage& got, const Coverage& want) {
    for (std::int32_t y = -2; y < want.h + 2; ++y)
        for (std::int32_t x = -2; x < want.w + 2; ++x)
            if (got.at(x, y) != want.at(x, y))
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << ": shaped " << got.at(x, y) << ", region "
                       << want.at(x, y);
    return ::testing::AssertionSuccess();
}

// Reports the first pixel (0x00RRGGBB, rows of `w`) where two pictures differ.
::testing::AssertionResult same_pixels(const std::vector<std::uint32_t>& got,
                                       const std::vector<std::uint32_t>& want, std::int32_t w) {
    if (got.size() != want.size())
        return ::testing::AssertionFailure() << got.size() << " pixels read, " << want.size()
                                             << " expected";
    for (std::size_t i = 0; i < want.size(); ++i)
        if (got[i] != want[i]) {
            std::ostringstream m;  // one stream, so the hexadecimal format holds
            m << "pixel " << i % static_cast<std::size_t>(w) << ","
              << i / static_cast<std::size_t>(w) << ": 0x" << std::hex << got[i]
              << ", expected 0x" << want[i];
            return ::testing::AssertionFailure() << m.str();
        }
    return ::testing::AssertionSuccess();
}

std::vector<RECT> region_rects(HRGN h) {
    const DWORD need = GetRegionData(h, 0, nullptr);
    std::vector<std::uint8_t> buf(need);
    EXPECT_EQ(GetRegionData(h, need, reinterpret_cast<RGNDATA*>(buf.data())), need);
    RGNDATAHEADER hd;
    std::memcpy(&hd, buf.data(), sizeof hd);
    std::vector<RECT> r(hd.nCount);
    if (hd.nCount > 0)
        std::memcpy(r.data(), buf.data() + sizeof hd, sizeof(RECT) * hd.nCount);
    return r;
}

// A 32-bit DIB section of w x h pixels; colour(x, y) (0x00RRGGBB, y = 0 at
// the top) fills it.  top_down picks the row order of its memory.
HBITMAP dib32(std::int32_t w, std::int32_t h, bool top_down,
              const std::function<std::uint32_t(int, int)>& colour) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = top_down ? -h : h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP b = CreateDIBSection(0, &bi, DIB_RGB_COLORS, &bits, 0, 0);
    if (b == 0 || bits == nullptr) return 0;
    auto* px = static_cast<std::uint32_t*>(bits);
    for (int y = 0; y < h; ++y) {
        const int stored = top_down ? y : h - 1 - y;
        for (int x = 0; x < w; ++x)
            px[static_cast<std::size_t>(stored) * static_cast<std::size_t>(w) +
               static_cast<std::size_t>(x)] = colour(x, y);
    }
    return b;
}

class X11Shape : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string display;
        server_ = testx::start_private_server(display, "640x480x24");
        if (server_ == 0) return;
        setenv("DISPLAY", display.c_str(), 1);
        selected_ = select_backend("x11");
        probe_ = XOpenDisplay(nullptr);
        WNDCLASSA wc{};
        wc.lpfnWndProc = paint_proc;
        wc.lpszClassName = "KvxShapeTest";
        WNDCLASSEXA bc{};
        bc.cbSize = sizeof bc;
        bc.lpfnWndProc = kvx::HOVERBUTTONHANDLER;
        bc.lpszClassName = kvx::SZHOVERCLASS;
        registered_ = RegisterClassA(&wc) != 0 && RegisterClassExA(&bc) != 0;
    }
    static void TearDownTestSuite() {
        if (probe_ != nullptr) XCloseDisplay(probe_);
        probe_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(server_, 0) << "no private X server (Xvfb) started";
        ASSERT_TRUE(selected_) << "the x11 backend did not start";
        ASSERT_NE(probe_, nullptr);
        ASSERT_TRUE(registered_);
        g_painter = nullptr;
        g_paints = 0;
    }
    void TearDown() override {
        g_painter = nullptr;
        for (HWND w : made_)
            if (IsWindow(w) != 0) DestroyWindow(w);
        pump_once();
    }

    HWND make(const std::string& title, DWORD style, std::int32_t x, std::int32_t y,
              std::int32_t w, std::int32_t h) {
        const HWND hwnd = CreateWindowExA(0, "KvxShapeTest", title.c_str(), style, x, y, w, h,
                                          0, 0, 0, nullptr);
        if (hwnd != 0) made_.push_back(hwnd);
        return hwnd;
    }

    static std::string title(const char* what) {
        return std::string("kvx-shape-") + what + "-" + std::to_string(getpid());
    }

    // The top-level X window whose name is t, as the probe sees it (0: none).
    ::Window find_by_name(const std::string& t) {
        ::Window root = DefaultRootWindow(probe_), r = 0, p = 0, *kids = nullptr;
        unsigned n = 0;
        ::Window found = 0;
        XSync(probe_, False);
        if (XQueryTree(probe_, root, &r, &p, &kids, &n) == 0) return 0;
        for (unsigned i = 0; i < n && found == 0; ++i) {
            char* name = nullptr;
            if (XFetchName(probe_, kids[i], &name) != 0 && name != nullptr) {
                if (t == name) found = kids[i];
                XFree(name);
            }
        }
        if (kids != nullptr) XFree(kids);
        return found;
    }

    // Dispatches what is pending for the program's windows.
    static void pump_once() {
        MSG m{};
        while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE) != 0) DispatchMessageA(&m);
    }

    // Pumps messages until done() holds or two seconds pass; done()'s last answer.
    static bool pump_until(const std::function<bool()>& done) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        for (;;) {
            pump_once();
            if (done()) return true;
            if (std::chrono::steady_clock::now() >= until) return false;
            backend().wait_events(20);
        }
    }

    // A round trip on the layer's own connection, then on the probe's: the
    // server has done everything the layer asked for so far.
    void sync() {
        POINT p{};
        GetCursorPos(&p);
        XSync(probe_, False);
    }

    // The window's bounding shape in window coordinates (the X window's
    // origin lies inside its border).
    Coverage shape_of(::Window xw, std::int32_t w, std::int32_t h, std::int32_t border) {
        Coverage c(w, h);
        int count = 0, ordering = 0;
        XRectangle* got = XShapeGetRectangles(probe_, xw, ShapeBounding, &count, &ordering);
        for (int i = 0; i < count; ++i)
            c.add(got[i].x + border, got[i].y + border, got[i].x + border + got[i].width,
                  got[i].y + border + got[i].height);
        if (got != nullptr) XFree(got);
        return c;
    }

    bool bounding_shaped(::Window xw) {
        Bool bounding = False, clip = False;
        int bx = 0, by = 0, cx = 0, cy = 0;
        unsigned bw = 0, bh = 0, cw = 0, ch = 0;
        EXPECT_NE(XShapeQueryExtents(probe_, xw, &bounding, &bx, &by, &bw, &bh, &clip, &cx, &cy,
                                     &cw, &ch),
                  0);
        return bounding != False;
    }

    // The window's client pixels as 0x00RRGGBB, top row first.
    std::vector<std::uint32_t> pixels_of(::Window xw, std::int32_t w, std::int32_t h) {
        std::vector<std::uint32_t> out;
        XSync(probe_, False);
        XImage* img = XGetImage(probe_, xw, 0, 0, static_cast<unsigned>(w),
                                static_cast<unsigned>(h), AllPlanes, ZPixmap);
        if (img == nullptr) return out;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                out.push_back(static_cast<std::uint32_t>(XGetPixel(img, x, y)) & 0xFFFFFFu);
        XDestroyImage(img);
        return out;
    }

    static pid_t server_;
    static bool selected_;
    static bool registered_;
    static Display* probe_;
    std::vector<HWND> made_;
};

pid_t X11Shape::server_ = 0;
bool X11Shape::selected_ = false;
bool X11Shape::registered_ = false;
Display* X11Shape::probe_ = nullptr;

// ------------------------------------------------------------------ shapes

TEST_F(X11Shape, CombinedRegionBecomesTheBoundingShapeInWindowCoordinates) {
    struct Case {
        const char* name;
        DWORD style;
        std::int32_t border;  // the X border a thin-bordered pop-up gets
    };
    const Case cases[] = {{"popup", WS_POPUP | WS_VISIBLE, 0},
                          {"bordered", WS_POPUP | WS_BORDER | WS_VISIBLE, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        constexpr std::int32_t W = 120, H = 80;
        const std::string t = title(c.name);
        const HWND w = make(t, c.style, 30, 40, W, H);
        ASSERT_NE(w, 0u);
        const ::Window xw = find_by_name(t);
        ASSERT_NE(xw, 0u);
        EXPECT_FALSE(bounding_shaped(xw)) << "a new window has no shape";

        const auto base = seams::live_counts().regions;
        // An L of two overlapping rectangles with a notch cut out: three bands,
        // two spans in the middle one.
        const HRGN shape = CreateRectRgn(0, 0, 60, 20);
        const HRGN leg = CreateRectRgn(20, 10, 100, 70);
        const HRGN notch = CreateRectRgn(40, 30, 50, 40);
        ASSERT_EQ(CombineRgn(shape, shape, leg, RGN_OR), COMPLEXREGION);
        ASSERT_EQ(CombineRgn(shape, shape, notch, RGN_DIFF), COMPLEXREGION);
        EXPECT_TRUE(DeleteObject(leg));
        EXPECT_TRUE(DeleteObject(notch));
        const std::vector<RECT> rects = region_rects(shape);
        ASSERT_GE(rects.size(), 4u);
        Coverage want(W, H);
        for (const RECT& r : rects) want.add(r.left, r.top, r.right, r.bottom);

        EXPECT_EQ(SetWindowRgn(w, shape, TRUE_), 1);
        sync();
        EXPECT_TRUE(bounding_shaped(xw));
        EXPECT_TRUE(same_coverage(shape_of(xw, W, H, c.border), want));
        EXPECT_TRUE(want.at(0, 0) && !want.at(45, 35) && want.at(99, 69) && !want.at(100, 0));

        // The window system owns it now: the program can neither delete nor
        // change it, but may still read it.
        EXPECT_FALSE(DeleteObject(shape));
        EXPECT_EQ(CombineRgn(shape, shape, shape, RGN_COPY), ERROR_);
        EXPECT_TRUE(PtInRegion(shape, 1, 1));
        EXPECT_EQ(seams::live_counts().regions, base + 1);

        // Removing the shape removes it on the server and releases the region.
        EXPECT_EQ(SetWindowRgn(w, 0, TRUE_), 1);
        sync();
        EXPECT_FALSE(bounding_shaped(xw));
        EXPECT_EQ(seams::live_counts().regions, base);
        EXPECT_FALSE(PtInRegion(shape, 1, 1)) << "the region is gone";

        // A shape set again goes with the window.
        EXPECT_EQ(SetWindowRgn(w, CreateRectRgn(5, 5, 30, 30), FALSE_), 1);
        sync();
        Coverage square(W, H);
        square.add(5, 5, 30, 30);
        EXPECT_TRUE(same_coverage(shape_of(xw, W, H, c.border), square));
        EXPECT_EQ(seams::live_counts().regions, base + 1);
        EXPECT_TRUE(DestroyWindow(w));
        sync();
        EXPECT_EQ(seams::live_counts().regions, base);
        EXPECT_EQ(find_by_name(t), 0u) << "the X window is gone";
    }
}

TEST_F(X11Shape, BitmapRegionShapesTheWindowByItsOpaquePixels) {
    // A 24-bit picture on a magenta background: a ring with a hole, a lone
    // pixel, and a bar in near-magenta inside the tolerance (transparent).
    constexpr int PW = 16, PH = 12;
    auto colour = [](int x, int y) -> std::uint32_t {
        const int dx = x - 6, dy = y - 5;
        const int d2 = dx * dx + dy * dy;
        if (d2 >= 4 && d2 <= 20) return 0x3080C0u + static_cast<std::uint32_t>(x);
        if (x == 14 && y == 10) return 0x000000u;
        if (y == 11 && x < 8) return 0xFA04FCu;  // near magenta
        return 0xFF00FFu;
    };
    const fixtures::Bmp bmp = fixtures::bmp24(PW, PH, colour);
    const std::string dir = fixtures::make_temp_dir("kvx_shape");
    const std::string path = dir + "/ring.bmp";
    ASSERT_TRUE(fixtures::write_file(path, fixtures::bmp_file(bmp)));

    const auto base = seams::live_counts().regions;
    const HRGN rgn = kvx::BITMAPTOREGION(path, RGB(250, 0, 250), 8);
    fixtures::remove_tree(dir);
    ASSERT_NE(rgn, 0u);
    EXPECT_EQ(seams::live_counts().regions, base + 1);

    const std::string t = title("bitmap");
    const HWND w = make(t, WS_POPUP | WS_VISIBLE, 200, 150, PW, PH);
    ASSERT_NE(w, 0u);
    const ::Window xw = find_by_name(t);
    ASSERT_NE(xw, 0u);
    EXPECT_EQ(SetWindowRgn(w, rgn, TRUE_), 1);
    sync();

    // The window shows exactly the picture's opaque pixels: those outside
    // red 250-255, green 0-8, blue 250-255.
    auto see_through = [](std::uint32_t c) {
        const std::uint32_t r = c >> 16 & 0xFF, g = c >> 8 & 0xFF, b = c & 0xFF;
        return r >= 250 && g <= 8 && b >= 250;
    };
    Coverage want(PW, PH);
    int opaque = 0;
    for (int y = 0; y < PH; ++y)
        for (int x = 0; x < PW; ++x)
            if (!see_through(colour(x, y))) {
                want.add(x, y, x + 1, y + 1);
                ++opaque;
            }
    ASSERT_GT(opaque, 10);
    EXPECT_TRUE(same_coverage(shape_of(xw, PW, PH, 0), want));
    EXPECT_FALSE(DeleteObject(rgn));

    EXPECT_TRUE(DestroyWindow(w));
    EXPECT_EQ(seams::live_counts().regions, base);
}

// ------------------------------------------------------------------ drawing

// Source pictures: every pixel a different colour, every channel varying.
std::uint32_t colour_a(int x, int y) {
    return (static_cast<std::uint32_t>(0x10 + 0x20 * x) << 16) |
           (static_cast<std::uint32_t>(0x30 + 0x28 * y) << 8) | 0x5Au;
}
std::uint32_t colour_b(int x, int y) {
    return 0xC00000u | (static_cast<std::uint32_t>(0x11 * (x + 1)) << 8) |
           static_cast<std::uint32_t>(0x40 + 0x30 * y);
}

TEST_F(X11Shape, BlitsFromMemoryContextsLandWhereTheyWereAimed) {
    constexpr std::int32_t W = 100, H = 60;
    constexpr int AW = 6, AH = 4, BW = 5, BH = 3;
    const auto counts = seams::live_counts();
    const HBITMAP a = dib32(AW, AH, false, colour_a);  // bottom-up rows
    const HBITMAP b = dib32(BW, BH, true, colour_b);   // top-down rows
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    const HDC mem_a = CreateCompatibleDC(0);
    const HDC mem_b = CreateCompatibleDC(0);
    ASSERT_NE(SelectObject(mem_a, a), 0u);
    ASSERT_NE(SelectObject(mem_b, b), 0u);

    // What the window should show: black (the top-level background) with
    // each blit's source pixels that exist copied in.
    std::vector<std::uint32_t> want(static_cast<std::size_t>(W * H), 0u);
    auto model = [&](int x, int y, int cx, int cy, int sw, int sh, int x1, int y1,
                     std::uint32_t (*src)(int, int)) {
        for (int j = 0; j < cy; ++j)
            for (int i = 0; i < cx; ++i) {
                const int sx = x1 + i, sy = y1 + j;
                if (sx < 0 || sy < 0 || sx >= sw || sy >= sh) continue;
                want[static_cast<std::size_t>((y + j) * W + x + i)] = src(sx, sy);
            }
    };
    g_painter = [&](HDC dc) {
        EXPECT_TRUE(BitBlt(dc, 10, 8, AW, AH, mem_a, 0, 0, SRCCOPY));
        EXPECT_TRUE(BitBlt(dc, 40, 30, BW, BH, mem_b, 0, 0, SRCCOPY));
        // Past the source's right and bottom edges: only what exists.
        EXPECT_TRUE(BitBlt(dc, 70, 5, 4, 4, mem_a, 4, 2, SRCCOPY));
        // From before the source's left and top edges.
        EXPECT_TRUE(BitBlt(dc, 80, 40, 3, 3, mem_b, -1, -1, SRCCOPY));
    };
    model(10, 8, AW, AH, AW, AH, 0, 0, colour_a);
    model(40, 30, BW, BH, BW, BH, 0, 0, colour_b);
    model(70, 5, 4, 4, AW, AH, 4, 2, colour_a);
    model(80, 40, 3, 3, BW, BH, -1, -1, colour_b);

    const std::string t = title("blit");
    const HWND w = make(t, WS_POPUP | WS_VISIBLE, 100, 120, W, H);
    ASSERT_NE(w, 0u);
    const ::Window xw = find_by_name(t);
    ASSERT_NE(xw, 0u);
    // The window paints when the server exposes it.
    std::vector<std::uint32_t> got;
    pump_until([&] {
        got = pixels_of(xw, W, H);
        return g_paints > 0 && got == want;
    });
    ASSERT_GT(g_paints, 0) << "no WM_PAINT";
    EXPECT_TRUE(same_pixels(got, want, W));

    // Through a window context, outside any WM_PAINT: the blit reaches the
    // server with no message pumped, no other call of the layer and the
    // context still held (only the probe polls, so a blit left in the
    // layer's output buffer would never show).
    g_painter = nullptr;
    const HDC dc = GetDC(w);
    ASSERT_NE(dc, 0u);
    EXPECT_TRUE(BitBlt(dc, 0, 50, AW, AH, mem_a, 0, 0, SRCCOPY));
    model(0, 50, AW, AH, AW, AH, 0, 0, colour_a);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    do {
        got = pixels_of(xw, W, H);
        if (got == want) break;
        usleep(20000);
    } while (std::chrono::steady_clock::now() < until);
    EXPECT_TRUE(same_pixels(got, want, W));
    EXPECT_EQ(ReleaseDC(w, dc), 1);

    EXPECT_TRUE(DestroyWindow(w));
    EXPECT_TRUE(DeleteDC(mem_a));
    EXPECT_TRUE(DeleteDC(mem_b));
    EXPECT_TRUE(DeleteObject(a));
    EXPECT_TRUE(DeleteObject(b));
    const auto after = seams::live_counts();
    EXPECT_EQ(after.dcs, counts.dcs);
    EXPECT_EQ(after.bitmaps, counts.bitmaps);
}

// ------------------------------------------------------------------ image buttons

// A hover button on the server: its X window is a child of the parent's at
// the created position, shaped by the normal picture's opaque pixels, and
// shows the picture of its state as queued mouse input moves it along.
TEST_F(X11Shape, HoverButtonShowsThePictureOfItsStateInItsShape) {
    constexpr int PW = 14, PH = 10;
    auto opaque = [](int x, int y) {
        const int dx = x - 7, dy = y - 5;
        return dx * dx * 4 + dy * dy * 9 <= 200;  // an ellipse
    };
    const std::uint32_t normal = 0x3060A0u, hover = 0x40D060u, pressed = 0xD03040u;
    const std::string dir = fixtures::make_temp_dir("kvx_button");
    auto write = [&](const char* name, std::function<std::uint32_t(int, int)> colour) {
        ASSERT_TRUE(fixtures::write_file(dir + "/b" + name, fixtures::bmp_file(fixtures::bmp24(PW, PH, colour))));
    };
    write("N.BMP", [&](int x, int y) { return opaque(x, y) ? normal : 0xFF00FFu; });
    write("H.BMP", [&](int, int) { return hover; });
    write("P.BMP", [&](int, int) { return pressed; });
    kvx::BMPTYPE = dir + "/b";

    const std::string t = title("button");
    const HWND parent = make(t, WS_POPUP | WS_VISIBLE, 60, 40, 120, 90);
    ASSERT_NE(parent, 0u);
    const HWND button = CreateWindowExA(0, kvx::SZHOVERCLASS, "", WS_CHILD | WS_VISIBLE, 30, 20,
                                        0, 0, parent, 7, 0, nullptr);
    kvx::BMPTYPE.clear();
    fixtures::remove_tree(dir);
    ASSERT_NE(button, 0u);
    const ::Window xp = find_by_name(t);
    ASSERT_NE(xp, 0u);

    // The button's X window: the parent's child at (30, 20), the picture's size.
    ::Window xb = 0, r = 0, pp = 0, *kids = nullptr;
    unsigned n = 0;
    XSync(probe_, False);
    ASSERT_NE(XQueryTree(probe_, xp, &r, &pp, &kids, &n), 0);
    for (unsigned i = 0; i < n; ++i) {
        XWindowAttributes a{};
        if (XGetWindowAttributes(probe_, kids[i], &a) != 0 && a.x == 30 && a.y == 20 &&
            a.width == PW && a.height == PH)
            xb = kids[i];
    }
    if (kids != nullptr) XFree(kids);
    ASSERT_NE(xb, 0u) << "no child window of the picture's size at the created position";

    Coverage want(PW, PH);
    for (int y = 0; y < PH; ++y)
        for (int x = 0; x < PW; ++x)
            if (opaque(x, y)) want.add(x, y, x + 1, y + 1);
    EXPECT_TRUE(same_coverage(shape_of(xb, PW, PH, 0), want));

    // Every opaque pixel shows `colour` (transparent ones are not the button's).
    auto shows = [&](std::uint32_t colour) {
        return pump_until([&] {
            const std::vector<std::uint32_t> px = pixels_of(xb, PW, PH);
            if (px.size() != static_cast<std::size_t>(PW * PH)) return false;
            for (int y = 0; y < PH; ++y)
                for (int x = 0; x < PW; ++x)
                    if (opaque(x, y) && px[static_cast<std::size_t>(y * PW + x)] != colour)
                        return false;
            return true;
        });
    };
    auto input = [&](UINT msg, int x, int y, WPARAM keys) {
        MSG m{};
        m.hwnd = button;
        m.message = msg;
        m.wParam = keys;
        m.lParam = MAKELPARAM(x, y);
        seams::inject_input(m);
    };
    EXPECT_TRUE(shows(normal));
    input(WM_MOUSEMOVE, 7, 5, 0);
    EXPECT_TRUE(shows(hover));
    EXPECT_EQ(GetCapture(), button);
    input(WM_LBUTTONDOWN, 7, 5, MK_LBUTTON);
    EXPECT_TRUE(shows(pressed));
    input(WM_LBUTTONUP, 7, 5, 0);
    EXPECT_TRUE(shows(normal));
    EXPECT_EQ(GetCapture(), 0u);

    const auto counts = seams::live_counts();
    EXPECT_TRUE(DestroyWindow(parent));
    EXPECT_EQ(IsWindow(button), 0);
    const auto after = seams::live_counts();
    EXPECT_EQ(after.dcs, counts.dcs - 3);
    EXPECT_EQ(after.bitmaps, counts.bitmaps - 3);
    EXPECT_EQ(after.regions, counts.regions - 2);
}

}  // namespace
