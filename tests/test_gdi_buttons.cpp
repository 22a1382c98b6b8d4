// Palette bitmaps (LOADBMPFROMFILE) and bitmap-shaped regions
// (BITMAPTOREGION) on BMP files written by the fixture writers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Kalvox/KvxButtons.h"
#include "platform/backend.h"
#include "platform/gdi_palette.h"
#include "platform/seams.h"
#include "platform/win.h"
#include "tests/support/image_writers.h"

using namespace plat;
using namespace kvx;

namespace {

// A picture: colours 0x00RRGGBB, top row first.
struct Picture {
    std::int32_t w = 0, h = 0;
    std::vector<std::uint32_t> px;
    std::uint32_t at(int x, int y) const { return px[static_cast<std::size_t>(y) * w + x]; }
};

Picture make_picture(int w, int h, const std::function<std::uint32_t(int, int)>& f) {
    Picture p{w, h, {}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.px.push_back(f(x, y));
    return p;
}

// Writes `pic` as a BMP of `bits` per pixel (palette images get a table of
// the picture's colours, at most 2^bits of them).
fixtures::Bmp to_bmp(const Picture& pic, int bits, bool top_down = false) {
    fixtures::Bmp b;
    b.width = pic.w;
    b.height = pic.h;
    b.bits = static_cast<std::uint16_t>(bits);
    b.top_down = top_down;
    std::vector<std::uint32_t> table;
    if (bits <= 8) {
        for (std::uint32_t c : pic.px)
            if (std::find(table.begin(), table.end(), c) == table.end()) table.push_back(c);
        for (std::uint32_t c : table)
            b.palette.push_back(fixtures::Bgra{static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8),
                                               static_cast<std::uint8_t>(c >> 16), 0});
    }
    const std::size_t rb = fixtures::row_bytes(pic.w, bits);
    for (int k = 0; k < pic.h; ++k) {
        const int y = top_down ? k : pic.h - 1 - k;
        std::vector<std::uint8_t> row(rb, 0);
        for (int x = 0; x < pic.w; ++x) {
            const std::uint32_t c = pic.at(x, y);
            if (bits <= 8) {
                const auto idx = static_cast<std::uint32_t>(std::find(table.begin(), table.end(), c) - table.begin());
                const int bit = x * bits;
                row[bit / 8] |= static_cast<std::uint8_t>(idx << (8 - bits - bit % 8));
            } else if (bits == 16) {  // 5-5-5
                const std::uint32_t v = ((c >> 19 & 31) << 10) | ((c >> 11 & 31) << 5) | (c >> 3 & 31);
                row[x * 2] = static_cast<std::uint8_t>(v);
                row[x * 2 + 1] = static_cast<std::uint8_t>(v >> 8);
            } else {
                const int n = bits / 8;
                row[x * n] = static_cast<std::uint8_t>(c);
                row[x * n + 1] = static_cast<std::uint8_t>(c >> 8);
                row[x * n + 2] = static_cast<std::uint8_t>(c >> 16);
                if (n == 4) row[x * n + 3] = 0xFF;  // the top byte is ignored
            }
        }
        b.rows.insert(b.rows.end(), row.begin(), row.end());
    }
    return b;
}

class Files : public testing::Test {
protected:
    void SetUp() override {
        select_backend("null");
        dir_ = fixtures::make_temp_dir("kvx_gdi");
        counts_ = seams::live_counts();
    }
    void TearDown() override {
        seams::clear_failures();
        // Nothing a call made is left behind once its results are deleted.
        const seams::LiveCounts n = seams::live_counts();
        EXPECT_EQ(n.dcs, counts_.dcs);
        EXPECT_EQ(n.bitmaps, counts_.bitmaps);
        EXPECT_EQ(n.palettes, counts_.palettes);
        EXPECT_EQ(n.regions, counts_.regions);
        EXPECT_EQ(n.globals, counts_.globals);
        fixtures::remove_tree(dir_);
    }
    std::string write(const std::string& name, const fixtures::Bmp& b) {
        const std::string path = dir_ + "/" + name;
        EXPECT_TRUE(fixtures::write_file(path, fixtures::bmp_file(b)));
        return path;
    }
    std::string dir_;
    seams::LiveCounts counts_;
};

std::vector<PALETTEENTRY> entries(HPALETTE p) {
    std::vector<PALETTEENTRY> e(256);
    EXPECT_EQ(GetPaletteEntries(p, 0, 256, e.data()), 256u);
    return e;
}

std::vector<RECT> region_rects(HRGN h) {
    const DWORD need = GetRegionData(h, 0, nullptr);
    std::vector<std::uint8_t> buf(need);
    GetRegionData(h, need, reinterpret_cast<RGNDATA*>(buf.data()));
    RGNDATAHEADER hd;
    std::memcpy(&hd, buf.data(), sizeof hd);
    std::vector<RECT> r(hd.nCount);
    if (hd.nCount > 0) std::memcpy(r.data(), buf.data() + 32, 16 * hd.nCount);
    return r;
}

bool same(const std::vector<RECT>& a, const std::vector<RECT>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), 16 * a.size()) == 0);
}

