// BMP and TGA fixture writers (see image_writers.h).
#include "tests/support/image_writers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <filesystem>
#include <system_error>

namespace fixtures {

namespace {
void add16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void add32(Bytes& b, std::uint32_t v) {
    add16(b, v & 0xFFFF);
    add16(b, v >> 16);
}
}  // namespace

std::size_t row_bytes(std::int32_t width, int bits) {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 7) / 8;
}
std::size_t padded_row_bytes(std::int32_t width, int bits) {
    return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32) * 4;
}

Bytes bmp_padded_rows(const Bmp& s) {
    const std::size_t rb = row_bytes(s.width, s.bits), pb = padded_row_bytes(s.width, s.bits);
    Bytes out;
    for (std::size_t at = 0; at + rb <= s.rows.size() && rb > 0; at += rb) {
        out.insert(out.end(), s.rows.begin() + static_cast<std::ptrdiff_t>(at),
                   s.rows.begin() + static_cast<std::ptrdiff_t>(at + rb));
        out.insert(out.end(), pb - rb, 0);
    }
    return out;
}

Bmp bmp24(std::int32_t w, std::int32_t h, const std::function<std::uint32_t(int, int)>& colour) {
    Bmp b;
    b.width = w;
    b.height = h;
    b.bits = 24;
    for (int k = 0; k < h; ++k) {  // bottom row first
        const int y = h - 1 - k;
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = colour(x, y);
            b.rows.push_back(static_cast<std::uint8_t>(c));
            b.rows.push_back(static_cast<std::uint8_t>(c >> 8));
            b.rows.push_back(static_cast<std::uint8_t>(c >> 16));
        }
    }
    return b;
}

Bytes bmp_file(const Bmp& s) {
    const bool core = s.header_size == 12;
    const bool outside_masks = s.header_size == 40 && (s.compression == 3 || s.compression == 6);
    const std::size_t mask_bytes = outside_masks ? (s.write_alpha_mask || s.compression == 6 ? 16 : 12) : 0;
    const std::size_t entry = core ? 3 : 4;
    const std::size_t table = s.palette.size() * entry;
    const std::size_t header_end = 14 + static_cast<std::size_t>(s.header_size) + mask_bytes + table;
    const std::uint32_t off = s.off_bits < 0 ? static_cast<std::uint32_t>(header_end)
                                             : static_cast<std::uint32_t>(s.off_bits);
    const Bytes pixels = bmp_padded_rows(s);

    Bytes b;
    b.push_back(static_cast<std::uint8_t>(s.magic[0]));
    b.push_back(static_cast<std::uint8_t>(s.magic[1]));
    add32(b, static_cast<std::uint32_t>(header_end + pixels.size() + s.trailer.size()));
    add32(b, 0);
    add32(b, off);

    const std::size_t info_at = b.size();
    add32(b, s.header_size);
    if (core) {
        add16(b, static_cast<std::uint32_t>(s.width));
        add16(b, static_cast<std::uint32_t>(s.height));
        add16(b, s.planes);
        add16(b, s.bits);
    } else {
        add32(b, static_cast<std::uint32_t>(s.width));
        add32(b, static_cast<std::uint32_t>(s.top_down ? -s.height : s.height));
        add16(b, s.planes);
        add16(b, s.bits);
        add32(b, s.compression);
        add32(b, static_cast<std::uint32_t>(pixels.size()));
        add32(b, 2835);
        add32(b, 2835);
        add32(b, s.clr_used);
        add32(b, 0);
        for (std::size_t i = 0; i < 4 && b.size() - info_at + 4 <= s.header_size; ++i) add32(b, s.masks[i]);
        if (s.header_size >= 108 && b.size() - info_at + 4 <= s.header_size) add32(b, 0x73524742);  // 'sRGB'
    }
    // Whatever else the header size claims is zero (colour space, gamma, ...).
    while (b.size() - info_at < s.header_size) b.push_back(0);
    if (outside_masks) {
        for (std::size_t i = 0; i < mask_bytes / 4; ++i) add32(b, s.masks[i]);
    }
    for (const Bgra& c : s.palette) {
        b.push_back(c.b);
        b.push_back(c.g);
        b.push_back(c.r);
        if (!core) b.push_back(c.a);
    }
    while (b.size() < off) b.push_back(0);
    b.insert(b.end(), pixels.begin(), pixels.end());
    b.insert(b.end(), s.trailer.begin(), s.trailer.end());
    return b;
}

Tga make_tga(std::uint8_t type, std::uint16_t w, std::uint16_t h, std::uint8_t bpp, Bytes data) {
    Tga t;
    t.head[2] = type;
    t.width = w;
    t.height = h;
    t.bpp = bpp;
    t.data = std::move(data);
    return t;
}

Bytes tga_file(const Tga& s) {
    Bytes b(s.head.begin(), s.head.end());
    add16(b, s.width);
    add16(b, s.height);
    b.push_back(s.bpp);
    b.push_back(s.descriptor);
    b.insert(b.end(), s.data.begin(), s.data.end());
    return b;
}

Bytes tga_rle_encode(const std::uint8_t* data, std::size_t pixels, int bpp) {
    const auto n = static_cast<std::size_t>(bpp);
    auto same = [&](std::size_t i, std::size_t j) { return std::memcmp(data + i * n, data + j * n, n) == 0; };
    Bytes out;
    std::size_t i = 0;
    while (i < pixels) {
        std::size_t run = 1;
        while (i + run < pixels && run < 128 && same(i, i + run)) ++run;
        if (run >= 2) {
            out.push_back(static_cast<std::uint8_t>(127 + run));
            out.insert(out.end(), data + i * n, data + (i + 1) * n);
            i += run;
            continue;
        }
        // Raw packet: up to the next pair of equal pixels.
        std::size_t raw = 1;
        while (i + raw < pixels && raw < 128 && !(i + raw + 1 < pixels && same(i + raw, i + raw + 1))) ++raw;
        out.push_back(static_cast<std::uint8_t>(raw - 1));
        out.insert(out.end(), data + i * n, data + (i + raw) * n);
        i += raw;
    }
    return out;
}

bool write_file(const std::string& path, const Bytes& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

void put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b.at(at) = static_cast<std::uint8_t>(v);
    b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}
void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    put16(b, at, static_cast<std::uint16_t>(v));
    put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

std::string make_temp_dir(const char* tag) {
    std::string tmpl = (std::filesystem::temp_directory_path() / (std::string("kvx-") + tag + "-XXXXXX")).string();
    if (::mkdtemp(tmpl.data()) == nullptr) return {};
    return tmpl;
}

void remove_tree(const std::string& dir) {
    std::error_code ec;
    if (!dir.empty()) std::filesystem::remove_all(dir, ec);
}

}  // namespace fixtures
