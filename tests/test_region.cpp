// Regions: the band algebra against a brute-force pixel-set model, the
// region operations of the window-system layer, window shapes, and movable
// global memory.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/backend.h"
#include "platform/gdi_region.h"
#include "platform/seams.h"
#include "platform/win.h"

using namespace plat;

namespace {

// ------------------------------------------------------------------ pixel model
constexpr int kLo = -3, kHi = 21;  // the model's square [kLo, kHi)^2
constexpr int kSide = kHi - kLo;

struct Pixels {
    std::vector<bool> on = std::vector<bool>(kSide * kSide, false);
    bool at(int x, int y) const { return on[(y - kLo) * kSide + (x - kLo)]; }
    void set(int x, int y, bool v) { on[(y - kLo) * kSide + (x - kLo)] = v; }
    bool operator==(const Pixels&) const = default;
};

Pixels paint(const std::vector<RECT>& rects) {
    Pixels p;
    for (const RECT& r : rects)
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) p.set(x, y, true);
    return p;
}

Pixels combine(const Pixels& a, const Pixels& b, int mode) {
    Pixels o;
    for (std::size_t i = 0; i < o.on.size(); ++i) {
        const bool x = a.on[i], y = b.on[i];
        o.on[i] = mode == RGN_AND ? (x && y) : mode == RGN_OR ? (x || y) : mode == RGN_XOR ? (x != y)
                                                               : mode == RGN_DIFF ? (x && !y) : x;
    }
    return o;
}

// The model's pixels as one-pixel-high runs in band order.
std::vector<RECT> runs(const Pixels& p) {
    std::vector<RECT> out;
    for (int y = kLo; y < kHi; ++y)
        for (int x = kLo; x < kHi;) {
            if (!p.at(x, y)) {
                ++x;
                continue;
            }
            const int x0 = x;
            while (x < kHi && p.at(x, y)) ++x;
            out.push_back(RECT{x0, y, x, y + 1});
        }
    return out;
}

std::vector<RECT> random_rects(std::mt19937& rng, int n) {
    std::uniform_int_distribution<int> c(kLo, kHi);
    std::vector<RECT> v;
    for (int i = 0; i < n; ++i) v.push_back(RECT{c(rng), c(rng), c(rng), c(rng)});  // some empty or inverted
    return v;
}

bool same_rects(const std::vector<RECT>& a, const std::vector<RECT>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(RECT)) == 0);
}

}  // namespace

// Every operation keeps the normal form, covers exactly the model's pixels,
// and (the form being unique) equals the region built from the model's runs.
TEST(RegionAlgebra, MatchesPixelModel) {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> count(0, 9);
    for (int trial = 0; trial < 600; ++trial) {
        const auto ra = random_rects(rng, count(rng)), rb = random_rects(rng, count(rng));
        const rgn::Rects a = rgn::from_rects(ra.data(), ra.size());
        const rgn::Rects b = rgn::from_rects(rb.data(), rb.size());
        ASSERT_TRUE(rgn::is_normal(a));
        ASSERT_EQ(paint(a), paint(ra));
        for (int mode : {RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF}) {
            rgn::Rects r = a;
            rgn::combine_into(r, b, mode);
            SCOPED_TRACE(testing::Message() << "trial " << trial << " mode " << mode);
            ASSERT_TRUE(rgn::is_normal(r));
            const Pixels want = combine(paint(ra), paint(rb), mode);
            ASSERT_EQ(paint(r), want);
            const auto rr = runs(want);
            ASSERT_TRUE(same_rects(r, rgn::from_rects(rr.data(), rr.size())));
            for (int y = kLo; y < kHi; ++y)
                for (int x = kLo; x < kHi; ++x) ASSERT_EQ(rgn::contains(r, x, y), want.at(x, y));
        }
    }
}

