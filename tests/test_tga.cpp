// The TGA reader: decoded pixels of uncompressed and run-length files, and
// exactly one message (with its caption) for every way a file can be wrong.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "Kalvox/KvxTextures.h"
#include "platform/seams.h"
#include "platform/win.h"
#include "tests/support/image_writers.h"

using fixtures::Bytes;
using fixtures::Tga;

namespace {

Tga tga(std::uint8_t type, std::uint16_t w, std::uint16_t h, std::uint8_t bpp, Bytes data) {
    return fixtures::make_tga(type, w, h, bpp, std::move(data));
}

Bytes repeat(const Bytes& unit, std::size_t times) {
    Bytes out;
    for (std::size_t i = 0; i < times; ++i) out.insert(out.end(), unit.begin(), unit.end());
    return out;
}

Bytes cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

constexpr std::uint8_t U = fixtures::TGA_UNCOMPRESSED;
constexpr std::uint8_t C = fixtures::TGA_RLE;

struct Case {
    const char* name;
    Bytes file;            // empty with missing = true: no file at all
    const char* message;   // nullptr: the load succeeds
    const char* caption;
    Bytes pixels;          // expected IMAGEDATA on success
    std::uint32_t bpp = 24;
    bool missing = false;
};

Bytes seq(int from, int to) {
    Bytes b;
    for (int i = from; i <= to; ++i) b.push_back(static_cast<std::uint8_t>(i));
    return b;
}

std::vector<Case> cases() {
    std::vector<Case> v;
    const Bytes two_by_two = fixtures::tga_file(tga(U, 2, 2, 24, seq(1, 12)));
    const Bytes swapped_2x2 = {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10};
    v.push_back({"uncompressed_24", two_by_two, nullptr, nullptr, swapped_2x2});
    Tga desc = tga(U, 2, 2, 24, seq(1, 12));
    desc.descriptor = 0x20;
    v.push_back({"descriptor_top_left_ignored", fixtures::tga_file(desc), nullptr, nullptr, swapped_2x2});
    v.push_back({"uncompressed_32_keeps_alpha", fixtures::tga_file(tga(U, 1, 2, 32, seq(1, 8))), nullptr, nullptr,
                 {3, 2, 1, 4, 7, 6, 5, 8}, 32});
    v.push_back({"uncompressed_bytes_after_the_end", cat(two_by_two, {0xEE, 0xEE, 0xEE}), nullptr, nullptr,
                 swapped_2x2});
    v.push_back({"rle_run_0x83", fixtures::tga_file(tga(C, 4, 1, 24, {0x83, 10, 20, 30})), nullptr, nullptr,
                 repeat({30, 20, 10}, 4)});
    v.push_back({"rle_raw_127_carries_128", fixtures::tga_file(tga(C, 128, 1, 24, cat({127}, repeat({1, 2, 3}, 128)))),
                 nullptr, nullptr, repeat({3, 2, 1}, 128)});
    v.push_back({"rle_runs_255_and_128", fixtures::tga_file(tga(C, 129, 1, 32, {255, 1, 2, 3, 4, 128, 5, 6, 7, 8})),
                 nullptr, nullptr, cat(repeat({3, 2, 1, 4}, 128), {7, 6, 5, 8}), 32});
    // A raw packet running from the first row into the second, then a run.
    v.push_back({"rle_packets_cross_rows",
                 fixtures::tga_file(tga(C, 2, 2, 24, {2, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0x80, 10, 11, 12})), nullptr,
                 nullptr, swapped_2x2});
    v.push_back({"rle_exact_end_then_bytes", fixtures::tga_file(tga(C, 2, 1, 24, {0x81, 1, 2, 3, 0x85, 9})), nullptr,
                 nullptr, {3, 2, 1, 3, 2, 1}});

    v.push_back({"missing_file", {}, "Could not open texture file", "ERROR", {}, 24, true});
    v.push_back({"eleven_bytes", Bytes(two_by_two.begin(), two_by_two.begin() + 11), "Could not read file header",
                 "ERROR", {}});
    v.push_back({"only_the_12_header_bytes", Bytes(two_by_two.begin(), two_by_two.begin() + 12),
                 "Could not read info header", "ERROR", {}});
    for (auto [name, at, val] : {std::tuple{"type_3_grey", 2, 3}, std::tuple{"type_1_colour_mapped", 2, 1},
                                 std::tuple{"image_id_length_1", 0, 1}, std::tuple{"x_origin_5", 8, 5}}) {
        Bytes b = two_by_two;
        b[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(val);
        v.push_back({name, b, "TGA file be type 2 or type 10", "Invalid Image", {}});
    }
    v.push_back({"depth_16", fixtures::tga_file(tga(U, 2, 2, 16, seq(1, 8))), "Invalid texture information", "ERROR", {}});
    v.push_back({"depth_8_rle", fixtures::tga_file(tga(C, 2, 2, 8, {0x83, 1})), "Invalid texture information", "ERROR", {}});
    v.push_back({"width_0", fixtures::tga_file(tga(U, 0, 2, 24, {})), "Invalid texture information", "ERROR", {}});
    v.push_back({"height_0", fixtures::tga_file(tga(C, 2, 0, 32, {})), "Invalid texture information", "ERROR", {}});
    v.push_back({"uncompressed_one_byte_short", Bytes(two_by_two.begin(), two_by_two.end() - 1),
                 "Could not read image data", "ERROR", {}});
    v.push_back({"uncompressed_claims_far_more", fixtures::tga_file(tga(U, 20000, 20000, 24, seq(1, 30))),
                 "Could not read image data", "ERROR", {}});
    v.push_back({"uncompressed_beyond_one_block_read", fixtures::tga_file(tga(U, 65535, 16384, 24, {})),
                 "Could not allocate memory for image", "ERROR", {}});
    v.push_back({"size_beyond_32_bits", fixtures::tga_file(tga(C, 65535, 65535, 32, {})),
                 "Could not allocate memory for image", "ERROR", {}});
    v.push_back({"rle_ends_after_a_packet", fixtures::tga_file(tga(C, 2, 2, 24, {0x81, 1, 2, 3})),
                 "Could not read RLE header", "ERROR", {}});
    v.push_back({"rle_ends_inside_raw_packet", fixtures::tga_file(tga(C, 2, 2, 24, {0x01, 1, 2, 3, 4})),
                 "Could not read image data", "ERROR", {}});
    v.push_back({"rle_ends_after_run_header", fixtures::tga_file(tga(C, 2, 2, 24, {0x81})),
                 "Could not read from file", "ERROR", {}});
    v.push_back({"rle_run_of_5_in_4_pixels_32", fixtures::tga_file(tga(C, 2, 2, 32, {0x84, 1, 2, 3, 4})),
                 "Too many pixels read", "ERROR", {}});
    v.push_back({"rle_run_of_5_in_4_pixels_24", fixtures::tga_file(tga(C, 2, 2, 24, {0x84, 1, 2, 3})),
                 "Too many pixels read", "ERROR", {}});
    v.push_back({"rle_raw_packet_past_the_end", fixtures::tga_file(tga(C, 2, 1, 24, cat({2}, seq(1, 9)))),
                 "Too many pixels read", "ERROR", {}});
    // The surplus pixel is read before it is found to be surplus.
    v.push_back({"rle_raw_packet_past_the_end_cut_short", fixtures::tga_file(tga(C, 2, 1, 24, cat({2}, seq(1, 7)))),
                 "Could not read image data", "ERROR", {}});
    return v;
}

class TgaReader : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        dir_ = fixtures::make_temp_dir("tga");
        plat::seams::answer_message_boxes(plat::IDOK);
        plat::seams::clear_recorded_boxes();
    }
    void TearDown() override {
        plat::seams::stop_answering_message_boxes();
        fixtures::remove_tree(dir_);
    }
    std::string dir_;
};

}  // namespace