// Whether a colour is inside the transparent range, as the region builder defines it.
bool transparent(std::uint32_t rgb, COLORREF trans, int tol) {
    const int c[3] = {static_cast<int>(rgb >> 16 & 0xFF), static_cast<int>(rgb >> 8 & 0xFF), static_cast<int>(rgb & 0xFF)};
    for (int i = 0; i < 3; ++i) {
        const int lo = static_cast<int>(trans >> (8 * i) & 0xFF);
        if (c[i] < lo || c[i] > std::min(lo + tol, 255)) return false;
    }
    return true;
}

// The region covers exactly the opaque pixels of the picture.
void expect_covers_opaque(HRGN h, const Picture& pic, COLORREF trans, int tol) {
    for (int y = -1; y <= pic.h; ++y)
        for (int x = -1; x <= pic.w; ++x) {
            const bool inside = x >= 0 && y >= 0 && x < pic.w && y < pic.h;
            const bool want = inside && !transparent(pic.at(x, y), trans, tol);
            ASSERT_EQ(PtInRegion(h, x, y) != 0, want) << "pixel " << x << "," << y;
        }
}

}  // namespace

// ------------------------------------------------------------------ LOADBMPFROMFILE

TEST_F(Files, PaletteFromTheColourTableThenZeros) {
    struct Case {
        int bits;
        int colours;
    };
    for (const Case c : {Case{8, 256}, Case{8, 16}, Case{4, 16}, Case{1, 2}}) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, " << c.colours << " colours");
        const Picture pic = make_picture(c.colours, 1, [](int x, int) {
            return static_cast<std::uint32_t>((x * 7 % 256) << 16 | (255 - x) << 8 | x);
        });
        const std::string path = write("pal.bmp", to_bmp(pic, c.bits));
        HPALETTE pal = 0;
        const HBITMAP bmp = LOADBMPFROMFILE(path, pal);
        ASSERT_NE(bmp, 0u);
        ASSERT_NE(pal, 0u);
        BITMAP bm{};
        GetObjectA(bmp, sizeof bm, &bm);
        EXPECT_EQ(bm.bmBitsPixel, c.bits);
        const auto e = entries(pal);
        for (int i = 0; i < 256; ++i) {
            const std::uint32_t want = i < c.colours ? pic.at(i, 0) : 0;
            EXPECT_EQ(e[i].peRed, want >> 16 & 0xFF) << i;
            EXPECT_EQ(e[i].peGreen, want >> 8 & 0xFF) << i;
            EXPECT_EQ(e[i].peBlue, want & 0xFF) << i;
            EXPECT_EQ(e[i].peFlags, 0) << i;
        }
        EXPECT_TRUE(DeleteObject(pal));
        EXPECT_TRUE(DeleteObject(bmp));
    }
}

TEST_F(Files, DeepPicturesGetTheHalftonePalette) {
    PALETTEENTRY half[256];
    halftone_entries(half);
    for (int bits : {16, 24, 32}) {
        const std::string path = write("deep.bmp", to_bmp(make_picture(3, 2, [](int, int) { return 0x102030u; }), bits));
        HPALETTE pal = 0;
        const HBITMAP bmp = LOADBMPFROMFILE(path, pal);
        ASSERT_NE(bmp, 0u) << bits;
        EXPECT_EQ(std::memcmp(entries(pal).data(), half, sizeof half), 0) << bits;
        DeleteObject(pal);
        DeleteObject(bmp);
    }
}

