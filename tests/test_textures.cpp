// BMP and TGA textures in a headless OpenGL context: what reaches the texture
// (read back with glGetTexImage), the slots, the filters and mipmap chains, the
// depth probe, and the range stops.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "Kalvox/KvxTextures.h"
#include "platform/seams.h"
#include "platform/win.h"
#include "tests/support/egl_context.h"
#include "tests/support/gltrace.h"
#include "tests/support/image_writers.h"

using fixtures::Bmp;
using fixtures::Bytes;
using fixtures::Tga;

namespace {

Bmp bmp(std::int32_t w, std::int32_t h, std::uint16_t bits) {
    Bmp s;
    s.width = w;
    s.height = h;
    s.bits = bits;
    s.rows.resize(fixtures::row_bytes(w, bits) * static_cast<std::size_t>(h));
    for (std::size_t i = 0; i < s.rows.size(); ++i) s.rows[i] = static_cast<std::uint8_t>(i * 29 + 7);
    return s;
}

// The stored B, G, R (, A) pixels of a 24- or 32-bit BMP as R, G, B (, A)
// texels, rows in stored order.
Bytes texels_of(const Bmp& s) {
    const std::size_t n = s.bits / 8u, rb = fixtures::row_bytes(s.width, s.bits);
    Bytes out;
    for (std::int32_t y = 0; y < s.height; ++y)
        for (std::int32_t x = 0; x < s.width; ++x) {
            const std::uint8_t* p = s.rows.data() + static_cast<std::size_t>(y) * rb + static_cast<std::size_t>(x) * n;
            out.insert(out.end(), {p[2], p[1], p[0]});
            if (n == 4) out.push_back(p[3]);
        }
    return out;
}

GLint level_param(GLint level, GLenum pname) {
    GLint v = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, pname, &v);
    return v;
}

// Level `level` of the bound texture as tightly packed bytes.
Bytes read_level(GLint level, GLenum format) {
    const GLint w = level_param(level, GL_TEXTURE_WIDTH), h = level_param(level, GL_TEXTURE_HEIGHT);
    const std::size_t n = format == GL_RGBA ? 4 : 3;
    Bytes out(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * n);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, out.data());
    return out;
}

GLuint bound() {
    GLint v = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &v);
    return static_cast<GLuint>(v);
}

class Textures : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(testgl::make_current(16, 16)); }
    void SetUp() override {
        dir_ = fixtures::make_temp_dir("tex");
        kvx::GL_MIN_FILTER = GL_LINEAR;
        kvx::GL_MAG_FILTER = GL_LINEAR;
        plat::seams::answer_message_boxes(plat::IDOK);
        plat::seams::clear_recorded_boxes();
    }
    void TearDown() override {
        plat::seams::stop_answering_message_boxes();
        kvx::GL_MIN_FILTER = GL_LINEAR;
        fixtures::remove_tree(dir_);
    }
    std::string put(const std::string& name, const Bytes& b) {
        const std::string p = dir_ + "/" + name;
        EXPECT_TRUE(fixtures::write_file(p, b));
        return p;
    }
    std::string dir_;
};

}  // namespace

TEST(Filters, StartLinear) {
    EXPECT_EQ(kvx::GL_MIN_FILTER, 0x2601);
    EXPECT_EQ(kvx::GL_MAG_FILTER, 0x2601);
}

