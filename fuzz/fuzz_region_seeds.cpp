// Writes the seed corpus of fuzz_region: small BMP files of every depth and
// row order, with and without magenta pixels, and one with enough runs to
// flush the rectangle buffer, made by the tests' fixture writers.
// Usage: fuzz_region_seeds DIR
#include <cstdio>
#include <string>

#include "tests/support/image_writers.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    int n = 0;
    for (int bits : {1, 4, 8, 16, 24, 32})
        for (bool top_down : {false, true}) {
            fixtures::Bmp b;
            b.width = 7;
            b.height = 5;
            b.bits = static_cast<std::uint16_t>(bits);
            b.top_down = top_down;
            if (bits <= 8) b.palette = {{255, 0, 255, 0}, {10, 20, 30, 0}, {255, 1, 255, 0}};
            const std::size_t rb = fixtures::row_bytes(b.width, bits);
            for (int y = 0; y < b.height; ++y)
                for (std::size_t i = 0; i < rb; ++i)
                    b.rows.push_back(static_cast<std::uint8_t>((i * 37 + static_cast<std::size_t>(y) * 11) & 0xFF));
            const std::string path = dir + "/seed_" + std::to_string(n++) + ".bmp";
            if (!fixtures::write_file(path, fixtures::bmp_file(b))) return 1;
        }
    // Enough one-pixel runs (2240) to flush the rectangle buffer mid-row.
    fixtures::Bmp many;
    many.width = 64;
    many.height = 70;
    many.bits = 1;
    many.palette = {{255, 0, 255, 0}, {0, 0, 0, 0}};
    for (int y = 0; y < many.height; ++y)
        for (int i = 0; i < 8; ++i) many.rows.push_back(y % 2 ? 0x55 : 0xAA);
    if (!fixtures::write_file(dir + "/seed_many_runs.bmp", fixtures::bmp_file(many))) return 1;
    return 0;
}