// Adding batches of rows that lie below (or start inside the last row of)
// the region gives what one batch of all rows gives.
TEST(RegionAlgebra, BatchesOfRowsEqualOneBatch) {
    std::mt19937 rng(7);
    std::vector<RECT> rows;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 60; x += 2 + static_cast<int>(rng() % 3))
            rows.push_back(RECT{x, y, x + 1 + static_cast<int>(rng() % 2), y + 1});
    const rgn::Rects whole = rgn::from_rects(rows.data(), rows.size());
    for (std::size_t batch : {1u, 7u, 100u, 2000u}) {
        rgn::Rects acc;
        for (std::size_t i = 0; i < rows.size(); i += batch) {
            const std::size_t n = std::min(batch, rows.size() - i);
            rgn::combine_into(acc, rgn::from_rects(&rows[i], n), RGN_OR);
        }
        EXPECT_TRUE(same_rects(acc, whole)) << "batch " << batch;
    }
    // Rows split between batches at every point: pieces that touch across the
    // split join, and a row completed to equal the one above coalesces with it.
    std::vector<RECT> cells;
    for (int y = 0; y < 4; ++y)
        for (int x : {0, 1, 2, 5, 6, 9}) cells.push_back(RECT{x, y, x + 1, y + 1});
    const std::vector<RECT> three{{0, 0, 3, 4}, {5, 0, 7, 4}, {9, 0, 10, 4}};
    for (std::size_t batch = 1; batch <= cells.size(); ++batch) {
        rgn::Rects acc;
        for (std::size_t i = 0; i < cells.size(); i += batch)
            rgn::combine_into(acc, rgn::from_rects(&cells[i], std::min(batch, cells.size() - i)), RGN_OR);
        EXPECT_TRUE(rgn::is_normal(acc)) << "batch " << batch;
        EXPECT_TRUE(same_rects(acc, three)) << "batch " << batch;
    }
    // Identical rows one below the other coalesce into one rectangle.
    std::vector<RECT> solid;
    for (int y = 0; y < 50; ++y) solid.push_back(RECT{2, y, 9, y + 1});
    const rgn::Rects s = rgn::from_rects(solid.data(), solid.size());
    ASSERT_EQ(s.size(), 1u);
    EXPECT_TRUE(same_rects(s, {RECT{2, 0, 9, 50}}));
}

// ------------------------------------------------------------------ region API

namespace {

std::vector<std::uint8_t> rgn_data(std::uint32_t count, std::uint32_t dw_size = 32,
                                   std::uint32_t type = RDH_RECTANGLES, const std::vector<RECT>& rects = {}) {
    std::vector<std::uint8_t> buf(32 + 16 * rects.size());
    RGNDATAHEADER h{dw_size, type, count, 0, RECT{0, 0, 0, 0}};
    std::memcpy(buf.data(), &h, sizeof h);
    if (!rects.empty()) std::memcpy(buf.data() + 32, rects.data(), 16 * rects.size());
    return buf;
}

std::vector<RECT> region_rects(HRGN h, RECT* bound = nullptr) {
    const DWORD need = GetRegionData(h, 0, nullptr);
    EXPECT_GE(need, 32u);
    std::vector<std::uint8_t> buf(need);
    EXPECT_EQ(GetRegionData(h, need, reinterpret_cast<RGNDATA*>(buf.data())), need);
    RGNDATAHEADER hd;
    std::memcpy(&hd, buf.data(), sizeof hd);
    EXPECT_EQ(hd.dwSize, 32u);
    EXPECT_EQ(hd.iType, RDH_RECTANGLES);
    EXPECT_EQ(hd.nRgnSize, hd.nCount * 16);
    if (bound != nullptr) *bound = hd.rcBound;
    std::vector<RECT> r(hd.nCount);
    if (hd.nCount > 0) std::memcpy(r.data(), buf.data() + 32, 16 * hd.nCount);
    return r;
}

}  // namespace