TEST(SwapRgb, ExchangesFirstAndThirdBytesOnly) {
    std::uint8_t b[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    kvx::SWAPRGB(b, 2);
    EXPECT_EQ(Bytes(b, b + 8), (Bytes{3, 2, 1, 6, 5, 4, 7, 8}));
    kvx::SWAPRGB(b, 0);
    kvx::SWAPRGB(b, -5);
    EXPECT_EQ(Bytes(b, b + 8), (Bytes{3, 2, 1, 6, 5, 4, 7, 8}));
}

// ------------------------------------------------------------------ depth probe
TEST_F(Textures, DepthProbe) {
    EXPECT_EQ(kvx::GETBMPDEPTH((dir_ + "/missing.bmp").c_str()), 0);
    EXPECT_EQ(kvx::GETBMPDEPTH(dir_.c_str()), 0);
    Bmp mb = bmp(2, 2, 24);
    mb.magic = {'M', 'B'};
    EXPECT_EQ(kvx::GETBMPDEPTH(put("mb.bmp", fixtures::bmp_file(mb)).c_str()), 0);
    for (auto [size, want] : {std::pair{12u, 0}, {40u, 24}, {108u, 24}, {124u, 24}}) {
        Bmp s = bmp(8, 8, 24);  // large enough that even the core-header file has 54 bytes
        s.header_size = size;
        EXPECT_EQ(kvx::GETBMPDEPTH(put("h.bmp", fixtures::bmp_file(s)).c_str()), want) << size;
    }
    for (std::uint16_t bits : {1, 4, 8, 16, 32}) {
        EXPECT_EQ(kvx::GETBMPDEPTH(put("d.bmp", fixtures::bmp_file(bmp(4, 4, bits))).c_str()), bits);
    }
    // Files shorter than their two headers: 0, and the program goes on.
    const Bytes full = fixtures::bmp_file(bmp(4, 4, 24));
    for (std::size_t n : {0u, 2u, 13u, 14u, 53u}) {
        EXPECT_EQ(kvx::GETBMPDEPTH(put("short.bmp", Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n))).c_str()), 0) << n;
    }
    EXPECT_EQ(kvx::GETBMPDEPTH(put("exact.bmp", Bytes(full.begin(), full.begin() + 54)).c_str()), 24);
}

// ------------------------------------------------------------------ BMP textures
TEST_F(Textures, Bmp24FirstTexelIsFirstStoredPixel) {
    const Bmp s = bmp(4, 4, 24);
    kvx::TEXTURELOADID(put("a.bmp", fixtures::bmp_file(s)).c_str(), 3);
    ASSERT_NE(kvx::TEXTUREID2[3], 0u);
    EXPECT_EQ(bound(), kvx::TEXTUREID2[3]);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(level_param(0, GL_TEXTURE_INTERNAL_FORMAT), 3);
    const Bytes got = read_level(0, GL_RGB);
    EXPECT_EQ(got, texels_of(s));
    EXPECT_EQ(got[0], s.rows[2]);  // red of the first texel is the third stored byte
    EXPECT_EQ(got[2], s.rows[0]);
    EXPECT_EQ(level_param(1, GL_TEXTURE_WIDTH), 0);  // GL_LINEAR: no mipmaps
}

TEST_F(Textures, BmpOddWidthsKeepTheirColours) {
    for (std::int32_t w : {1, 3, 5, 7}) {
        const Bmp s = bmp(w, 3, 24);
        kvx::TEXTURELOADID(put("odd.bmp", fixtures::bmp_file(s)).c_str(), 1);
        EXPECT_EQ(read_level(0, GL_RGB), texels_of(s)) << w;
    }
}

