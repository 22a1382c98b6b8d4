// Drawing surfaces of the window-system layer: palettes, memory device
// contexts and bitmap selection, DIB sections and the reuse of their pixel
// memory, and BitBlt's conversion of every source depth and row order to the
// destination's format.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gdi_bitmap.h"
#include "platform/gdi_palette.h"
#include "platform/seams.h"
#include "platform/win.h"

using namespace plat;

namespace {

struct Info256 {
    BITMAPINFOHEADER h;
    DWORD extra[256];  // colour table or bit-field masks
};

// A DIB section of the given depth; `table` / `masks` go after the header.
HBITMAP dib(std::int32_t w, std::int32_t h, int bits, void** px, const std::vector<RGBQUAD>& table = {},
            DWORD compression = BI_RGB, const std::vector<DWORD>& masks = {}) {
    Info256 info{};
    info.h.biSize = sizeof(BITMAPINFOHEADER);
    info.h.biWidth = w;
    info.h.biHeight = h;
    info.h.biPlanes = 1;
    info.h.biBitCount = static_cast<WORD>(bits);
    info.h.biCompression = compression;
    info.h.biClrUsed = static_cast<DWORD>(table.size());
    if (!table.empty()) std::memcpy(info.extra, table.data(), table.size() * sizeof(RGBQUAD));
    if (!masks.empty()) std::memcpy(info.extra, masks.data(), masks.size() * sizeof(DWORD));
    return CreateDIBSection(0, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, px, 0, 0);
}

BITMAP describe(HBITMAP h) {
    BITMAP b{};
    EXPECT_EQ(GetObjectA(h, sizeof b, &b), static_cast<std::int32_t>(sizeof b));
    return b;
}

// Live objects of every kind a drawing routine may leave behind.
struct Counts {
    seams::LiveCounts c = seams::live_counts();
    void expect_same() const {
        const seams::LiveCounts n = seams::live_counts();
        EXPECT_EQ(n.dcs, c.dcs);
        EXPECT_EQ(n.bitmaps, c.bitmaps);
        EXPECT_EQ(n.palettes, c.palettes);
        EXPECT_EQ(n.regions, c.regions);
        EXPECT_EQ(n.globals, c.globals);
    }
};

}  // namespace

// ------------------------------------------------------------------ palettes

