// The BMP decoder and LoadImageA / GetObjectA / DeleteObject for bitmaps:
// every depth, row order, header size and mask layout decodes to the stored
// pixels, and damaged files fail cleanly.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/bmp_decode.h"
#include "platform/gdi_bitmap.h"
#include "platform/win.h"
#include "tests/support/image_writers.h"

using fixtures::Bmp;
using fixtures::Bytes;
using plat::bmp::Status;

namespace {

// Rows of `width` x `height` pixels at `bits`, each byte a distinct pattern.
Bytes pattern_rows(std::int32_t width, std::int32_t height, int bits) {
    Bytes r(fixtures::row_bytes(width, bits) * static_cast<std::size_t>(height));
    for (std::size_t i = 0; i < r.size(); ++i) r[i] = static_cast<std::uint8_t>(i * 37 + 11);
    return r;
}

Bmp make(std::int32_t w, std::int32_t h, std::uint16_t bits) {
    Bmp s;
    s.width = w;
    s.height = h;
    s.bits = bits;
    s.rows = pattern_rows(w, h, bits);
    if (bits <= 8)
        for (int i = 0; i < (1 << bits); ++i)
            s.palette.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                                 static_cast<std::uint8_t>(i * 3), 0});
    return s;
}

Status decode(const Bytes& file, plat::bmp::Info* info_out = nullptr) {
    plat::bmp::MemoryReader src(file.data(), file.size());
    plat::bmp::Info info;
    Status s = plat::bmp::read_header(src, info);
    if (s == Status::Ok) {
        std::vector<std::uint8_t> px(static_cast<std::size_t>(info.pixel_bytes));
        s = plat::bmp::read_pixels(src, info, px.data());
    }
    if (info_out != nullptr) *info_out = info;
    return s;
}

class BmpFiles : public ::testing::Test {
protected:
    void SetUp() override { dir_ = fixtures::make_temp_dir("bmp"); }
    void TearDown() override { fixtures::remove_tree(dir_); }
    std::string put(const std::string& name, const Bytes& b) {
        const std::string p = dir_ + "/" + name;
        EXPECT_TRUE(fixtures::write_file(p, b));
        return p;
    }
    std::string dir_;
};

constexpr plat::UINT LOAD_FLAGS = plat::LR_LOADFROMFILE | plat::LR_CREATEDIBSECTION;

}  // namespace

// ------------------------------------------------------------------ good files
struct GoodCase {
    const char* name;
    Bmp desc;
    plat::DWORD compression;
    std::array<plat::DWORD, 4> masks;
};

class BmpGood : public BmpFiles, public ::testing::WithParamInterface<GoodCase> {};

TEST_P(BmpGood, LoadsStoredPixelsWithTheFilesDepth) {
    const GoodCase& c = GetParam();
    const Bmp& s = c.desc;
    const std::string path = put("good.bmp", fixtures::bmp_file(s));

    const plat::HANDLE h = plat::LoadImageA(0, path.c_str(), plat::IMAGE_BITMAP, 0, 0, LOAD_FLAGS | plat::LR_LOADTRANSPARENT);
    ASSERT_NE(h, 0u);
    plat::BITMAP bm{};
    ASSERT_EQ(plat::GetObjectA(h, sizeof bm, &bm), static_cast<std::int32_t>(sizeof bm));
    EXPECT_EQ(bm.bmType, 0);
    EXPECT_EQ(bm.bmWidth, s.width);
    EXPECT_EQ(bm.bmHeight, s.height);
    EXPECT_EQ(bm.bmPlanes, 1);
    EXPECT_EQ(bm.bmBitsPixel, s.bits);
    EXPECT_EQ(static_cast<std::size_t>(bm.bmWidthBytes), fixtures::padded_row_bytes(s.width, s.bits));
    ASSERT_NE(bm.bmBits, nullptr);
    const Bytes want = fixtures::bmp_padded_rows(s);
    EXPECT_EQ(0, std::memcmp(bm.bmBits, want.data(), want.size()));

    const plat::Bitmap* b = plat::bitmap_find(h);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->top_down, s.top_down);
    EXPECT_EQ(b->compression, c.compression);
    EXPECT_EQ(b->red_mask, c.masks[0]);
    EXPECT_EQ(b->green_mask, c.masks[1]);
    EXPECT_EQ(b->blue_mask, c.masks[2]);
    EXPECT_EQ(b->alpha_mask, c.masks[3]);
    if (s.bits <= 8) {
        ASSERT_EQ(b->colors.size(), std::size_t{1} << s.bits);
        for (std::size_t i = 0; i < b->colors.size(); ++i) {
            const fixtures::Bgra e = i < s.palette.size() ? s.palette[i] : fixtures::Bgra{};
            EXPECT_EQ(b->colors[i].rgbBlue, e.b) << i;
            EXPECT_EQ(b->colors[i].rgbGreen, e.g) << i;
            EXPECT_EQ(b->colors[i].rgbRed, e.r) << i;
        }
    } else {
        EXPECT_TRUE(b->colors.empty());
    }
    EXPECT_EQ(plat::DeleteObject(h), 1);
    EXPECT_EQ(plat::GetObjectA(h, sizeof bm, &bm), 0);
    EXPECT_EQ(plat::DeleteObject(h), 0);
}