TEST_F(Files, AFileThatDoesNotLoadLeavesThePaletteAlone) {
    fixtures::Bmp rle = to_bmp(make_picture(2, 2, [](int, int) { return 0u; }), 8);
    rle.compression = 1;
    const std::string paths[] = {dir_ + "/missing.bmp", dir_, write("rle.bmp", rle)};
    for (const std::string& p : paths) {
        HPALETTE pal = 12345;
        EXPECT_EQ(LOADBMPFROMFILE(p, pal), 0u) << p;
        EXPECT_EQ(pal, 12345u) << p;
        EXPECT_EQ(BITMAPTOREGION(p, 0xFF00FF, 1), 0u) << p;
    }
}

// ------------------------------------------------------------------ BITMAPTOREGION

TEST_F(Files, TransparentRangeTable) {
    struct Case {
        const char* what;
        COLORREF trans;
        std::uint8_t tol;
        std::vector<std::uint32_t> colours;  // 0x00RRGGBB
    };
    const Case cases[] = {
        {"tolerance 0: only the exact colour", RGB(10, 20, 30), 0,
         {0x0A141E, 0x0B141E, 0x0A151E, 0x0A141F, 0x09141E, 0x0A131E}},
        {"magenta, tolerance 1", 0xFF00FF, 1, {0xFF00FF, 0xFF01FF, 0xFF02FF, 0xFE00FF, 0xFF00FE, 0xFF01FE}},
        {"white: the cap at 255", 0xFFFFFF, 200, {0xFFFFFF, 0xFEFFFF, 0xFFFFFE, 0x000000, 0x808080}},
        {"low bound plus tolerance past 255", RGB(250, 0, 0), 10,
         {0xFF0000, 0xFA0A0A, 0xF90000, 0xFA0B00, 0xFF000B}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Each colour in its own column, twice per row, over 3 rows.
        const auto n = static_cast<int>(c.colours.size());
        const Picture pic = make_picture(2 * n, 3, [&](int x, int) { return c.colours[static_cast<std::size_t>(x % n)]; });
        const std::string path = write("tol.bmp", to_bmp(pic, 32));
        const HRGN h = BITMAPTOREGION(path, c.trans, c.tol);
        ASSERT_NE(h, 0u);
        expect_covers_opaque(h, pic, c.trans, c.tol);
        DeleteObject(h);
    }
}

TEST_F(Files, RowShapes) {
    constexpr std::uint32_t T = 0xFF00FF, O = 0x336699;
    struct Case {
        const char* what;
        Picture pic;
        std::vector<RECT> want;  // the region, normalised
    };
    const Case cases[] = {
        {"no transparent pixel: the whole rectangle", make_picture(7, 5, [](int, int) { return O; }),
         {{0, 0, 7, 5}}},
        {"fully transparent: empty", make_picture(7, 5, [](int, int) { return T; }), {}},
        {"transparent, opaque, opaque, transparent, opaque",
         make_picture(5, 1, [](int x, int) { return x == 0 || x == 3 ? T : O; }),
         {{1, 0, 3, 1}, {4, 0, 5, 1}}},
        {"rows of different runs", make_picture(4, 3, [](int x, int y) { return x == y ? T : O; }),
         {{1, 0, 4, 1}, {0, 1, 1, 2}, {2, 1, 4, 2}, {0, 2, 2, 3}, {3, 2, 4, 3}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const HRGN h = BITMAPTOREGION(write("rows.bmp", to_bmp(c.pic, 24)), T, 1);
        ASSERT_NE(h, 0u) << "an empty region is still a region";
        EXPECT_TRUE(same(region_rects(h), c.want));
        DeleteObject(h);
    }
}

// 4500 one-pixel runs: flushed after 2000 and 4000 runs (in the middle of a
// row) and once more at the end; the region equals one built in one batch.
TEST_F(Files, ManyRunsEqualOneBatch) {
    const Picture pic = make_picture(60, 150, [](int x, int y) { return (x + y) % 2 == 0 ? 0x00FF00u : 0xFF00FFu; });
    std::vector<std::uint8_t> data(32);
    std::uint32_t n = 0;
    for (int y = 0; y < pic.h; ++y)
        for (int x = 0; x < pic.w; ++x)
            if (pic.at(x, y) != 0xFF00FF) {
                const RECT r{x, y, x + 1, y + 1};
                data.insert(data.end(), reinterpret_cast<const std::uint8_t*>(&r),
                            reinterpret_cast<const std::uint8_t*>(&r) + 16);
                ++n;
            }
    ASSERT_EQ(n, 4500u);
    const RGNDATAHEADER hd{32, RDH_RECTANGLES, n, 0, RECT{0, 0, 60, 150}};
    std::memcpy(data.data(), &hd, sizeof hd);
    const HRGN one = ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), reinterpret_cast<const RGNDATA*>(data.data()));
    ASSERT_NE(one, 0u);
    const HRGN h = BITMAPTOREGION(write("many.bmp", to_bmp(pic, 24)), 0xFF00FF, 1);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(region_rects(h).size(), 4500u);
    EXPECT_TRUE(same(region_rects(h), region_rects(one)));
    expect_covers_opaque(h, pic, 0xFF00FF, 1);
    DeleteObject(h);
    DeleteObject(one);
}

// The same two-colour image at every depth and row order gives one region.
TEST_F(Files, EveryDepthGivesTheSameRegion) {
    const Picture pic = make_picture(37, 9, [](int x, int y) {
        return (x * x + 3 * y) % 7 < 3 ? 0xFF00FFu : 0x204080u;
    });
    const HRGN ref = BITMAPTOREGION(write("d24.bmp", to_bmp(pic, 24)), 0xFF00FF, 1);
    ASSERT_NE(ref, 0u);
    expect_covers_opaque(ref, pic, 0xFF00FF, 1);
    struct Case {
        int bits;
        bool top_down;
    };
    for (const Case c : {Case{1, false}, Case{4, false}, Case{8, false}, Case{8, true}, Case{16, false},
                         Case{24, true}, Case{32, false}, Case{32, true}}) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits" << (c.top_down ? ", top-down" : ""));
        const HRGN h = BITMAPTOREGION(write("d.bmp", to_bmp(pic, c.bits, c.top_down)), 0xFF00FF, 1);
        ASSERT_NE(h, 0u);
        EXPECT_TRUE(same(region_rects(h), region_rects(ref)));
        DeleteObject(h);
    }
    DeleteObject(ref);
}

