// Drawing surfaces of the window-system layer: memory device contexts
// (CreateCompatibleDC, DeleteDC), SelectObject for bitmaps, GetDIBColorTable
// and BitBlt with SRCCOPY.  BitBlt converts every source depth to 32-bit
// colour (palette images through their colour table, 16-bit and bit-field
// images through their masks, either row order) and writes it in the
// destination's format: into the bitmap of a memory context, or into a
// window through the backend's put_image.
// Depends on platform/gdi_bitmap.h (Bitmap), platform/gdi_palette.h
// (selection bookkeeping), platform/objects.h (DC table), platform/backend.h
// and platform/seams.h (forced failures).
#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "platform/backend.h"
#include "platform/gdi_bitmap.h"
#include "platform/gdi_palette.h"
#include "platform/objects.h"
#include "platform/seams.h"

namespace plat {

namespace {

// The 1-by-1 monochrome bitmap every memory context starts with, shared by
// all of them as on the original platform.
HBITMAP stock_bitmap() {
    static HBITMAP h = 0;
    if (h == 0 || bitmap_find(h) == nullptr) {
        const RGBQUAD mono[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        Bitmap* b = nullptr;
        h = bitmap_create(1, 1, 1, false, BI_RGB, nullptr, mono, 2, &b);
        if (b != nullptr) b->stock = true;
    }
    return h;
}

// ------------------------------------------------------------------ pixel conversion
// Colours travel as 0x00RRGGBB (blue in bits 0-7, as a 32-bit DIB holds them).

struct Channel {
    DWORD mask = 0;
    int shift = 0;
    int width = 0;  // bits from the lowest set bit to the highest
};

Channel channel(DWORD mask) {
    Channel c;
    c.mask = mask;
    if (mask == 0) return c;
    c.shift = std::countr_zero(mask);
    c.width = 32 - std::countl_zero(mask >> c.shift);
    return c;
}

std::uint32_t to8(std::uint32_t px, const Channel& c) {
    if (c.width == 0) return 0;
    const std::uint32_t v = (px & c.mask) >> c.shift;
    if (c.width >= 8) return v >> (c.width - 8);
    const std::uint32_t max = (1u << c.width) - 1;
    return (v * 255 + max / 2) / max;
}

std::uint32_t from8(std::uint32_t v8, const Channel& c) {
    if (c.width == 0) return 0;
    const std::uint32_t v = c.width >= 8 ? v8 << (c.width - 8) : v8 >> (8 - c.width);
    return (v << c.shift) & c.mask;
}

std::uint32_t quad_colour(const RGBQUAD& q) {
    return (std::uint32_t{q.rgbRed} << 16) | (std::uint32_t{q.rgbGreen} << 8) | q.rgbBlue;
}

bool default_32(const Bitmap& b) {
    return b.red_mask == 0xFF0000 && b.green_mask == 0xFF00 && b.blue_mask == 0xFF;
}

const std::uint8_t* row_ptr(const Bitmap& b, std::int32_t y) {
    const std::int32_t stored = b.top_down ? y : b.height - 1 - y;
    return b.pixels.get() + static_cast<std::size_t>(stored) * static_cast<std::size_t>(b.stride);
}

// Reads n pixels of row y (0 = top) from column x0 as colours.
void read_row(const Bitmap& b, std::int32_t y, std::int32_t x0, std::int32_t n, std::uint32_t* out) {
    const std::uint8_t* row = row_ptr(b, y);
    switch (b.bits_per_pixel) {
    case 1:
    case 4:
    case 8: {
        const int bits = b.bits_per_pixel;
        const std::uint32_t mask = (1u << bits) - 1;
        for (std::int32_t i = 0; i < n; ++i) {
            const std::size_t bit = static_cast<std::size_t>(x0 + i) * static_cast<std::size_t>(bits);
            const std::uint32_t idx = (row[bit / 8] >> (8 - bits - static_cast<int>(bit % 8))) & mask;
            out[i] = idx < b.colors.size() ? quad_colour(b.colors[idx]) : 0;
        }
        break;
    }
    case 16: {
        const Channel r = channel(b.red_mask), g = channel(b.green_mask), bl = channel(b.blue_mask);
        for (std::int32_t i = 0; i < n; ++i) {
            const std::uint8_t* p = row + static_cast<std::size_t>(x0 + i) * 2;
            const std::uint32_t px = p[0] | (std::uint32_t{p[1]} << 8);
            out[i] = (to8(px, r) << 16) | (to8(px, g) << 8) | to8(px, bl);
        }
        break;
    }
    case 24:
        for (std::int32_t i = 0; i < n; ++i) {
            const std::uint8_t* p = row + static_cast<std::size_t>(x0 + i) * 3;
            out[i] = (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
        }
        break;
    case 32: {
        const std::uint8_t* p = row + static_cast<std::size_t>(x0) * 4;
        if (default_32(b)) {
            std::memcpy(out, p, static_cast<std::size_t>(n) * 4);
            for (std::int32_t i = 0; i < n; ++i) out[i] &= 0xFFFFFFu;
        } else {
            const Channel r = channel(b.red_mask), g = channel(b.green_mask), bl = channel(b.blue_mask);
            for (std::int32_t i = 0; i < n; ++i) {
                std::uint32_t px;
                std::memcpy(&px, p + static_cast<std::size_t>(i) * 4, 4);
                out[i] = (to8(px, r) << 16) | (to8(px, g) << 8) | to8(px, bl);
            }
        }
        break;
    }
    default:
        std::fill_n(out, n, 0u);
    }
}

// Index of the colour-table entry nearest to c.
std::uint32_t nearest(const Bitmap& b, std::uint32_t c) {
    const int r = static_cast<int>((c >> 16) & 0xFF), g = static_cast<int>((c >> 8) & 0xFF),
              bl = static_cast<int>(c & 0xFF);
    std::uint32_t best = 0;
    int best_d = 1 << 30;
    for (std::size_t i = 0; i < b.colors.size(); ++i) {
        const RGBQUAD& q = b.colors[i];
        const int dr = q.rgbRed - r, dg = q.rgbGreen - g, db = q.rgbBlue - bl;
        const int d = dr * dr + dg * dg + db * db;
        if (d < best_d) {
            best_d = d;
            best = static_cast<std::uint32_t>(i);
            if (d == 0) break;
        }
    }
    return best;
}

// Writes n colours into row y (0 = top) of b from column x0.
void write_row(Bitmap& b, std::int32_t y, std::int32_t x0, std::int32_t n, const std::uint32_t* in) {
    std::uint8_t* row = const_cast<std::uint8_t*>(row_ptr(b, y));
    switch (b.bits_per_pixel) {
    case 1:
    case 4:
    case 8: {
        const int bits = b.bits_per_pixel;
        const std::uint32_t mask = (1u << bits) - 1;
        std::uint32_t last_c = 0, last_i = nearest(b, 0);
        for (std::int32_t i = 0; i < n; ++i) {
            if (in[i] != last_c) {
                last_c = in[i];
                last_i = nearest(b, last_c);
            }
            const std::size_t bit = static_cast<std::size_t>(x0 + i) * static_cast<std::size_t>(bits);
            const int sh = 8 - bits - static_cast<int>(bit % 8);
            std::uint8_t& byte = row[bit / 8];
            byte = static_cast<std::uint8_t>((byte & ~(mask << sh)) | ((last_i & mask) << sh));
        }
        break;
    }
    case 16: {
        const Channel r = channel(b.red_mask), g = channel(b.green_mask), bl = channel(b.blue_mask);
        for (std::int32_t i = 0; i < n; ++i) {
            const std::uint32_t c = in[i];
            const std::uint32_t px = from8((c >> 16) & 0xFF, r) | from8((c >> 8) & 0xFF, g) | from8(c & 0xFF, bl);
            std::uint8_t* p = row + static_cast<std::size_t>(x0 + i) * 2;
            p[0] = static_cast<std::uint8_t>(px);
            p[1] = static_cast<std::uint8_t>(px >> 8);
        }
        break;
    }
    case 24:
        for (std::int32_t i = 0; i < n; ++i) {
            std::uint8_t* p = row + static_cast<std::size_t>(x0 + i) * 3;
            p[0] = static_cast<std::uint8_t>(in[i]);
            p[1] = static_cast<std::uint8_t>(in[i] >> 8);
            p[2] = static_cast<std::uint8_t>(in[i] >> 16);
        }
        break;
    case 32: {
        std::uint8_t* p = row + static_cast<std::size_t>(x0) * 4;
        if (default_32(b)) {
            std::memcpy(p, in, static_cast<std::size_t>(n) * 4);
        } else {
            const Channel r = channel(b.red_mask), g = channel(b.green_mask), bl = channel(b.blue_mask);
            for (std::int32_t i = 0; i < n; ++i) {
                const std::uint32_t c = in[i];
                const std::uint32_t px = from8((c >> 16) & 0xFF, r) | from8((c >> 8) & 0xFF, g) | from8(c & 0xFF, bl);
                std::memcpy(p + static_cast<std::size_t>(i) * 4, &px, 4);
            }
        }
        break;
    }
    default:
        break;
    }
}

}  // namespace

void dc_release_selections(DeviceContext& dc) {
    if (!dc.memory) return;
    if (GdiObject* b = gdi_find(dc.bitmap); b != nullptr && b->selected > 0) --b->selected;
    if (GdiObject* p = gdi_find(dc.palette); p != nullptr && p->selected > 0) --p->selected;
    dc.bitmap = 0;
    dc.palette = 0;
}

HDC CreateCompatibleDC(HDC ref) {
    if (ref != 0 && dc_find(ref) == nullptr) return 0;
    if (seams::take_failure("CreateCompatibleDC")) return 0;
    const HBITMAP def = stock_bitmap();
    if (def == 0) return 0;
    DeviceContext dc;
    dc.memory = true;
    dc.default_bitmap = def;
    dc.bitmap = def;
    ++bitmap_find(def)->selected;
    return dc_add(dc);
}

BOOL DeleteDC(HDC h) {
    DeviceContext* dc = dc_find(h);
    // Window, screen and paint contexts go back with ReleaseDC and EndPaint.
    if (dc == nullptr || !dc->memory) return 0;
    dc_release_selections(*dc);
    dc_remove(h);
    return 1;
}

HGDIOBJ SelectObject(HDC h, HGDIOBJ obj) {
    DeviceContext* dc = dc_find(h);
    GdiObject* o = gdi_find(obj);
    if (dc == nullptr || o == nullptr) return 0;
    if (o->kind() != GdiKind::Bitmap) return 0;  // palettes go through SelectPalette
    if (!dc->memory) return 0;                   // only memory contexts hold bitmaps
    if (dc->bitmap == obj) return obj;
    // A bitmap can be selected into one context at a time (the stock one into any).
    if (o->selected > 0 && !o->stock) return 0;
    const HBITMAP prev = dc->bitmap;
    if (GdiObject* p = gdi_find(prev); p != nullptr && p->selected > 0) --p->selected;
    ++o->selected;
    dc->bitmap = obj;
    return prev;
}

HGDIOBJ GetCurrentObject(HDC h, UINT type) {
    const DeviceContext* dc = dc_find(h);
    if (dc == nullptr) return 0;
    if (type == OBJ_BITMAP) return dc->memory ? dc->bitmap : 0;
    if (type == OBJ_PAL) return dc->palette != 0 ? dc->palette : default_palette();
    return 0;
}

UINT GetDIBColorTable(HDC h, UINT start, UINT count, RGBQUAD* out) {
    const DeviceContext* dc = dc_find(h);
    if (dc == nullptr || out == nullptr) return 0;
    const Bitmap* b = bitmap_find(dc->bitmap);
    if (b == nullptr || b->bits_per_pixel > 8 || start >= b->colors.size()) return 0;
    const std::size_t n = std::min<std::size_t>(count, b->colors.size() - start);
    std::copy_n(b->colors.begin() + static_cast<std::ptrdiff_t>(start), n, out);
    return static_cast<UINT>(n);
}

BOOL BitBlt(HDC dst, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy, HDC src,
            std::int32_t x1, std::int32_t y1, DWORD rop) {
    if (rop != SRCCOPY) return 0;
    const DeviceContext* s = dc_find(src);
    const DeviceContext* d = dc_find(dst);
    if (s == nullptr || d == nullptr) return 0;
    const Bitmap* sb = bitmap_find(s->bitmap);
    if (sb == nullptr) return 0;  // only memory contexts can be read
    if (cx <= 0 || cy <= 0) return 1;

    // The columns i and rows j of the block that exist in the source (and,
    // for a bitmap destination, in the destination).
    std::int64_t i0 = std::max<std::int64_t>(0, -std::int64_t{x1});
    std::int64_t i1 = std::min<std::int64_t>(cx, std::int64_t{sb->width} - x1);
    std::int64_t j0 = std::max<std::int64_t>(0, -std::int64_t{y1});
    std::int64_t j1 = std::min<std::int64_t>(cy, std::int64_t{sb->height} - y1);
    Bitmap* db = d->memory ? bitmap_find(d->bitmap) : nullptr;
    if (d->memory) {
        if (db == nullptr) return 0;
        i0 = std::max<std::int64_t>(i0, -std::int64_t{x});
        i1 = std::min<std::int64_t>(i1, std::int64_t{db->width} - x);
        j0 = std::max<std::int64_t>(j0, -std::int64_t{y});
        j1 = std::min<std::int64_t>(j1, std::int64_t{db->height} - y);
    }
    if (i0 >= i1 || j0 >= j1) return 1;
    const auto n = static_cast<std::int32_t>(i1 - i0);
    const auto sx = static_cast<std::int32_t>(x1 + i0);

    if (db != nullptr) {
        const auto dx = static_cast<std::int32_t>(x + i0);
        std::vector<std::uint32_t> buf(static_cast<std::size_t>(n));
        // Within one bitmap, copy downwards from the bottom so no source row
        // is overwritten before it is read.
        const bool upward = db == sb && y > y1;
        for (std::int64_t k = j0; k < j1; ++k) {
            const std::int64_t j = upward ? j1 - 1 - (k - j0) : k;
            read_row(*sb, static_cast<std::int32_t>(y1 + j), sx, n, buf.data());
            write_row(*db, static_cast<std::int32_t>(y + j), dx, n, buf.data());
        }
        return 1;
    }
    if (d->window != 0) {
        const auto m = static_cast<std::int32_t>(j1 - j0);
        std::vector<std::uint32_t> img(static_cast<std::size_t>(n) * static_cast<std::size_t>(m));
        for (std::int32_t j = 0; j < m; ++j)
            read_row(*sb, static_cast<std::int32_t>(y1 + j0 + j), sx, n,
                     img.data() + static_cast<std::size_t>(j) * static_cast<std::size_t>(n));
        backend().put_image(d->window, static_cast<std::int32_t>(x + i0), static_cast<std::int32_t>(y + j0),
                            n, m, img.data(), n);
        // A blit through a window context (GetDC) is not followed by EndPaint's
        // flush and may never be released: send it to the screen now.
        backend().flush();
        return 1;
    }
    return 1;  // the screen context: nothing of ours to draw on
}

}  // namespace plat