TEST(Palette, CreateReadSelectRealize) {
    Counts before;
    std::vector<std::uint8_t> buf(sizeof(LOGPALETTE) + 2 * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(buf.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = 3;
    const PALETTEENTRY e[3] = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};
    std::memcpy(lp->palPalEntry, e, sizeof e);
    const HPALETTE p = CreatePalette(lp);
    ASSERT_NE(p, 0u);
    PALETTEENTRY out[4] = {};
    EXPECT_EQ(GetPaletteEntries(p, 0, 0, nullptr), 3u);
    EXPECT_EQ(GetPaletteEntries(p, 1, 4, out), 2u);
    EXPECT_EQ(out[0].peRed, 4);
    EXPECT_EQ(out[1].peBlue, 9);
    EXPECT_EQ(GetPaletteEntries(p, 3, 1, out), 0u);
    WORD n = 0;
    EXPECT_EQ(GetObjectA(p, sizeof n, &n), 2);
    EXPECT_EQ(n, 3);

    // Refused descriptions.
    lp->palVersion = 0x200;
    EXPECT_EQ(CreatePalette(lp), 0u);
    lp->palVersion = 0x300;
    lp->palNumEntries = 0;
    EXPECT_EQ(CreatePalette(lp), 0u);
    EXPECT_EQ(CreatePalette(nullptr), 0u);

    // A context starts with the default palette; selecting hands back the
    // previous one, and a selected palette cannot be deleted.
    const HDC dc = CreateCompatibleDC(0);
    ASSERT_NE(dc, 0u);
    const HPALETTE def = SelectPalette(dc, p, TRUE_);
    EXPECT_EQ(def, default_palette());
    EXPECT_EQ(GetPaletteEntries(def, 0, 0, nullptr), 20u);
    EXPECT_EQ(RealizePalette(dc), 0u);
    EXPECT_FALSE(DeleteObject(p));
    EXPECT_EQ(SelectPalette(dc, def, FALSE_), p);
    EXPECT_FALSE(DeleteObject(def)) << "the default palette is a stock object";
    EXPECT_EQ(SelectPalette(dc, 0, FALSE_), 0u);
    EXPECT_EQ(RealizePalette(0), 0xFFFFFFFFu);
    EXPECT_TRUE(DeleteDC(dc));
    // A screen context released with the palette still selected does not
    // keep it alive.
    const HDC screen = GetDC(0);
    EXPECT_EQ(SelectPalette(screen, p, FALSE_), def);
    EXPECT_EQ(ReleaseDC(0, screen), 1);
    EXPECT_TRUE(DeleteObject(p));
    before.expect_same();
}

TEST(Palette, HalftoneHasStaticColoursAndACube) {
    const HDC screen = GetDC(0);
    const HPALETTE h = CreateHalftonePalette(screen);
    ReleaseDC(0, screen);
    ASSERT_NE(h, 0u);
    PALETTEENTRY e[256];
    ASSERT_EQ(GetPaletteEntries(h, 0, 256, e), 256u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(std::memcmp(&e[i], &kStaticColors[i], sizeof e[i]), 0) << i;
        EXPECT_EQ(std::memcmp(&e[246 + i], &kStaticColors[10 + i], sizeof e[i]), 0) << i;
    }
    // Every colour of the 6x6x6 cube is present, and no entry has flags.
    for (int r = 0; r < 256; r += 51)
        for (int g = 0; g < 256; g += 51)
            for (int b = 0; b < 256; b += 51) {
                bool found = false;
                for (const PALETTEENTRY& p : e) found = found || (p.peRed == r && p.peGreen == g && p.peBlue == b);
                EXPECT_TRUE(found) << r << "," << g << "," << b;
            }
    for (const PALETTEENTRY& p : e) EXPECT_EQ(p.peFlags, 0);
    EXPECT_TRUE(DeleteObject(h));
}

// ------------------------------------------------------------------ contexts and selection

TEST(MemoryContext, DefaultBitmapAndSelection) {
    Counts before;
    const HDC a = CreateCompatibleDC(0);
    const HDC b = CreateCompatibleDC(a);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_EQ(CreateCompatibleDC(0xFFFFFFF0u), 0u);
    void* px = nullptr;
    const HBITMAP bmp = dib(3, 2, 24, &px);
    ASSERT_NE(bmp, 0u);
    // The first selection hands back the 1x1 monochrome default bitmap.
    const HGDIOBJ def = SelectObject(a, bmp);
    ASSERT_NE(def, 0u);
    const BITMAP d = describe(def);
    EXPECT_EQ(d.bmWidth, 1);
    EXPECT_EQ(d.bmHeight, 1);
    EXPECT_EQ(d.bmBitsPixel, 1);
    EXPECT_FALSE(DeleteObject(def));
    // One bitmap, one context; a selected bitmap cannot be deleted.
    EXPECT_EQ(SelectObject(b, bmp), 0u);
    EXPECT_FALSE(DeleteObject(bmp));
    EXPECT_EQ(SelectObject(a, bmp), bmp);
    EXPECT_EQ(SelectObject(a, def), bmp);
    EXPECT_NE(SelectObject(b, bmp), 0u);
    // Screen contexts are released, not deleted, and hold no bitmap.
    const HDC screen = GetDC(0);
    EXPECT_EQ(SelectObject(screen, def), 0u);
    EXPECT_FALSE(DeleteDC(screen));
    EXPECT_EQ(ReleaseDC(0, screen), 1);
    // Deleting the context lets the bitmap go.
    EXPECT_TRUE(DeleteDC(b));
    EXPECT_TRUE(DeleteObject(bmp));
    EXPECT_TRUE(DeleteDC(a));
    EXPECT_FALSE(DeleteDC(a));
    before.expect_same();
}

TEST(DibSection, DescribesItselfAndRefusesBadDescriptions) {
    void* px = nullptr;
    const HBITMAP h = dib(5, 3, 32, &px);
    ASSERT_NE(h, 0u);
    ASSERT_NE(px, nullptr);
    const BITMAP b = describe(h);
    EXPECT_EQ(b.bmWidth, 5);
    EXPECT_EQ(b.bmHeight, 3);
    EXPECT_EQ(b.bmWidthBytes, 20);
    EXPECT_EQ(b.bmPlanes, 1);
    EXPECT_EQ(b.bmBitsPixel, 32);
    EXPECT_EQ(b.bmBits, px);
    EXPECT_TRUE(DeleteObject(h));

    struct Case {
        const char* what;
        std::int32_t w, h;
        int bits;
        DWORD compression;
    };
    const Case bad[] = {{"zero width", 0, 3, 32, BI_RGB},   {"zero height", 4, 0, 32, BI_RGB},
                        {"odd depth", 4, 3, 7, BI_RGB},     {"run-length", 4, 3, 8, BI_RLE8},
                        {"bit fields at 8 bits", 4, 3, 8, BI_BITFIELDS},
                        {"too large", 0x7FFFFFFF, 0x7FFFFFFF, 32, BI_RGB}};
    for (const Case& c : bad) {
        void* p = reinterpret_cast<void*>(1);
        EXPECT_EQ(dib(c.w, c.h, c.bits, &p, {}, c.compression), 0u) << c.what;
        EXPECT_EQ(p, nullptr) << c.what;
    }
    BITMAPINFO bi{};
    bi.bmiHeader = BITMAPINFOHEADER{40, 2, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* p = nullptr;
    EXPECT_EQ(CreateDIBSection(0, &bi, 1, &p, 0, 0), 0u) << "palette-index colours";
    EXPECT_EQ(CreateDIBSection(0, &bi, DIB_RGB_COLORS, &p, 77, 0), 0u) << "file section";
    EXPECT_EQ(CreateDIBSection(0, nullptr, DIB_RGB_COLORS, &p, 0, 0), 0u);
    bi.bmiHeader.biPlanes = 2;
    EXPECT_EQ(CreateDIBSection(0, &bi, DIB_RGB_COLORS, &p, 0, 0), 0u) << "two planes";
}

// ------------------------------------------------------------------ pixel memory

namespace {

constexpr std::int32_t kSide = 512;  // 512 x 512 at 32 bits: a 1 MiB block
constexpr std::size_t kMiB = std::size_t{1} << 20;

bool all_zero(const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    return std::all_of(b, b + n, [](std::uint8_t v) { return v == 0; });
}

}  // namespace

TEST(PixelMemory, LargeBlocksAreReusedZeroed) {
    Counts before;
    // Requests near the cached size take the block (zeroed as far as they
    // use it); much smaller or larger ones get memory of their own.
    struct Case {
        const char* what;
        std::int32_t height;
        bool reused;
    };
    const Case cases[] = {{"same size", kSide, true},
                          {"a little smaller", kSide - 64, true},
                          {"far smaller", kSide / 2, false},
                          {"larger", kSide + 1, false}};
    for (const Case& c : cases) {
        pixel_cache_release();
        void* first = nullptr;
        const HBITMAP a = dib(kSide, kSide, 32, &first);
        ASSERT_NE(a, 0u);
        std::memset(first, 0xA5, kMiB);
        ASSERT_TRUE(DeleteObject(a));
        ASSERT_EQ(pixel_cache_use().blocks, 1u);
        ASSERT_EQ(pixel_cache_use().bytes, kMiB);

        void* px = nullptr;
        const HBITMAP h = dib(kSide, c.height, 32, &px);
        ASSERT_NE(h, 0u) << c.what;
        const BITMAP b = describe(h);
        const std::size_t used = static_cast<std::size_t>(b.bmWidthBytes) * static_cast<std::size_t>(b.bmHeight);
        EXPECT_EQ(b.bmHeight, c.height) << c.what;
        EXPECT_EQ(px == first, c.reused) << c.what;
        EXPECT_EQ(pixel_cache_use().blocks, c.reused ? 0u : 1u) << c.what;
        EXPECT_TRUE(all_zero(px, used)) << c.what;
        std::memset(px, 0x5A, used);
        ASSERT_TRUE(DeleteObject(h));
        // A reused block goes back whole, at its own size.
        if (c.reused) {
            EXPECT_EQ(pixel_cache_use().blocks, 1u) << c.what;
            EXPECT_EQ(pixel_cache_use().bytes, kMiB) << c.what;
        }
    }
    pixel_cache_release();
    EXPECT_EQ(pixel_cache_use().blocks, 0u);
    EXPECT_EQ(pixel_cache_use().bytes, 0u);
    before.expect_same();
}

TEST(PixelMemory, TheCacheStaysBounded) {
    pixel_cache_release();
    Counts before;
    std::vector<HBITMAP> many;
    for (std::size_t i = 0; i < kPixelCacheBlocks + 2; ++i) {
        void* px = nullptr;
        many.push_back(dib(kSide, kSide, 32, &px));
        ASSERT_NE(many.back(), 0u);
    }
    for (HBITMAP h : many) DeleteObject(h);
    EXPECT_EQ(pixel_cache_use().blocks, kPixelCacheBlocks);
    EXPECT_EQ(pixel_cache_use().bytes, kPixelCacheBlocks * kMiB);
    pixel_cache_release();

    // Small bitmaps and ones above the largest cached block never enter it.
    void* px = nullptr;
    const HBITMAP small = dib(64, 64, 32, &px);
    const HBITMAP huge = dib(2048, 2049, 32, &px);  // just over 16 MiB
    ASSERT_NE(small, 0u);
    ASSERT_NE(huge, 0u);
    ASSERT_GT(static_cast<std::size_t>(describe(huge).bmWidthBytes) * 2049, kPixelCacheMaxBlock);
    DeleteObject(small);
    DeleteObject(huge);
    EXPECT_EQ(pixel_cache_use().blocks, 0u);
    before.expect_same();
}

// ------------------------------------------------------------------ BitBlt

namespace {

// The 4x2 test picture, top row first, as 0x00RRGGBB.
constexpr std::uint32_t kPic[2][4] = {{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
                                      {0x000000, 0x808080, 0xFF00FF, 0x00FFFF}};

// A colour table holding the picture's eight colours (index = position in kPic).
std::vector<RGBQUAD> pic_table() {
    std::vector<RGBQUAD> t;
    for (const auto& row : kPic)
        for (std::uint32_t c : row)
            t.push_back(RGBQUAD{static_cast<BYTE>(c), static_cast<BYTE>(c >> 8), static_cast<BYTE>(c >> 16), 0});
    return t;
}

// Writes pixel (x, y) of a source bitmap of the given depth.
void put(std::uint8_t* base, int stride, int h, bool top_down, int bits, int x, int y, std::uint32_t c,
         std::uint32_t index, const std::vector<DWORD>& masks) {
    std::uint8_t* row = base + static_cast<std::size_t>(top_down ? y : h - 1 - y) * stride;
    auto scale = [](std::uint32_t v8, DWORD m) {
        if (m == 0) return 0u;
        const int sh = __builtin_ctz(m), w = 32 - __builtin_clz(m >> sh);
        return ((w >= 8 ? v8 << (w - 8) : v8 >> (8 - w)) << sh) & m;
    };
    switch (bits) {
    case 1:
    case 4:
    case 8: {
        const int bit = x * bits;
        row[bit / 8] |= static_cast<std::uint8_t>(index << (8 - bits - bit % 8));
        break;
    }
    case 16: {
        const std::uint32_t v = scale(c >> 16 & 0xFF, masks[0]) | scale(c >> 8 & 0xFF, masks[1]) | scale(c & 0xFF, masks[2]);
        row[x * 2] = static_cast<std::uint8_t>(v);
        row[x * 2 + 1] = static_cast<std::uint8_t>(v >> 8);
        break;
    }
    case 24:
        row[x * 3] = static_cast<std::uint8_t>(c);
        row[x * 3 + 1] = static_cast<std::uint8_t>(c >> 8);
        row[x * 3 + 2] = static_cast<std::uint8_t>(c >> 16);
        break;
    case 32: {
        const std::uint32_t v = 0xAB000000u | scale(c >> 16 & 0xFF, masks[0]) | scale(c >> 8 & 0xFF, masks[1]) |
                                scale(c & 0xFF, masks[2]);
        std::memcpy(row + x * 4, &v, 4);
        break;
    }
    }
}

}  // namespace

TEST(BitBlt, EveryDepthArrivesAsColour) {
    struct Case {
        const char* what;
        int bits;
        bool top_down;
        DWORD compression;
        std::vector<DWORD> masks;  // red, green, blue
        std::uint32_t (*expect)(std::uint32_t);
    };
    auto exact = [](std::uint32_t c) { return c; };
    // 5-bit channels: 0x80 -> 16 -> 132.
    auto five = [](std::uint32_t c) { return c == 0x808080 ? 0x848484u : c; };
    auto green6 = [](std::uint32_t c) { return c == 0x808080 ? 0x848284u : c; };
    const Case cases[] = {
        {"1-bit", 1, false, BI_RGB, {}, exact},
        {"4-bit", 4, false, BI_RGB, {}, exact},
        {"8-bit", 8, false, BI_RGB, {}, exact},
        {"8-bit top-down", 8, true, BI_RGB, {}, exact},
        {"16-bit 5-5-5", 16, false, BI_RGB, {0x7C00, 0x03E0, 0x001F}, five},
        {"16-bit 5-6-5", 16, true, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, green6},
        {"24-bit", 24, false, BI_RGB, {}, exact},
        {"24-bit top-down", 24, true, BI_RGB, {}, exact},
        {"32-bit", 32, false, BI_RGB, {0xFF0000, 0xFF00, 0xFF}, exact},
        {"32-bit fields", 32, true, BI_BITFIELDS, {0xFF, 0xFF00, 0xFF0000}, exact},
    };
    Counts before;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<RGBQUAD> table = pic_table();
        if (c.bits == 1) table = {{0, 0, 0xFF, 0}, {0xFF, 0xFF, 0, 0}};  // red, cyan
        void* sp = nullptr;
        const HBITMAP src = dib(4, c.top_down ? -2 : 2, c.bits, &sp, c.bits <= 8 ? table : std::vector<RGBQUAD>{},
                                c.compression, c.compression == BI_BITFIELDS ? c.masks : std::vector<DWORD>{});
        ASSERT_NE(src, 0u);
        const BITMAP sb = describe(src);
        std::uint32_t want[2][4];
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x) {
                std::uint32_t colour = kPic[y][x];
                std::uint32_t index = static_cast<std::uint32_t>(y * 4 + x);
                if (c.bits == 1) {
                    index = (x + y) % 2;
                    colour = index == 0 ? 0xFF0000 : 0x00FFFF;
                }
                put(static_cast<std::uint8_t*>(sp), sb.bmWidthBytes, 2, c.top_down, c.bits, x, y, colour, index,
                    c.masks);
                want[y][x] = c.expect(colour);
            }
        void* dp = nullptr;
        const HBITMAP dst = dib(4, 2, 32, &dp);
        const HDC sdc = CreateCompatibleDC(0), ddc = CreateCompatibleDC(0);
        const HGDIOBJ so = SelectObject(sdc, src), dobj = SelectObject(ddc, dst);
        ASSERT_TRUE(BitBlt(ddc, 0, 0, 4, 2, sdc, 0, 0, SRCCOPY));
        const auto* out = static_cast<const std::uint32_t*>(dp);  // bottom-up
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x)
                EXPECT_EQ(out[(1 - y) * 4 + x], want[y][x]) << "pixel " << x << "," << y;
        SelectObject(sdc, so);
        SelectObject(ddc, dobj);
        DeleteDC(sdc);
        DeleteDC(ddc);
        DeleteObject(src);
        DeleteObject(dst);
    }
    before.expect_same();
}

