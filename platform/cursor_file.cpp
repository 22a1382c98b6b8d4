// The Windows cursor and icon file reader; see cursor_file.h.  Depends on
// libc and runtime/runtime.h (file helpers).
#include "platform/cursor_file.h"

#include <algorithm>
#include <cstdlib>

#include "runtime/runtime.h"

namespace plat {

namespace {

// A bounded little-endian reader over a byte range: reads past the end fail
// and leave ok() false instead of touching memory outside the range.
class Reader {
public:
    Reader(const std::uint8_t* p, std::size_t n) : p_(p), n_(n) {}
    bool ok() const { return ok_; }
    std::size_t size() const { return n_; }
    void seek(std::size_t pos) {
        if (pos > n_) ok_ = false;
        else pos_ = pos;
    }
    std::uint32_t u8() {
        if (pos_ + 1 > n_) return fail();
        return p_[pos_++];
    }
    std::uint32_t u16() {
        if (n_ - pos_ < 2 || pos_ > n_) return fail();
        const std::uint32_t v = p_[pos_] | (static_cast<std::uint32_t>(p_[pos_ + 1]) << 8);
        pos_ += 2;
        return v;
    }
    std::uint32_t u32() {
        const std::uint32_t lo = u16();
        const std::uint32_t hi = u16();
        return lo | (hi << 16);
    }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    // The byte at pos (0 when outside).
    std::uint8_t at(std::size_t pos) const { return pos < n_ ? p_[pos] : 0; }

private:
    std::uint32_t fail() {
        ok_ = false;
        return 0;
    }
    const std::uint8_t* p_;
    std::size_t n_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

struct Entry {
    std::int32_t dir_w, dir_h;
    std::uint32_t hot_x, hot_y;
    std::uint32_t bytes, offset;
};

// Decodes one bitmap entry (a BITMAPINFOHEADER, colour table, XOR pixels,
// AND mask) held in [data, data + len).
bool decode_entry(const std::uint8_t* data, std::size_t len, CursorImage& img) {
    if (len >= 8 && data[0] == 0x89 && data[1] == 'P' && data[2] == 'N' && data[3] == 'G')
        return false;  // PNG entries are not supported
    Reader r(data, len);
    const std::uint32_t hdr = r.u32();
    const std::int32_t w = r.i32();
    const std::int32_t h2 = r.i32();
    r.u16();  // planes
    const std::uint32_t bpp = r.u16();
    const std::uint32_t compression = r.u32();
    r.u32();  // image size
    r.u32();
    r.u32();  // resolution
    const std::uint32_t clr_used = r.u32();
    if (!r.ok()) return false;
    if (hdr < 40 || hdr > len) return false;
    if (w < 1 || w > kMaxCursorSide || h2 < 2 || h2 % 2 != 0 || h2 / 2 > kMaxCursorSide)
        return false;
    const std::int32_t h = h2 / 2;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return false;
    if (compression != 0) return false;  // BI_RGB only

    std::size_t pos = hdr;
    std::uint32_t palette[256] = {};
    if (bpp <= 8) {
        const std::uint32_t max_colors = 1u << bpp;
        const std::uint32_t n = clr_used == 0 ? max_colors : clr_used;
        if (n > max_colors) return false;
        if (len - pos < static_cast<std::size_t>(n) * 4) return false;
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint8_t* q = data + pos + i * 4;
            palette[i] = q[0] | (static_cast<std::uint32_t>(q[1]) << 8) |
                         (static_cast<std::uint32_t>(q[2]) << 16);
        }
        pos += static_cast<std::size_t>(n) * 4;
    }
    // Sides are at most 256, so these products are small.
    const std::size_t xor_stride = ((static_cast<std::size_t>(w) * bpp + 31) / 32) * 4;
    const std::size_t and_stride = ((static_cast<std::size_t>(w) + 31) / 32) * 4;
    const std::size_t xor_bytes = xor_stride * static_cast<std::size_t>(h);
    const std::size_t and_bytes = and_stride * static_cast<std::size_t>(h);
    if (len - pos < xor_bytes) return false;
    const std::uint8_t* xor_bits = data + pos;
    const bool has_mask = len - pos - xor_bytes >= and_bytes;
    if (!has_mask && bpp != 32) return false;
    const std::uint8_t* and_bits = has_mask ? xor_bits + xor_bytes : nullptr;