namespace {
constexpr std::array<plat::DWORD, 4> RGB555{0x7C00, 0x3E0, 0x1F, 0};
constexpr std::array<plat::DWORD, 4> RGB888{0xFF0000, 0xFF00, 0xFF, 0};
constexpr std::array<plat::DWORD, 4> NONE{0, 0, 0, 0};

std::vector<GoodCase> good_cases() {
    std::vector<GoodCase> v;
    v.push_back({"bits1", make(13, 3, 1), plat::BI_RGB, NONE});
    v.push_back({"bits4", make(5, 4, 4), plat::BI_RGB, NONE});
    v.push_back({"bits8", make(7, 3, 8), plat::BI_RGB, NONE});
    v.push_back({"bits16", make(3, 2, 16), plat::BI_RGB, RGB555});
    v.push_back({"bits24_odd_width", make(5, 3, 24), plat::BI_RGB, RGB888});
    v.push_back({"bits32", make(4, 4, 32), plat::BI_RGB, RGB888});
    Bmp td = make(3, 4, 24);
    td.top_down = true;
    v.push_back({"top_down", td, plat::BI_RGB, RGB888});
    Bmp bf16 = make(3, 3, 16);
    bf16.compression = plat::BI_BITFIELDS;
    bf16.masks = {0xF800, 0x07E0, 0x001F, 0};
    v.push_back({"bitfields565_after_40_byte_header", bf16, plat::BI_BITFIELDS, {0xF800, 0x07E0, 0x001F, 0}});
    Bmp bf32 = make(2, 2, 32);
    bf32.compression = plat::BI_BITFIELDS;
    bf32.header_size = 56;
    bf32.masks = {0xFF, 0xFF00, 0xFF0000, 0xFF000000};
    v.push_back({"bitfields32_in_56_byte_header", bf32, plat::BI_BITFIELDS, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}});
    Bmp bf52 = bf16;
    bf52.header_size = 52;
    v.push_back({"bitfields_in_52_byte_header", bf52, plat::BI_BITFIELDS, {0xF800, 0x07E0, 0x001F, 0}});
    for (std::uint32_t hs : {12u, 108u, 124u}) {
        Bmp s = make(6, 2, 24);
        s.header_size = hs;
        v.push_back({hs == 12 ? "core_header" : hs == 108 ? "header108" : "header124", s, plat::BI_RGB, RGB888});
    }
    Bmp core8 = make(3, 2, 8);
    core8.header_size = 12;
    v.push_back({"core_header_palette", core8, plat::BI_RGB, NONE});
    Bmp few = make(4, 2, 8);
    few.palette.resize(3);
    few.clr_used = 3;
    v.push_back({"short_colour_table", few, plat::BI_RGB, NONE});
    Bmp gap = make(2, 2, 24);
    gap.off_bits = 14 + 40 + 10;  // pixel array after a gap
    v.push_back({"pixel_offset_after_gap", gap, plat::BI_RGB, RGB888});
    Bmp tail = make(2, 2, 32);
    tail.trailer = {1, 2, 3};
    v.push_back({"bytes_after_pixels", tail, plat::BI_RGB, RGB888});
    return v;
}
}  // namespace