TEST(BitBlt, ClipsToBothBitmapsAndConvertsToTheDestination) {
    void* sp = nullptr;
    const HBITMAP src = dib(4, 2, 32, &sp);
    auto* s = static_cast<std::uint32_t*>(sp);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) s[(1 - y) * 4 + x] = kPic[y][x];
    const HDC sdc = CreateCompatibleDC(0), ddc = CreateCompatibleDC(0);
    SelectObject(sdc, src);

    // Into a 3x3 32-bit bitmap at (1, 1), from the source's (-1, 0): only the
    // parts inside both arrive.
    void* dp = nullptr;
    const HBITMAP dst = dib(3, -3, 32, &dp);  // top-down
    const HGDIOBJ def = SelectObject(ddc, dst);
    auto* d = static_cast<std::uint32_t*>(dp);
    std::fill_n(d, 9, 0x123456u);
    EXPECT_TRUE(BitBlt(ddc, 1, 1, 4, 4, sdc, -1, 0, SRCCOPY));
    const std::uint32_t want[9] = {0x123456, 0x123456, 0x123456,  //
                                   0x123456, 0x123456, 0xFF0000,  //
                                   0x123456, 0x123456, 0x000000};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(d[i], want[i]) << i;
    EXPECT_TRUE(BitBlt(ddc, 0, 0, 0, 5, sdc, 0, 0, SRCCOPY)) << "nothing to copy";
    EXPECT_FALSE(BitBlt(ddc, 0, 0, 1, 1, sdc, 0, 0, 0x00EE0086)) << "only SRCCOPY";

    // Into an 8-bit bitmap: the nearest colour of its table.
    const std::vector<RGBQUAD> grey_red = {{0, 0, 0, 0}, {0x80, 0x80, 0x80, 0}, {0, 0, 0xF0, 0}};
    void* ep = nullptr;
    const HBITMAP eight = dib(4, 2, 8, &ep, grey_red);
    SelectObject(ddc, eight);
    EXPECT_TRUE(BitBlt(ddc, 0, 0, 4, 2, sdc, 0, 0, SRCCOPY));
    const auto* e = static_cast<const std::uint8_t*>(ep);  // bottom-up, stride 4
    EXPECT_EQ(e[4 + 0], 2) << "red -> the table's red";
    EXPECT_EQ(e[0 + 1], 1) << "grey -> grey";
    EXPECT_EQ(e[0 + 0], 0) << "black -> black";

    SelectObject(ddc, def);
    DeleteDC(ddc);
    DeleteDC(sdc);
    for (HBITMAP h : {src, dst, eight}) EXPECT_TRUE(DeleteObject(h));
}

