// Shared writers of the build-time data painters (see tools/data_writers.h).
#include "tools/data_writers.h"

#include <cstdio>

namespace datafiles {

void put16(std::vector<std::uint8_t>& v, unsigned x) {
    v.push_back(static_cast<std::uint8_t>(x & 0xFF));
    v.push_back(static_cast<std::uint8_t>((x >> 8) & 0xFF));
}
void put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

// Writes the bytes to `path` through a temporary file renamed into place, so a
// build never sees half a file.  False on any failure.
bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    const std::string tmp = path + ".tmp";
    std::FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok) {
        std::remove(tmp.c_str());
        return false;
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

// rgb: width*height pixels, rows bottom-up, R,G,B each.
std::vector<std::uint8_t> encode_bmp24(int w, int h, const std::vector<std::uint8_t>& rgb) {
    const std::uint32_t row = static_cast<std::uint32_t>((w * 3 + 3) & ~3);
    const std::uint32_t image = row * static_cast<std::uint32_t>(h);
    std::vector<std::uint8_t> v;
    v.reserve(54 + image);
    v.push_back('B');
    v.push_back('M');
    put32(v, 54 + image);  // bfSize
    put16(v, 0);           // bfReserved1
    put16(v, 0);           // bfReserved2
    put32(v, 54);          // bfOffBits
    put32(v, 40);          // biSize
    put32(v, static_cast<std::uint32_t>(w));
    put32(v, static_cast<std::uint32_t>(h));  // positive: bottom-up
    put16(v, 1);                              // biPlanes
    put16(v, 24);                             // biBitCount
    put32(v, 0);                              // biCompression = BI_RGB
    put32(v, image);                          // biSizeImage
    put32(v, 2835);                           // 72 dpi
    put32(v, 2835);
    put32(v, 0);  // biClrUsed
    put32(v, 0);  // biClrImportant
    for (int y = 0; y < h; ++y) {
        std::uint32_t n = 0;
        for (int x = 0; x < w; ++x) {
            const std::size_t p = (static_cast<std::size_t>(y) * w + x) * 3;
            v.push_back(rgb[p + 2]);
            v.push_back(rgb[p + 1]);
            v.push_back(rgb[p + 0]);
            n += 3;
        }
        for (; n < row; ++n) v.push_back(0);
    }
    return v;
}

}  // namespace datafiles