TEST(RegionApi, ExtCreateRegionValidatesTheDescription) {
    const std::vector<RECT> two{{0, 0, 4, 2}, {6, 0, 8, 2}};
    struct Case {
        const char* what;
        std::vector<std::uint8_t> data;
        DWORD bytes;
        bool ok;
    };
    const auto good = rgn_data(2, 32, RDH_RECTANGLES, two);
    const Case cases[] = {
        {"count fits", good, 64, true},
        {"size larger than needed", good, 64, true},
        {"count larger than the size holds", rgn_data(3, 32, RDH_RECTANGLES, two), 64, false},
        {"huge count", rgn_data(0x10000001u, 32, RDH_RECTANGLES, two), 64, false},
        {"size smaller than the header", good, 31, false},
        {"header size wrong", rgn_data(2, 40, RDH_RECTANGLES, two), 64, false},
        {"type wrong", rgn_data(2, 32, 2, two), 64, false},
        {"no rectangles", rgn_data(0), 32, true},
    };
    for (const Case& c : cases) {
        const HRGN h = ExtCreateRegion(nullptr, c.bytes, reinterpret_cast<const RGNDATA*>(c.data.data()));
        EXPECT_EQ(h != 0, c.ok) << c.what;
        if (h != 0) DeleteObject(h);
    }
    EXPECT_EQ(ExtCreateRegion(nullptr, 64, nullptr), 0u);
    const float xform[6] = {1, 0, 0, 1, 0, 0};
    EXPECT_EQ(ExtCreateRegion(xform, 64, reinterpret_cast<const RGNDATA*>(good.data())), 0u);

    // Overlapping, unordered and empty rectangles are merged into the normal form.
    const auto messy = rgn_data(4, 32, RDH_RECTANGLES,
                                {{5, 5, 10, 10}, {0, 0, 6, 6}, {3, 3, 3, 9}, {10, 5, 12, 10}});
    const HRGN h = ExtCreateRegion(nullptr, static_cast<DWORD>(messy.size()),
                                   reinterpret_cast<const RGNDATA*>(messy.data()));
    ASSERT_NE(h, 0u);
    RECT bound;
    const auto r = region_rects(h, &bound);
    EXPECT_TRUE(same_rects(r, {{0, 0, 6, 5}, {0, 5, 12, 6}, {5, 6, 12, 10}}));
    EXPECT_EQ(bound.left, 0);
    EXPECT_EQ(bound.top, 0);
    EXPECT_EQ(bound.right, 12);
    EXPECT_EQ(bound.bottom, 10);
    DeleteObject(h);
}

TEST(RegionApi, RectRegionsCombineAndHitTest) {
    const auto before = seams::live_counts().regions;
    const HRGN a = CreateRectRgn(10, 10, 0, 0);  // corners swapped: normalised
    const HRGN b = CreateRectRgn(5, 5, 15, 15);
    const HRGN d = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    ASSERT_NE(d, 0u);
    EXPECT_EQ(seams::live_counts().regions, before + 3);
    EXPECT_EQ(CombineRgn(d, a, b, RGN_AND), SIMPLEREGION);
    EXPECT_TRUE(same_rects(region_rects(d), {{5, 5, 10, 10}}));
    EXPECT_EQ(CombineRgn(a, a, b, RGN_OR), COMPLEXREGION);  // destination is a source
    EXPECT_EQ(CombineRgn(d, a, a, RGN_DIFF), NULLREGION);
    EXPECT_EQ(CombineRgn(d, b, 0, RGN_COPY), SIMPLEREGION);
    EXPECT_EQ(CombineRgn(d, a, 0, RGN_OR), ERROR_);
    EXPECT_EQ(CombineRgn(d, a, b, 9), ERROR_);
    // Right and bottom edges are outside.
    EXPECT_TRUE(PtInRegion(b, 5, 5));
    EXPECT_TRUE(PtInRegion(b, 14, 14));
    EXPECT_FALSE(PtInRegion(b, 15, 10));
    EXPECT_FALSE(PtInRegion(b, 10, 15));
    EXPECT_FALSE(PtInRegion(0, 0, 0));
    // GetRegionData: too small a buffer gives 0.
    std::vector<std::uint8_t> small(40);
    EXPECT_EQ(GetRegionData(a, 40, reinterpret_cast<RGNDATA*>(small.data())), 0u);
    for (HRGN h : {a, b, d}) EXPECT_TRUE(DeleteObject(h));
    EXPECT_EQ(seams::live_counts().regions, before);
}

// ------------------------------------------------------------------ window shapes

