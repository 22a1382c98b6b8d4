// Writes the seed corpora of the texture fuzzers with the tests' fixture
// writers: fuzz_texture_seeds <dir> makes <dir>/bmp and <dir>/tga.
#include <cstdio>
#include <filesystem>
#include <string>

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
    for (std::size_t i = 0; i < s.rows.size(); ++i) s.rows[i] = static_cast<std::uint8_t>(i * 31 + 3);
    if (bits <= 8)
        for (int i = 0; i < (1 << bits); ++i)
            s.palette.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i ^ 0x5A), 7, 0});
    return s;
}
Tga tga(std::uint8_t type, std::uint16_t w, std::uint16_t h, std::uint8_t bpp) {
    Bytes px(static_cast<std::size_t>(w) * h * (bpp / 8));
    for (std::size_t i = 0; i < px.size(); ++i) px[i] = static_cast<std::uint8_t>((i / 7) * 3);
    return fixtures::make_tga(type, w, h, bpp,
                              type == fixtures::TGA_RLE
                                  ? fixtures::tga_rle_encode(px.data(), px.size() / (bpp / 8), bpp / 8)
                                  : px);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus dir>\n", argv[0]);
        return 2;
    }
    const std::string root = argv[1];
    std::filesystem::create_directories(root + "/bmp");
    std::filesystem::create_directories(root + "/tga");
    int n = 0;
    auto put = [&](const std::string& sub, const std::string& name, const Bytes& b) {
        if (!fixtures::write_file(root + "/" + sub + "/" + name, b)) std::perror(name.c_str());
        ++n;
    };
    for (std::uint16_t bits : {1, 4, 8, 16, 24, 32}) {
        put("bmp", "d" + std::to_string(bits) + ".bmp", fixtures::bmp_file(bmp(5, 3, bits)));
        Bmp td = bmp(3, 2, bits);
        td.top_down = true;
        put("bmp", "td" + std::to_string(bits) + ".bmp", fixtures::bmp_file(td));
    }
    for (std::uint32_t hs : {12u, 52u, 56u, 108u, 124u}) {
        Bmp s = bmp(4, 2, hs == 12 ? 8 : 24);
        s.header_size = hs;
        put("bmp", "h" + std::to_string(hs) + ".bmp", fixtures::bmp_file(s));
    }
    Bmp bf = bmp(3, 3, 16);
    bf.compression = 3;
    bf.masks = {0xF800, 0x7E0, 0x1F, 0};
    put("bmp", "bitfields16.bmp", fixtures::bmp_file(bf));
    Bmp bf32 = bmp(2, 2, 32);
    bf32.compression = 3;
    bf32.header_size = 56;
    bf32.masks = {0xFF, 0xFF00, 0xFF0000, 0xFF000000};
    put("bmp", "bitfields32.bmp", fixtures::bmp_file(bf32));
    Bmp few = bmp(4, 2, 8);
    few.palette.resize(5);
    few.clr_used = 5;
    put("bmp", "clrused.bmp", fixtures::bmp_file(few));
    Bmp rle = bmp(4, 2, 8);
    rle.compression = 1;
    put("bmp", "rle8.bmp", fixtures::bmp_file(rle));

    for (std::uint8_t type : {fixtures::TGA_UNCOMPRESSED, fixtures::TGA_RLE})
        for (std::uint8_t bpp : {24, 32}) {
            const std::string tag = std::to_string(type) + "_" + std::to_string(bpp);
            put("tga", "small" + tag + ".tga", fixtures::tga_file(tga(type, 5, 3, bpp)));
            put("tga", "wide" + tag + ".tga", fixtures::tga_file(tga(type, 130, 2, bpp)));
        }
    std::printf("%d seeds in %s\n", n, root.c_str());
    return 0;
}
