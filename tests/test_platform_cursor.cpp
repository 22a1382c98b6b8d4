// Tests of the Windows cursor/icon file reader and LoadCursorFromFileA.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/cursor_file.h"
#include "platform/seams.h"
#include "platform/win.h"

using namespace plat;

namespace {

void put16(std::vector<std::uint8_t>& v, std::uint32_t x) {
    v.push_back(static_cast<std::uint8_t>(x));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
}
void put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

// A one-entry .cur (type 2) or .ico (type 1) file: a w x h image of `bpp`
// bits (24 or 32 here, or 1 with a black/white palette) whose pixel (0, 0),
// the top-left one, is marked transparent in the AND mask.
std::vector<std::uint8_t> make_file(std::uint16_t type, std::int32_t w, std::int32_t h,
                                    std::uint16_t bpp, std::uint16_t hot_x = 1,
                                    std::uint16_t hot_y = 2) {
    std::vector<std::uint8_t> img;
    put32(img, 40);
    put32(img, static_cast<std::uint32_t>(w));
    put32(img, static_cast<std::uint32_t>(2 * h));
    put16(img, 1);
    put16(img, bpp);
    for (int i = 0; i < 6; ++i) put32(img, 0);
    if (bpp == 1) {
        put32(img, 0x000000);
        put32(img, 0xFFFFFF);
    }
    const std::size_t xor_stride = ((static_cast<std::size_t>(w) * bpp + 31) / 32) * 4;
    const std::size_t and_stride = ((static_cast<std::size_t>(w) + 31) / 32) * 4;
    for (std::int32_t row = 0; row < h; ++row) {  // bottom-up
        std::vector<std::uint8_t> r(xor_stride, 0);
        for (std::int32_t x = 0; x < w; ++x) {
            if (bpp == 24) {
                r[x * 3 + 0] = 0x11;  // blue
                r[x * 3 + 1] = 0x22;
                r[x * 3 + 2] = static_cast<std::uint8_t>(row);  // red = row from the bottom
            } else if (bpp == 32) {
                r[x * 4 + 0] = 0x11;
                r[x * 4 + 3] = 0;  // no alpha: the mask decides
            } else if (bpp == 1) {
                r[x / 8] = 0xFF;  // white
            }
        }
        img.insert(img.end(), r.begin(), r.end());
    }
    for (std::int32_t row = 0; row < h; ++row) {
        std::vector<std::uint8_t> r(and_stride, 0);
        if (row == h - 1) r[0] = 0x80;  // top row, first pixel: transparent
        img.insert(img.end(), r.begin(), r.end());
    }
    std::vector<std::uint8_t> f;
    put16(f, 0);
    put16(f, type);
    put16(f, 1);
    f.push_back(static_cast<std::uint8_t>(w));
    f.push_back(static_cast<std::uint8_t>(h));
    f.push_back(0);
    f.push_back(0);
    put16(f, hot_x);
    put16(f, hot_y);
    put32(f, static_cast<std::uint32_t>(img.size()));
    put32(f, 22);
    f.insert(f.end(), img.begin(), img.end());
    return f;
}

TEST(CursorFile, DecodesBitmapEntriesWithTheirMask) {
    CursorImage img;
    ASSERT_TRUE(decode_cursor_file(make_file(2, 4, 3, 24).data(), make_file(2, 4, 3, 24).size(), img));
    EXPECT_TRUE(img.is_cursor);
    EXPECT_EQ(img.width, 4);
    EXPECT_EQ(img.height, 3);
    EXPECT_EQ(img.hot_x, 1);
    EXPECT_EQ(img.hot_y, 2);
    ASSERT_EQ(img.argb.size(), 12u);
    EXPECT_EQ(img.argb[0], 0u);                   // masked out
    EXPECT_EQ(img.argb[1], 0xFF022211u);          // top row = file row 2
    EXPECT_EQ(img.argb[11], 0xFF002211u);         // bottom row
    const auto ico = make_file(1, 8, 8, 1);
    ASSERT_TRUE(decode_cursor_file(ico.data(), ico.size(), img));
    EXPECT_FALSE(img.is_cursor);
    EXPECT_EQ(img.hot_x, 4);  // icons: the centre
    EXPECT_EQ(img.argb[1], 0xFFFFFFFFu);
    const auto c32 = make_file(2, 32, 32, 32);
    ASSERT_TRUE(decode_cursor_file(c32.data(), c32.size(), img));
    EXPECT_EQ(img.argb[0], 0u);
    EXPECT_EQ(img.argb[1], 0xFF000011u);
}

TEST(CursorFile, DamagedFilesAreRefused) {
    const std::vector<std::uint8_t> good = make_file(2, 4, 3, 24);
    struct Case {
        const char* name;
        std::size_t offset;  // byte to change (or the length to cut to)
        int value;           // -1: cut the file at `offset`
    };
    const Case cases[] = {
        {"empty", 0, -1},
        {"directory cut short", 10, -1},
        {"image cut short", good.size() - 1, -1},
        {"bad type", 2, 3},
        {"no entries", 4, 0},
        {"entry offset past the end", 6 + 15, 0x7F},
        {"entry size past the end", 6 + 11, 0x7F},
        {"huge width", 22 + 5, 0x10},
        {"odd doubled height", 22 + 8, 7},
        {"bits per pixel 16", 22 + 14, 16},
        {"compressed", 22 + 16, 1},
        {"header size beyond the entry", 22 + 1, 0x10},
        {"PNG entry", 22, 0x89},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> d = good;
        if (c.value < 0) d.resize(c.offset);
        else d[c.offset] = static_cast<std::uint8_t>(c.value);
        if (std::string(c.name) == "PNG entry") {
            d[23] = 'P';
            d[24] = 'N';
            d[25] = 'G';
        }
        CursorImage img;
        EXPECT_FALSE(decode_cursor_file(d.data(), d.size(), img));
        EXPECT_TRUE(img.argb.empty());
    }
}

TEST(CursorFile, LoadCursorFromFileGivesAHandleOrZero) {
    const std::string good = ::testing::TempDir() + "kvx_good.cur";
    const std::string bad = ::testing::TempDir() + "kvx_bad.cur";
    const auto write = [](const std::string& path, const std::vector<std::uint8_t>& d) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(d.data(), 1, d.size(), f);
        std::fclose(f);
    };
    std::vector<std::uint8_t> d = make_file(2, 32, 32, 24);
    write(good, d);
    d.resize(d.size() / 2);
    write(bad, d);
    const int before = seams::live_counts().cursors;
    EXPECT_NE(LoadCursorFromFileA(good.c_str()), 0u);
    EXPECT_EQ(seams::live_counts().cursors, before + 1);
    EXPECT_EQ(LoadCursorFromFileA(bad.c_str()), 0u);
    EXPECT_EQ(LoadCursorFromFileA("/nonexistent/kvx.cur"), 0u);
    EXPECT_EQ(LoadCursorFromFileA(::testing::TempDir().c_str()), 0u);  // a directory
    EXPECT_EQ(LoadCursorFromFileA(nullptr), 0u);
    EXPECT_EQ(seams::live_counts().cursors, before + 1);
    std::remove(good.c_str());
    std::remove(bad.c_str());
}

TEST(StockObjects, CursorsIconsAndBrushes) {
    const HCURSOR arrow = LoadCursorA(0, IDC_ARROW);
    EXPECT_NE(arrow, 0u);
    EXPECT_EQ(LoadCursorA(0, IDC_ARROW), arrow);  // shared
    EXPECT_NE(LoadCursorA(0, IDC_HELP), arrow);
    EXPECT_EQ(LoadCursorA(0, 12345), 0u);
    EXPECT_NE(LoadIconA(0, IDI_APPLICATION), 0u);
    const HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    const HGDIOBJ hollow = GetStockObject(NULL_BRUSH);
    EXPECT_NE(face, 0u);
    EXPECT_NE(hollow, 0u);
    EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE), face);
    EXPECT_EQ(DeleteObject(face), 0);  // stock objects stay
    EXPECT_EQ(DeleteObject(hollow), 0);
    EXPECT_EQ(GetStockObject(99), 0u);
}

}  // namespace