namespace {
HWND make_window() {
    static bool registered = false;
    select_backend("null");  // no native windows, whatever the environment
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "KvxRegionTest";
        registered = RegisterClassA(&wc) != 0;
    }
    return CreateWindowExA(0, "KvxRegionTest", "shape", WS_POPUP, 0, 0, 40, 30, 0, 0, 0, nullptr);
}
}  // namespace

TEST(WindowShape, TheWindowSystemOwnsAndReleasesTheRegion) {
    const HWND w = make_window();
    ASSERT_NE(w, 0u);
    const auto base = seams::live_counts().regions;
    const HRGN r1 = CreateRectRgn(0, 0, 10, 10);
    EXPECT_EQ(SetWindowRgn(w, r1, FALSE_), 1);
    EXPECT_FALSE(DeleteObject(r1));  // belongs to the window system now
    EXPECT_TRUE(PtInRegion(r1, 3, 3));
    EXPECT_EQ(seams::live_counts().regions, base + 1);
    // Replacing the shape deletes the old region.
    const HRGN r2 = CreateRectRgn(0, 0, 20, 20);
    EXPECT_EQ(SetWindowRgn(w, r2, TRUE_), 1);
    EXPECT_EQ(seams::live_counts().regions, base + 1);
    EXPECT_EQ(window_region(w), r2);
    // Removing it deletes it too.
    EXPECT_EQ(SetWindowRgn(w, 0, FALSE_), 1);
    EXPECT_EQ(seams::live_counts().regions, base);
    // Destroying the window deletes its region.
    EXPECT_EQ(SetWindowRgn(w, CreateRectRgn(0, 0, 5, 5), FALSE_), 1);
    EXPECT_EQ(seams::live_counts().regions, base + 1);
    DestroyWindow(w);
    EXPECT_EQ(seams::live_counts().regions, base);
    // No window: refused, the caller keeps the region.
    const HRGN r3 = CreateRectRgn(0, 0, 5, 5);
    EXPECT_EQ(SetWindowRgn(w, r3, FALSE_), 0);
    EXPECT_TRUE(DeleteObject(r3));
}

// ------------------------------------------------------------------ global memory

TEST(GlobalMemory, MovableBlocksKeepTheirContents) {
    const auto base = seams::live_counts().globals;
    const HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 32);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(seams::live_counts().globals, base + 1);
    EXPECT_EQ(GlobalSize(h), 32u);
    auto* p = static_cast<std::uint8_t*>(GlobalLock(h));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(p[i], 0) << "zero-filled";
    for (int i = 0; i < 32; ++i) p[i] = static_cast<std::uint8_t>(i + 1);
    // Locked and not allowed to move: cannot grow.
    EXPECT_EQ(GlobalReAlloc(h, 1 << 20, 0), 0u);
    EXPECT_EQ(GlobalUnlock(h), 0);  // lock count back to zero
    EXPECT_EQ(GlobalUnlock(h), 0);  // not locked: nothing to undo
    EXPECT_EQ(GlobalReAlloc(h, 1 << 20, GMEM_MOVEABLE), h);
    EXPECT_EQ(GlobalSize(h), 1u << 20);
    p = static_cast<std::uint8_t*>(GlobalLock(h));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 32; ++i) ASSERT_EQ(p[i], i + 1);
    EXPECT_EQ(p[(1 << 20) - 1], 0) << "grown part zero-filled";
    EXPECT_NE(GlobalLock(h), nullptr);
    EXPECT_EQ(GlobalUnlock(h), 1);  // still locked once
    EXPECT_EQ(GlobalUnlock(h), 0);
    EXPECT_EQ(GlobalFree(h), 0u);
    EXPECT_EQ(seams::live_counts().globals, base);
    // A freed or unknown handle is refused everywhere.
    EXPECT_EQ(GlobalFree(h), h);
    EXPECT_EQ(GlobalLock(h), nullptr);
    EXPECT_EQ(GlobalSize(h), 0u);
    EXPECT_EQ(GlobalReAlloc(h, 8, GMEM_MOVEABLE), 0u);
}