INSTANTIATE_TEST_SUITE_P(Depths, BmpGood, ::testing::ValuesIn(good_cases()),
                         [](const auto& p) { return std::string(p.param.name); });

// ------------------------------------------------------------------ bad files
struct BadCase {
    const char* name;
    Bytes file;
    Status want;
};

namespace {
std::vector<BadCase> bad_cases() {
    std::vector<BadCase> v;
    const Bytes good = fixtures::bmp_file(make(4, 4, 24));
    auto cut = [&](std::size_t n) { return Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)); };
    auto patched32 = [&](std::size_t at, std::uint32_t val) {
        Bytes b = good;
        fixtures::put32(b, at, val);
        return b;
    };
    auto patched16 = [&](std::size_t at, std::uint16_t val) {
        Bytes b = good;
        fixtures::put16(b, at, val);
        return b;
    };
    v.push_back({"empty", {}, Status::Truncated});
    v.push_back({"short_file_header", cut(13), Status::Truncated});
    v.push_back({"short_info_header", cut(30), Status::Truncated});
    v.push_back({"pixels_one_byte_short", cut(good.size() - 1), Status::Truncated});
    Bytes mb = good;
    mb[0] = 'M';
    mb[1] = 'B';
    v.push_back({"magic_MB", mb, Status::NotBmp});
    v.push_back({"header_size_64", patched32(14, 64), Status::BadHeader});
    v.push_back({"header_size_0", patched32(14, 0), Status::BadHeader});
    v.push_back({"width_0", patched32(18, 0), Status::BadGeometry});
    v.push_back({"width_negative", patched32(18, 0xFFFFFFFFu), Status::BadGeometry});
    v.push_back({"height_0", patched32(22, 0), Status::BadGeometry});
    v.push_back({"height_int_min", patched32(22, 0x80000000u), Status::BadGeometry});
    v.push_back({"planes_2", patched16(26, 2), Status::BadGeometry});
    v.push_back({"bits_2", patched16(28, 2), Status::BadDepth});
    v.push_back({"bits_0", patched16(28, 0), Status::BadDepth});
    v.push_back({"bits_64", patched16(28, 64), Status::BadDepth});
    v.push_back({"bitfields_at_24_bits", patched32(30, plat::BI_BITFIELDS), Status::BadCompression});
    v.push_back({"jpeg", patched32(30, plat::BI_JPEG), Status::BadCompression});
    Bmp rle8 = make(4, 2, 8);
    rle8.compression = plat::BI_RLE8;
    v.push_back({"rle8", fixtures::bmp_file(rle8), Status::BadCompression});
    Bmp rle4 = make(4, 2, 4);
    rle4.compression = plat::BI_RLE4;
    v.push_back({"rle4", fixtures::bmp_file(rle4), Status::BadCompression});
    Bmp bf = make(2, 2, 16);
    bf.compression = plat::BI_BITFIELDS;
    const Bytes bfb = fixtures::bmp_file(bf);
    v.push_back({"masks_cut_off", Bytes(bfb.begin(), bfb.begin() + 14 + 40 + 6), Status::Truncated});
    const Bytes pal = fixtures::bmp_file(make(2, 2, 8));
    v.push_back({"colour_table_cut_off", Bytes(pal.begin(), pal.begin() + 14 + 40 + 100), Status::Truncated});
    v.push_back({"offset_past_end", patched32(10, 1u << 30), Status::Truncated});
    v.push_back({"offset_inside_header", patched32(10, 20), Status::BadHeader});
    // Headers that promise far more pixels than the file holds: refused
    // before anything is allocated.
    Bytes big = patched32(18, 100000);
    fixtures::put32(big, 22, 100000);
    v.push_back({"promises_30_GB", big, Status::Truncated});
    Bytes huge = patched32(18, 0x7FFFFFFF);
    fixtures::put32(huge, 22, 0x7FFFFFFF);
    fixtures::put16(huge, 28, 32);
    v.push_back({"row_beyond_32_bits", huge, Status::TooLarge});
    return v;
}
}  // namespace

class BmpBad : public BmpFiles, public ::testing::WithParamInterface<BadCase> {};

