// Small writers of BMP and TGA files for tests, benchmarks and fuzzing seeds.
// They write what they are told, including headers a reader must refuse, so
// every fixture is made here from known bytes.  Depends on the C++ library only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fixtures {

using Bytes = std::vector<std::uint8_t>;

// A colour-table entry as stored in a BMP file: blue, green, red, reserved.
struct Bgra {
    std::uint8_t b = 0, g = 0, r = 0, a = 0;
};

// A Windows BMP file.  `rows` holds the pixel rows in stored order (the
// bottom row first for a bottom-up file), each row_bytes(width, bits) bytes,
// unpadded; the writer pads every row to a multiple of 4 with zeros.
struct Bmp {
    std::int32_t width = 1;
    std::int32_t height = 1;        // positive; top_down writes it negated
    bool top_down = false;
    std::uint16_t bits = 24;        // written as is: 1, 4, 8, 16, 24, 32 or anything
    std::uint32_t header_size = 40; // 12 (core), 40, 52, 56, 108, 124, or anything
    std::uint32_t compression = 0;  // BI_RGB 0, BI_RLE8 1, BI_RLE4 2, BI_BITFIELDS 3, ...
    std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha (for bit fields)
    // With a 40-byte header and BI_BITFIELDS the three masks follow the header
    // (four with write_alpha_mask); larger headers carry them inside.
    bool write_alpha_mask = false;
    std::vector<Bgra> palette;      // colour table as written (3 bytes each for the core header)
    std::uint32_t clr_used = 0;     // biClrUsed as written
    std::uint16_t planes = 1;
    std::array<char, 2> magic{'B', 'M'};
    std::int64_t off_bits = -1;     // bfOffBits; -1 = just after the colour table
    Bytes rows;                     // unpadded rows as stored
    Bytes trailer;                  // bytes appended after the pixel array
};

// A bottom-up 24-bit picture of w x h pixels; colour(x, y) gives each pixel
// as 0x00RRGGBB, y = 0 being the top row.
Bmp bmp24(std::int32_t w, std::int32_t h, const std::function<std::uint32_t(int, int)>& colour);

// Bytes of one unpadded row and of one padded row.
std::size_t row_bytes(std::int32_t width, int bits);
std::size_t padded_row_bytes(std::int32_t width, int bits);

// The whole file.
Bytes bmp_file(const Bmp& desc);

// The pixel array as a reader should hold it in memory: the rows padded to 4.
Bytes bmp_padded_rows(const Bmp& desc);

// A TGA file: 12 header bytes (0..11), width, height, depth, descriptor, then
// the pixel data exactly as given (raw pixels or run-length packets).
struct Tga {
    std::array<std::uint8_t, 12> head{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::uint16_t width = 1;
    std::uint16_t height = 1;
    std::uint8_t bpp = 24;
    std::uint8_t descriptor = 0;
    Bytes data;
};
constexpr std::uint8_t TGA_UNCOMPRESSED = 2;
constexpr std::uint8_t TGA_RLE = 10;

Bytes tga_file(const Tga& desc);
// A TGA description with the usual header, image type `type` and the given
// size, depth and pixel data.
Tga make_tga(std::uint8_t type, std::uint16_t w, std::uint16_t h, std::uint8_t bpp, Bytes data);

// Run-length packets for `pixels` pixels of `bytes_per_pixel` bytes each, as
// a plain encoder writes them: runs of two or more equal pixels become run
// packets, the rest raw packets, each at most 128 pixels; packets run across
// rows.
Bytes tga_rle_encode(const std::uint8_t* data, std::size_t pixels, int bytes_per_pixel);

// Writes bytes to a file; true on success.
bool write_file(const std::string& path, const Bytes& bytes);

// Little-endian patching of a written file (to make damaged fixtures).
void put16(Bytes& b, std::size_t at, std::uint16_t v);
void put32(Bytes& b, std::size_t at, std::uint32_t v);

// A fresh, empty directory under the system's temporary directory, removed
// with everything in it by remove_tree.
std::string make_temp_dir(const char* tag);
void remove_tree(const std::string& dir);

}  // namespace fixtures