TEST(BitBlt, WithinOneBitmapOverlappingRowsCopyCorrectly) {
    void* p = nullptr;
    const HBITMAP h = dib(2, -4, 32, &p);  // top-down: index y*2+x
    auto* px = static_cast<std::uint32_t*>(p);
    for (int i = 0; i < 8; ++i) px[i] = static_cast<std::uint32_t>(i + 1);
    const HDC dc = CreateCompatibleDC(0);
    const HGDIOBJ def = SelectObject(dc, h);
    EXPECT_TRUE(BitBlt(dc, 0, 1, 2, 3, dc, 0, 0, SRCCOPY));  // rows 0..2 -> 1..3
    const std::uint32_t want[8] = {1, 2, 1, 2, 3, 4, 5, 6};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(px[i], want[i]) << i;
    SelectObject(dc, def);
    DeleteDC(dc);
    DeleteObject(h);
}

TEST(ColorTable, ReadFromTheSelectedBitmap) {
    const std::vector<RGBQUAD> t = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};
    void* p = nullptr;
    const HBITMAP four = dib(2, 2, 4, &p, t);
    const HBITMAP deep = dib(2, 2, 24, &p);
    const HDC dc = CreateCompatibleDC(0);
    const HGDIOBJ def = SelectObject(dc, four);
    RGBQUAD out[20] = {};
    EXPECT_EQ(GetDIBColorTable(dc, 0, 20, out), 16u);
    EXPECT_EQ(out[2].rgbBlue, 7);
    EXPECT_EQ(out[3].rgbBlue, 0) << "entries the description lacked are zero";
    EXPECT_EQ(GetDIBColorTable(dc, 15, 20, out), 1u);
    EXPECT_EQ(GetDIBColorTable(dc, 16, 20, out), 0u);
    SelectObject(dc, deep);
    EXPECT_EQ(GetDIBColorTable(dc, 0, 20, out), 0u) << "no table above 8 bits";
    SelectObject(dc, def);
    DeleteDC(dc);
    DeleteObject(four);
    DeleteObject(deep);
}
