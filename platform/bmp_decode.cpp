// The BMP decoder: headers, masks, colour table and the uncompressed pixel
// array of Windows BMP files, read through a bounded Reader.
// Depends on platform/bmp_decode.h, runtime/ (File) and POSIX lseek.
#include "platform/bmp_decode.h"

#include <unistd.h>

#include <cstring>
#include <limits>

namespace plat::bmp {

// ------------------------------------------------------------------ readers
bool MemoryReader::read(void* dst, std::size_t n) {
    if (n > n_ - pos_) return false;
    if (n > 0) std::memcpy(dst, data_ + pos_, n);
    pos_ += n;
    return true;
}

bool MemoryReader::skip(std::uint64_t n) {
    if (n > n_ - pos_) return false;
    pos_ += static_cast<std::size_t>(n);
    return true;
}

FileReader::FileReader(rt::File& f) : f_(f) {
    const long long s = f.size();
    const long long at = f.tell();
    ok_ = s >= 0 && at >= 0 && at <= s;
    if (ok_) {
        size_ = static_cast<std::uint64_t>(s);
        pos_ = static_cast<std::uint64_t>(at);
    }
}

bool FileReader::read(void* dst, std::size_t n) {
    if (!ok_ || n > remaining()) return false;
    const long long got = f_.read(dst, n);
    if (got < 0 || static_cast<std::uint64_t>(got) != n) {
        ok_ = false;
        return false;
    }
    pos_ += n;
    return true;
}

bool FileReader::skip(std::uint64_t n) {
    if (!ok_ || n > remaining()) return false;
    if (n == 0) return true;
    const std::uint64_t to = pos_ + n;
    if (to > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) ||
        ::lseek(f_.fd(), static_cast<off_t>(to), SEEK_SET) < 0) {
        ok_ = false;
        return false;
    }
    pos_ = to;
    return true;
}

// ------------------------------------------------------------------ headers
namespace {
std::uint16_t u16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t i32(const std::uint8_t* p) { return static_cast<std::int32_t>(u32(p)); }

bool known_header_size(std::uint32_t s) {
    return s == 12 || s == 40 || s == 52 || s == 56 || s == 108 || s == 124;
}
bool known_depth(std::uint32_t b) {
    return b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32;
}
}  // namespace