    std::vector<std::uint32_t> px(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    bool any_alpha = false;
    for (std::int32_t y = 0; y < h; ++y) {
        const std::uint8_t* row = xor_bits + static_cast<std::size_t>(h - 1 - y) * xor_stride;
        for (std::int32_t x = 0; x < w; ++x) {
            std::uint32_t c = 0;
            switch (bpp) {
            case 1: c = palette[(row[x / 8] >> (7 - x % 8)) & 1]; break;
            case 4: c = palette[(row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0xF]; break;
            case 8: c = palette[row[x]]; break;
            case 24: {
                const std::uint8_t* q = row + x * 3;
                c = q[0] | (static_cast<std::uint32_t>(q[1]) << 8) |
                    (static_cast<std::uint32_t>(q[2]) << 16);
                break;
            }
            default: {
                const std::uint8_t* q = row + x * 4;
                c = q[0] | (static_cast<std::uint32_t>(q[1]) << 8) |
                    (static_cast<std::uint32_t>(q[2]) << 16) |
                    (static_cast<std::uint32_t>(q[3]) << 24);
                if (q[3] != 0) any_alpha = true;
                break;
            }
            }
            px[static_cast<std::size_t>(y) * w + x] = c;
        }
    }
    const bool use_alpha = bpp == 32 && any_alpha;
    if (!use_alpha && !has_mask) return false;  // 32 bits, no alpha and no mask
    if (!use_alpha) {
        for (std::int32_t y = 0; y < h; ++y) {
            const std::uint8_t* row = and_bits + static_cast<std::size_t>(h - 1 - y) * and_stride;
            for (std::int32_t x = 0; x < w; ++x) {
                const bool transparent = ((row[x / 8] >> (7 - x % 8)) & 1) != 0;
                std::uint32_t& c = px[static_cast<std::size_t>(y) * w + x];
                c = transparent ? 0u : ((c & 0x00FFFFFFu) | 0xFF000000u);
            }
        }
    }
    img.width = w;
    img.height = h;
    img.argb = std::move(px);
    return true;
}

}  // namespace

bool decode_cursor_file(const std::uint8_t* data, std::size_t size, CursorImage& out) {
    if (data == nullptr || size < 6 || size > kMaxCursorFileBytes) return false;
    Reader r(data, size);
    const std::uint32_t reserved = r.u16();
    const std::uint32_t type = r.u16();
    const std::uint32_t count = r.u16();
    if (reserved != 0 || (type != 1 && type != 2) || count == 0) return false;
    if (size - 6 < static_cast<std::size_t>(count) * 16) return false;
    std::vector<Entry> entries;
    entries.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        Entry e{};
        const std::uint32_t bw = r.u8(), bh = r.u8();
        r.u8();  // colour count
        r.u8();  // reserved
        e.dir_w = bw == 0 ? 256 : static_cast<std::int32_t>(bw);
        e.dir_h = bh == 0 ? 256 : static_cast<std::int32_t>(bh);
        e.hot_x = r.u16();
        e.hot_y = r.u16();
        e.bytes = r.u32();
        e.offset = r.u32();
        if (!r.ok()) return false;
        if (e.offset > size || e.bytes > size - e.offset || e.bytes < 40) continue;
        entries.push_back(e);
    }
    // Nearest to 32x32 first; at most a few attempts, so a directory of many
    // entries sharing one large image costs little.
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return std::abs(a.dir_w - 32) + std::abs(a.dir_h - 32) <
               std::abs(b.dir_w - 32) + std::abs(b.dir_h - 32);
    });
    const std::size_t tries = std::min<std::size_t>(entries.size(), 8);
    for (std::size_t i = 0; i < tries; ++i) {
        const Entry& e = entries[i];
        CursorImage img;
        if (!decode_entry(data + e.offset, e.bytes, img)) continue;
        img.is_cursor = type == 2;
        if (img.is_cursor) {
            img.hot_x = std::min<std::int32_t>(static_cast<std::int32_t>(e.hot_x), img.width - 1);
            img.hot_y = std::min<std::int32_t>(static_cast<std::int32_t>(e.hot_y), img.height - 1);
        } else {
            img.hot_x = img.width / 2;
            img.hot_y = img.height / 2;
        }
        out = std::move(img);
        return true;
    }
    return false;
}

bool load_cursor_file(const char* path, CursorImage& out) {
    if (path == nullptr || !rt::file_exists(path)) return false;
    rt::File f;
    if (!f.open_read(path)) return false;
    const long long size = f.size();
    if (size < 6 || static_cast<unsigned long long>(size) > kMaxCursorFileBytes) return false;
    std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
    const long long got = f.read(data.data(), data.size());
    f.close();
    if (got != size) return false;
    return decode_cursor_file(data.data(), data.size(), out);
}

}  // namespace plat
