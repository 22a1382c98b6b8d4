// Writers shared by the programs that paint data files at build time (the
// meadow's textures, the button example's pictures): little-endian fields,
// 24-bit BMP encoding and whole-file writes that never leave half a file.
// Depends on the C++ standard library only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace datafiles {

void put16(std::vector<std::uint8_t>& v, unsigned x);
void put32(std::vector<std::uint8_t>& v, std::uint32_t x);

// Writes the bytes to `path` through a temporary file renamed into place, so a
// build never sees half a file.  False on any failure.
bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes);

// A 24-bit bottom-up Windows BMP (40-byte header, BI_RGB).  rgb: w*h pixels,
// rows bottom-up, R, G, B each.
std::vector<std::uint8_t> encode_bmp24(int w, int h, const std::vector<std::uint8_t>& rgb);

}  // namespace datafiles