Status read_header(Reader& src, Info& out) {
    out = Info{};
    std::uint8_t fh[14];
    if (!src.read(fh, sizeof fh)) return Status::Truncated;
    if (u16(fh) != 0x4D42) return Status::NotBmp;
    const std::uint32_t off_bits = u32(fh + 10);

    std::uint8_t ih[124] = {};
    if (!src.read(ih, 4)) return Status::Truncated;
    const std::uint32_t hsize = u32(ih);
    if (!known_header_size(hsize)) return Status::BadHeader;
    if (!src.read(ih + 4, hsize - 4)) return Status::Truncated;
    out.header_size = hsize;

    std::int64_t width = 0, height = 0;
    std::uint32_t planes = 0, bits = 0, compression = BI_RGB, clr_used = 0;
    std::size_t entry_size = 4;
    if (hsize == 12) {  // the core header: unsigned 16-bit sizes, 3-byte colours
        width = u16(ih + 4);
        height = u16(ih + 6);
        planes = u16(ih + 8);
        bits = u16(ih + 10);
        entry_size = 3;
    } else {
        width = i32(ih + 4);
        height = i32(ih + 8);
        planes = u16(ih + 12);
        bits = u16(ih + 14);
        compression = u32(ih + 16);
        clr_used = u32(ih + 32);
    }

    if (width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min() || planes != 1)
        return Status::BadGeometry;
    if (compression != BI_RGB && compression != BI_BITFIELDS && compression != BI_ALPHABITFIELDS)
        return Status::BadCompression;
    if (!known_depth(bits)) return Status::BadDepth;
    const bool bitfields = compression != BI_RGB;
    if (bitfields && bits != 16 && bits != 32) return Status::BadCompression;

    out.width = static_cast<std::int32_t>(width);
    out.top_down = height < 0;
    out.height = static_cast<std::int32_t>(height < 0 ? -height : height);
    out.planes = static_cast<std::uint16_t>(planes);
    out.bits = static_cast<std::uint16_t>(bits);
    out.compression = bitfields ? BI_BITFIELDS : BI_RGB;

    // Masks: in the header from 52 bytes up, else right after a 40-byte header.
    std::uint64_t mask_bytes = 0;
    if (bitfields) {
        if (hsize >= 52) {
            out.masks[0] = u32(ih + 40);
            out.masks[1] = u32(ih + 44);
            out.masks[2] = u32(ih + 48);
            if (hsize >= 56) out.masks[3] = u32(ih + 52);
        } else {
            const std::size_t n = compression == BI_ALPHABITFIELDS ? 4 : 3;
            std::uint8_t m[16];
            if (!src.read(m, n * 4)) return Status::Truncated;
            for (std::size_t i = 0; i < n; ++i) out.masks[i] = u32(m + 4 * i);
            mask_bytes = n * 4;
        }
    } else if (bits == 16) {
        out.masks[0] = 0x7C00;
        out.masks[1] = 0x03E0;
        out.masks[2] = 0x001F;
    } else if (bits >= 24) {
        out.masks[0] = 0xFF0000;
        out.masks[1] = 0x00FF00;
        out.masks[2] = 0x0000FF;
    }

    // Colour table and the start of the pixel array.
    const std::uint64_t table_start = 14 + static_cast<std::uint64_t>(hsize) + mask_bytes;
    std::uint64_t table_entries = 0;
    if (bits <= 8) {
        const std::uint32_t full = 1u << bits;
        table_entries = (clr_used == 0 || clr_used > full) ? full : clr_used;
        out.colors.assign(full, RGBQUAD{0, 0, 0, 0});
    } else {
        table_entries = clr_used;  // an optional optimisation palette, skipped
    }
    const std::uint64_t table_end = table_start + table_entries * entry_size;
    if (off_bits == 0) {
        out.pixel_offset = table_end;
    } else {
        if (off_bits < table_start) return Status::BadHeader;
        out.pixel_offset = off_bits;
    }
    if (bits <= 8) {
        // A pixel offset inside the table cuts the table short.
        std::uint64_t n = table_entries;
        if (out.pixel_offset < table_end) n = (out.pixel_offset - table_start) / entry_size;
        std::uint8_t e[4] = {0, 0, 0, 0};
        for (std::uint64_t i = 0; i < n; ++i) {
            if (!src.read(e, entry_size)) return Status::Truncated;
            out.colors[static_cast<std::size_t>(i)] = RGBQUAD{e[0], e[1], e[2], entry_size == 4 ? e[3] : BYTE{0}};
        }
    }

    // Sizes: a row fits in 32-bit signed arithmetic, the array in 64 bits.
    const std::int64_t stride = ((width * static_cast<std::int64_t>(bits) + 31) / 32) * 4;
    if (stride > std::numeric_limits<std::int32_t>::max()) return Status::TooLarge;
    out.stride = static_cast<std::int32_t>(stride);
    std::uint64_t total = 0;
    if (__builtin_mul_overflow(static_cast<std::uint64_t>(stride), static_cast<std::uint64_t>(out.height), &total) ||
        total > std::numeric_limits<std::size_t>::max() / 2)
        return Status::TooLarge;
    out.pixel_bytes = total;

    // The source must hold the whole pixel array before anything is allocated.
    if (out.pixel_offset < src.position()) return Status::BadHeader;
    if (out.pixel_offset > src.size() || total > src.size() - out.pixel_offset) return Status::Truncated;
    if (!src.skip(out.pixel_offset - src.position())) return Status::Truncated;
    return Status::Ok;
}

Status read_pixels(Reader& src, const Info& info, std::uint8_t* dst) {
    if (info.pixel_bytes > std::numeric_limits<std::size_t>::max()) return Status::TooLarge;
    return src.read(dst, static_cast<std::size_t>(info.pixel_bytes)) ? Status::Ok : Status::Truncated;
}

const char* status_text(Status s) {
    switch (s) {
    case Status::Ok: return "ok";
    case Status::Truncated: return "the file is shorter than its headers promise";
    case Status::NotBmp: return "not a BMP file";
    case Status::BadHeader: return "unknown or inconsistent info header";
    case Status::BadGeometry: return "bad width, height or planes";
    case Status::BadDepth: return "unsupported bits per pixel";
    case Status::BadCompression: return "unsupported compression";
    case Status::TooLarge: return "image too large";
    }
    return "?";
}

}  // namespace plat::bmp