TEST_F(Textures, Bmp32AlphaFromTheFourthByte) {
    const Bmp s = bmp(3, 2, 32);
    kvx::TEXTURELOADID(put("a32.bmp", fixtures::bmp_file(s)).c_str(), 2);
    EXPECT_EQ(level_param(0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA);
    EXPECT_EQ(read_level(0, GL_RGBA), texels_of(s));
}

TEST_F(Textures, UnusableFilesGiveANameWithoutImage) {
    Bmp eight = bmp(4, 4, 8);
    eight.palette.resize(256);
    Bmp core = bmp(8, 8, 24);
    core.header_size = 12;
    Bytes truncated = fixtures::bmp_file(bmp(8, 8, 24));  // the probe says 24, the load fails
    truncated.resize(truncated.size() - 10);
    const std::string files[] = {dir_ + "/missing.bmp", put("8.bmp", fixtures::bmp_file(eight)),
                                 put("core.bmp", fixtures::bmp_file(core)), put("cut.bmp", truncated)};
    const auto live = plat::seams::live_counts().bitmaps;
    for (const std::string& f : files) {
        const std::uint32_t before = kvx::TEXTUREID2[7];
        kvx::TEXTURELOADID(f.c_str(), 7);
        EXPECT_NE(kvx::TEXTUREID2[7], 0u) << f;
        EXPECT_NE(kvx::TEXTUREID2[7], before) << f;
        EXPECT_EQ(bound(), kvx::TEXTUREID2[7]);
        EXPECT_EQ(level_param(0, GL_TEXTURE_WIDTH), 0) << f;
    }
    EXPECT_EQ(plat::seams::live_counts().bitmaps, live);
    EXPECT_TRUE(plat::seams::recorded_boxes().empty());
}

TEST_F(Textures, BmpLoadStepsInOrder) {
    const std::string path = put("o.bmp", fixtures::bmp_file(bmp(4, 4, 32)));
    gltrace::Scope rec;
    kvx::TEXTURELOADID(path.c_str(), 9);
    const std::vector<gltrace::Call> want = {
        {"glEnable", {GL_TEXTURE_2D}},
        {"glGenTextures", {1}},
        {"glBindTexture", {GL_TEXTURE_2D, static_cast<double>(kvx::TEXTUREID2[9])}},
        {"glPixelStorei", {GL_UNPACK_ALIGNMENT, 4}},
        {"glPixelStorei", {GL_UNPACK_ROW_LENGTH, 0}},
        {"glPixelStorei", {GL_UNPACK_SKIP_ROWS, 0}},
        {"glPixelStorei", {GL_UNPACK_SKIP_PIXELS, 0}},
        {"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR}},
        {"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR}},
        {"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT}},
        {"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT}},
        {"glTexImage2D", {GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, 0x80E1, GL_UNSIGNED_BYTE}},
    };
    EXPECT_EQ(gltrace::calls(), want) << gltrace::to_string(gltrace::calls());
}

TEST_F(Textures, MipmapChainOnlyWithAMipmapFilter) {
    const Bmp s = bmp(8, 4, 24);
    const std::string path = put("m.bmp", fixtures::bmp_file(s));
    kvx::GL_MIN_FILTER = GL_LINEAR_MIPMAP_LINEAR;
    kvx::TEXTURELOADID(path.c_str(), 4);
    EXPECT_EQ(read_level(0, GL_RGB), texels_of(s));
    EXPECT_EQ(level_param(3, GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(level_param(3, GL_TEXTURE_HEIGHT), 1);
    GLint min = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
    EXPECT_EQ(min, GL_LINEAR_MIPMAP_LINEAR);
    kvx::GL_MIN_FILTER = GL_LINEAR;
    kvx::TEXTURELOADID(path.c_str(), 4);
    EXPECT_EQ(level_param(1, GL_TEXTURE_WIDTH), 0);
}

TEST_F(Textures, BmpSlotsReloadAndSelect) {
    EXPECT_EQ(kvx::TEXTUREID2[499], 0u);
    kvx::TEXTURESELECTID(499);
    EXPECT_EQ(bound(), 0u);

    const std::string path = put("r.bmp", fixtures::bmp_file(bmp(2, 2, 24)));
    kvx::TEXTURELOADID(path.c_str(), 500);
    const std::uint32_t first = kvx::TEXTUREID2[500];
    kvx::TEXTURELOADID(path.c_str(), 500);
    EXPECT_NE(kvx::TEXTUREID2[500], first);
    EXPECT_TRUE(glIsTexture(first));
    glBindTexture(GL_TEXTURE_2D, 0);
    kvx::TEXTURESELECTID(500);
    EXPECT_EQ(bound(), kvx::TEXTUREID2[500]);
}

// ------------------------------------------------------------------ TGA textures
namespace {
Tga tga(std::uint8_t type, std::uint16_t w, std::uint16_t h, std::uint8_t bpp, Bytes data) {
    return fixtures::make_tga(type, w, h, bpp, std::move(data));
}
Bytes pattern(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 13 + 5);
    return b;
}
// B, G, R (, A) file pixels as R, G, B (, A).
Bytes swapped(Bytes b, std::size_t bpp) {
    for (std::size_t i = 0; i + 2 < b.size(); i += bpp) std::swap(b[i], b[i + 2]);
    return b;
}
}  // namespace

TEST_F(Textures, Tga24WithOddRowLengthAndAlignmentRestored) {
    const Bytes px = pattern(3 * 2 * 3);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    kvx::TEXTURELOADTGAID(put("a.tga", fixtures::tga_file(tga(2, 3, 2, 24, px))).c_str(), 0);
    const kvx::TGATEXTURE& slot = kvx::TEXTURETGA2[0];
    EXPECT_EQ(slot.TYP, static_cast<std::uint32_t>(GL_RGB));
    EXPECT_EQ(slot.BPP, 24u);
    EXPECT_EQ(slot.WIDTH, 3u);
    EXPECT_EQ(slot.HEIGHT, 2u);
    EXPECT_EQ(slot.IMAGEDATA, nullptr);
    ASSERT_NE(slot.TEXID, 0u);
    EXPECT_EQ(bound(), slot.TEXID);
    EXPECT_EQ(level_param(0, GL_TEXTURE_INTERNAL_FORMAT), 3);
    EXPECT_EQ(read_level(0, GL_RGB), swapped(px, 3));
    GLint align = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &align);
    EXPECT_EQ(align, 8);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

TEST_F(Textures, Tga32RunLengthKeepsAlpha) {
    const Bytes px = pattern(4 * 3 * 4);
    const Bytes packets = fixtures::tga_rle_encode(px.data(), 12, 4);
    kvx::TEXTURELOADTGAID(put("b.tga", fixtures::tga_file(tga(10, 4, 3, 32, packets))).c_str(), 200);
    EXPECT_EQ(kvx::TEXTURETGA2[200].TYP, static_cast<std::uint32_t>(GL_RGBA));
    EXPECT_EQ(level_param(0, GL_TEXTURE_INTERNAL_FORMAT), 4);
    EXPECT_EQ(read_level(0, GL_RGBA), swapped(px, 4));
}

TEST_F(Textures, TgaEveryMipmapLevelHasLevel0Colours) {
    kvx::GL_MIN_FILTER = GL_LINEAR_MIPMAP_LINEAR;
    // Width 2 at 24 bits has 6-byte rows (the tightly packed upload).  GLU's
    // scaling of sizes that are not powers of two is left out: it loses the
    // last row when only the width is scaled.
    for (auto [bpp, w] : {std::pair{32, 8}, {24, 2}}) {
        const Bytes unit = bpp == 32 ? Bytes{10, 80, 200, 77} : Bytes{10, 80, 200};
        Bytes px;
        for (int i = 0; i < w * 4; ++i) px.insert(px.end(), unit.begin(), unit.end());
        kvx::TEXTURELOADTGAID(
            put("m.tga", fixtures::tga_file(tga(2, static_cast<std::uint16_t>(w), 4, static_cast<std::uint8_t>(bpp), px))).c_str(), 5);
        const GLenum fmt = bpp == 32 ? GL_RGBA : GL_RGB;
        const Bytes texel = swapped(unit, unit.size());
        int levels = 0;
        for (GLint level = 0; level_param(level, GL_TEXTURE_WIDTH) > 0; ++level, ++levels) {
            const Bytes got = read_level(level, fmt);
            for (std::size_t i = 0; i < got.size(); i += texel.size())
                ASSERT_EQ(Bytes(got.begin() + static_cast<std::ptrdiff_t>(i),
                                got.begin() + static_cast<std::ptrdiff_t>(i + texel.size())),
                          texel)
                    << "bpp " << bpp << " level " << level;
        }
        EXPECT_GE(levels, 3) << bpp;
    }
}

TEST_F(Textures, TgaMissingIsSilentAndBadFileLeavesSlot) {
    kvx::TEXTURELOADTGAID(put("good.tga", fixtures::tga_file(tga(2, 2, 2, 24, pattern(12)))).c_str(), 7);
    const kvx::TGATEXTURE before = kvx::TEXTURETGA2[7];
    ASSERT_NE(before.TEXID, 0u);

    kvx::TEXTURELOADTGAID((dir_ + "/missing.tga").c_str(), 7);
    kvx::TEXTURELOADTGAID((dir_ + "/missing.tga").c_str(), 201);  // missing: no range stop
    EXPECT_TRUE(plat::seams::recorded_boxes().empty());

    kvx::TEXTURELOADTGAID(put("bad.tga", fixtures::tga_file(tga(2, 9, 9, 16, pattern(9 * 9 * 2)))).c_str(), 7);
    ASSERT_EQ(plat::seams::recorded_boxes().size(), 1u);
    EXPECT_EQ(plat::seams::recorded_boxes()[0].text, "Invalid texture information");
    const kvx::TGATEXTURE& after = kvx::TEXTURETGA2[7];
    EXPECT_EQ(after.TEXID, before.TEXID);
    EXPECT_EQ(after.WIDTH, before.WIDTH);
    EXPECT_EQ(after.BPP, before.BPP);
    EXPECT_EQ(after.IMAGEDATA, nullptr);
    EXPECT_TRUE(glIsTexture(before.TEXID));
}

TEST_F(Textures, TgaAndBmpSlotsAreSeparate) {
    kvx::TEXTURETGASELECTID(150);
    EXPECT_EQ(bound(), 0u);
    kvx::TEXTURELOADID(put("s.bmp", fixtures::bmp_file(bmp(2, 2, 24))).c_str(), 0);
    kvx::TEXTURELOADTGAID(put("s.tga", fixtures::tga_file(tga(2, 2, 2, 24, pattern(12)))).c_str(), 0);
    const std::uint32_t b = kvx::TEXTUREID2[0], t = kvx::TEXTURETGA2[0].TEXID;
    EXPECT_NE(b, 0u);
    EXPECT_NE(t, 0u);
    EXPECT_NE(b, t);
    kvx::TEXTURESELECTID(0);
    EXPECT_EQ(bound(), b);
    kvx::TEXTURETGASELECTID(0);
    EXPECT_EQ(bound(), t);
    EXPECT_EQ(kvx::TEXTUREID2[0], b);
}

// ------------------------------------------------------------------ range stops
// The children of a death test run the test again from its start; the
// fixture files go to fixed names in the working directory so that no child
// leaves a directory behind, and the parent removes them.
TEST(TexturesDeathTest, SlotsOutOfRangeStop) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_TRUE(testgl::make_current(16, 16));
    Bmp s;
    s.width = 2;
    s.height = 2;
    s.rows.assign(12, 9);
    const std::string b = "death_fixture.bmp", t = "death_fixture.tga";
    ASSERT_TRUE(fixtures::write_file(b, fixtures::bmp_file(s)));
    ASSERT_TRUE(fixtures::write_file(t, fixtures::tga_file(tga(2, 2, 2, 24, pattern(12)))));
    for (int bad : {501, -1}) {
        EXPECT_EXIT(kvx::TEXTURELOADID(b.c_str(), bad), ::testing::ExitedWithCode(201), "range check") << bad;
        EXPECT_EXIT(kvx::TEXTURESELECTID(bad), ::testing::ExitedWithCode(201), "range check") << bad;
    }
    for (int bad : {201, -1}) {
        EXPECT_EXIT(kvx::TEXTURELOADTGAID(t.c_str(), bad), ::testing::ExitedWithCode(201), "range check") << bad;
        EXPECT_EXIT(kvx::TEXTURETGASELECTID(bad), ::testing::ExitedWithCode(201), "range check") << bad;
    }
    std::remove(b.c_str());
    std::remove(t.c_str());
}
