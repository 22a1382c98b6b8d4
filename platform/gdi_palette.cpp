// Logical palettes: CreatePalette, CreateHalftonePalette, GetPaletteEntries,
// SelectPalette, RealizePalette, the stock default palette.
// Depends on platform/gdi_palette.h, platform/objects.h (object and DC tables).
#include "platform/gdi_palette.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace plat {

const PALETTEENTRY kStaticColors[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},
    {0, 0, 128, 0},     {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0},
    {192, 220, 192, 0}, {166, 202, 240, 0}, {255, 251, 240, 0}, {160, 160, 164, 0},
    {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},     {255, 255, 0, 0},
    {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
};

std::int32_t Palette::describe(std::int32_t size, void* out) const {
    if (out == nullptr) return static_cast<std::int32_t>(sizeof(WORD));
    if (size < static_cast<std::int32_t>(sizeof(WORD))) return 0;
    const WORD n = static_cast<WORD>(entries.size());
    std::memcpy(out, &n, sizeof n);
    return static_cast<std::int32_t>(sizeof(WORD));
}

Palette* palette_find(HPALETTE h) { return gdi_get<Palette>(h, GdiKind::Palette); }

namespace {

HPALETTE add_palette(const PALETTEENTRY* e, std::size_t n) {
    std::unique_ptr<Palette> p(new (std::nothrow) Palette);
    if (!p) return 0;
    p->entries.assign(e, e + n);
    return gdi_add(std::move(p));
}

}  // namespace

HPALETTE default_palette() {
    static HPALETTE h = 0;
    if (h == 0 || palette_find(h) == nullptr) {
        h = add_palette(kStaticColors, 20);
        if (Palette* p = palette_find(h)) p->stock = true;
    }
    return h;
}

void halftone_entries(PALETTEENTRY out[256]) {
    std::size_t k = 0;
    for (std::size_t i = 0; i < 10; ++i) out[k++] = kStaticColors[i];
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                out[k++] = PALETTEENTRY{static_cast<BYTE>(r * 51), static_cast<BYTE>(g * 51),
                                        static_cast<BYTE>(b * 51), 0};
    // Greys between the cube's levels (none of them a multiple of 51).
    for (int i = 0; i < 20; ++i) {
        const int level = 51 * (i / 4) + 10 * (i % 4 + 1);
        out[k++] = PALETTEENTRY{static_cast<BYTE>(level), static_cast<BYTE>(level),
                                static_cast<BYTE>(level), 0};
    }
    for (std::size_t i = 10; i < 20; ++i) out[k++] = kStaticColors[i];
}

HPALETTE CreatePalette(const LOGPALETTE* lp) {
    if (lp == nullptr || lp->palVersion != 0x300 || lp->palNumEntries == 0) return 0;
    return add_palette(lp->palPalEntry, lp->palNumEntries);
}

HPALETTE CreateHalftonePalette(HDC dc) {
    if (dc != 0 && dc_find(dc) == nullptr) return 0;
    PALETTEENTRY e[256];
    halftone_entries(e);
    return add_palette(e, 256);
}

UINT GetPaletteEntries(HPALETTE h, UINT start, UINT count, PALETTEENTRY* out) {
    const Palette* p = palette_find(h);
    if (p == nullptr) return 0;
    const std::size_t n = p->entries.size();
    if (out == nullptr) return static_cast<UINT>(n);
    if (start >= n) return 0;
    const std::size_t m = std::min<std::size_t>(count, n - start);
    std::copy_n(p->entries.begin() + static_cast<std::ptrdiff_t>(start), m, out);
    return static_cast<UINT>(m);
}

HPALETTE SelectPalette(HDC h, HPALETTE pal, BOOL force_background) {
    DeviceContext* dc = dc_find(h);
    Palette* p = palette_find(pal);
    if (dc == nullptr || p == nullptr) return 0;
    const HPALETTE prev = dc->palette != 0 ? dc->palette : default_palette();
    // Only memory contexts count as holding the palette: window, screen and
    // paint contexts go away through ReleaseDC, EndPaint or the window's end,
    // and must not keep a palette from being deleted.
    if (dc->memory) {
        if (Palette* old = palette_find(dc->palette); old != nullptr && old->selected > 0) --old->selected;
        ++p->selected;
    }
    dc->palette = pal;
    dc->palette_background = force_background != 0;
    return prev;
}

UINT RealizePalette(HDC h) {
    // A true-colour display maps nothing into a system palette.
    return dc_find(h) == nullptr ? 0xFFFFFFFFu : 0u;
}

}  // namespace plat