TEST_P(TgaReader, DecodesOrShowsOneMessage) {
    const Case& c = GetParam();
    const std::string path = dir_ + "/t.tga";
    if (!c.missing) {
        ASSERT_TRUE(fixtures::write_file(path, c.file));
    }

    kvx::TGATEXTURE t{};
    t.TEXID = 77;
    const bool ok = kvx::LOADTGA(t, path.c_str());
    EXPECT_FALSE(kvx::FTGA.is_open());
    EXPECT_EQ(t.TEXID, 77u);
    const auto& boxes = plat::seams::recorded_boxes();
    if (c.message == nullptr) {
        ASSERT_TRUE(ok);
        EXPECT_TRUE(boxes.empty());
        ASSERT_NE(t.IMAGEDATA, nullptr);
        EXPECT_EQ(t.BPP, c.bpp);
        EXPECT_EQ(t.TYP, c.bpp == 24 ? static_cast<std::uint32_t>(GL_RGB) : static_cast<std::uint32_t>(GL_RGBA));
        EXPECT_EQ(Bytes(t.IMAGEDATA, t.IMAGEDATA + t.WIDTH * t.HEIGHT * t.BPP / 8), c.pixels);
        std::free(t.IMAGEDATA);
    } else {
        EXPECT_FALSE(ok);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.message);
        EXPECT_EQ(boxes[0].caption, c.caption);
        EXPECT_EQ(boxes[0].style, plat::MB_OK);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, TgaReader, ::testing::ValuesIn(cases()),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(TgaReaderState, KeepsTheLastHeadersAndUsesTheWholeFileName) {
    // A path well beyond 255 characters.
    std::string dir = fixtures::make_temp_dir("tga-long");
    std::string deep = dir;
    for (int i = 0; i < 3; ++i) deep += "/" + std::string(120, static_cast<char>('a' + i));
    std::filesystem::create_directories(deep);
    const std::string path = deep + "/picture.tga";
    ASSERT_GT(path.size(), 360u);
    ASSERT_TRUE(fixtures::write_file(path, fixtures::tga_file(tga(C, 3, 1, 32, {0x82, 1, 2, 3, 4}))));

    plat::seams::answer_message_boxes(plat::IDOK);
    plat::seams::clear_recorded_boxes();
    kvx::TGATEXTURE t{};
    ASSERT_TRUE(kvx::LOADTGA(t, path.c_str()));
    EXPECT_TRUE(plat::seams::recorded_boxes().empty());
    std::free(t.IMAGEDATA);
    EXPECT_EQ(kvx::TGAHEADER.HEADER[2], 10);
    EXPECT_EQ(kvx::TGA.WIDTH, 3u);
    EXPECT_EQ(kvx::TGA.HEIGH, 1u);
    EXPECT_EQ(kvx::TGA.BPP, 32u);
    EXPECT_EQ(kvx::TGA.BYTESPERPIXEL, 4u);
    EXPECT_EQ(kvx::TGA.IMAGESIZE, 12u);
    plat::seams::stop_answering_message_boxes();
    fixtures::remove_tree(dir);
}