TEST_P(BmpBad, FailsCleanly) {
    const BadCase& c = GetParam();
    EXPECT_EQ(decode(c.file), c.want) << plat::bmp::status_text(decode(c.file));
    const std::string path = put("bad.bmp", c.file);
    const auto before = plat::gdi_live(plat::GdiKind::Bitmap);
    EXPECT_EQ(plat::LoadImageA(0, path.c_str(), plat::IMAGE_BITMAP, 0, 0, LOAD_FLAGS), 0u);
    EXPECT_EQ(plat::gdi_live(plat::GdiKind::Bitmap), before);
}

INSTANTIATE_TEST_SUITE_P(Damaged, BmpBad, ::testing::ValuesIn(bad_cases()),
                         [](const auto& p) { return std::string(p.param.name); });

// ------------------------------------------------------------------ LoadImageA
TEST_F(BmpFiles, LoadImageTakesOnlyBitmapsFromFiles) {
    const std::string path = put("a.bmp", fixtures::bmp_file(make(2, 2, 24)));
    EXPECT_EQ(plat::LoadImageA(0, (dir_ + "/missing.bmp").c_str(), plat::IMAGE_BITMAP, 0, 0, LOAD_FLAGS), 0u);
    EXPECT_EQ(plat::LoadImageA(0, dir_.c_str(), plat::IMAGE_BITMAP, 0, 0, LOAD_FLAGS), 0u);
    EXPECT_EQ(plat::LoadImageA(0, path.c_str(), plat::IMAGE_BITMAP, 0, 0, plat::LR_CREATEDIBSECTION), 0u);
    EXPECT_EQ(plat::LoadImageA(0, path.c_str(), plat::IMAGE_ICON, 0, 0, LOAD_FLAGS), 0u);
    EXPECT_EQ(plat::LoadImageA(0, path.c_str(), plat::IMAGE_BITMAP, 3, 3, LOAD_FLAGS), 0u);
    const plat::HANDLE h = plat::LoadImageA(0, path.c_str(), plat::IMAGE_BITMAP, 2, 2, LOAD_FLAGS);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(plat::GetObjectA(h, 0, nullptr), static_cast<std::int32_t>(sizeof(plat::BITMAP)));
    plat::BITMAP bm{};
    EXPECT_EQ(plat::GetObjectA(h, sizeof bm - 1, &bm), 0);
    EXPECT_EQ(plat::DeleteObject(h), 1);
}

TEST(BitmapCreate, ZeroFilledWithTableAndMasks) {
    const plat::RGBQUAD colors[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
    plat::Bitmap* b = nullptr;
    const plat::HBITMAP h = plat::bitmap_create(9, 3, 4, true, plat::BI_RGB, nullptr, colors, 2, &b);
    ASSERT_NE(h, 0u);
    ASSERT_EQ(b, plat::bitmap_find(h));
    EXPECT_EQ(b->stride, 8);
    EXPECT_EQ(b->pixel_bytes, 24u);
    EXPECT_TRUE(b->top_down);
    ASSERT_EQ(b->colors.size(), 16u);
    EXPECT_EQ(b->colors[1].rgbRed, 6);
    EXPECT_EQ(b->colors[2].rgbRed, 0);
    for (std::size_t i = 0; i < b->pixel_bytes; ++i) EXPECT_EQ(b->pixels[i], 0);
    EXPECT_EQ(plat::DeleteObject(h), 1);

    const plat::DWORD masks[4] = {0xF800, 0x7E0, 0x1F, 0};
    EXPECT_NE(plat::bitmap_create(1, 1, 16, false, plat::BI_BITFIELDS, masks, nullptr, 0, &b), 0u);
    EXPECT_EQ(b->red_mask, 0xF800u);
    EXPECT_EQ(plat::bitmap_create(1, 1, 24, false, plat::BI_BITFIELDS, masks, nullptr, 0), 0u);
    EXPECT_EQ(plat::bitmap_create(0, 1, 24, false, plat::BI_RGB, nullptr, nullptr, 0), 0u);
    EXPECT_EQ(plat::bitmap_create(1, 1, 7, false, plat::BI_RGB, nullptr, nullptr, 0), 0u);
    EXPECT_EQ(plat::bitmap_create(0x7FFFFFFF, 1, 32, false, plat::BI_RGB, nullptr, nullptr, 0), 0u);
}