// When the buffer or a region cannot be had, the routine gives up with 0 and
// releases everything it held.
TEST_F(Files, FailuresReleaseEverything) {
    // 300 runs: the buffer grows twice.
    const Picture pic = make_picture(20, 30, [](int x, int) { return x % 2 ? 0xFF00FFu : 0u; });
    const std::string path = write("fail.bmp", to_bmp(pic, 24));
    for (const char* op : {"CreateCompatibleDC", "CreateDIBSection", "GlobalAlloc", "GlobalLock", "GlobalReAlloc",
                           "ExtCreateRegion"}) {
        seams::fail_next(op);
        EXPECT_EQ(BITMAPTOREGION(path, 0xFF00FF, 1), 0u) << op;
        EXPECT_FALSE(seams::take_failure(op)) << op << " was not reached";
    }
    // A failed merge after the first flush releases the partial result too.
    const Picture big = make_picture(100, 50, [](int x, int) { return x % 2 ? 0xFF00FFu : 0u; });
    seams::fail_next("CombineRgn");
    EXPECT_EQ(BITMAPTOREGION(write("big.bmp", to_bmp(big, 24)), 0xFF00FF, 1), 0u);
    EXPECT_FALSE(seams::take_failure("CombineRgn"));
    seams::clear_failures();
    const HRGN ok = BITMAPTOREGION(path, 0xFF00FF, 1);
    EXPECT_NE(ok, 0u);
    DeleteObject(ok);
}
