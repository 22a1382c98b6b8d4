// Device-independent sections: CreateDIBSection builds a Bitmap of the
// described depth and row order (positive height: bottom-up) and hands back
// the address of its pixels.  Colour tables (DIB_RGB_COLORS) and bit-field
// masks are taken from the description.  File-mapping sections are not
// supported.
// Depends on platform/gdi_bitmap.h (bitmap_create), platform/objects.h and
// platform/seams.h (forced failures).
#include <cstring>
#include <limits>

#include "platform/gdi_bitmap.h"
#include "platform/objects.h"
#include "platform/seams.h"

namespace plat {

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* bmi, UINT usage, void** bits, HANDLE section,
                         DWORD offset) {
    if (bits != nullptr) *bits = nullptr;
    if (bmi == nullptr || usage != DIB_RGB_COLORS || section != 0) return 0;
    if (dc != 0 && dc_find(dc) == nullptr) return 0;
    if (seams::take_failure("CreateDIBSection")) return 0;

    BITMAPINFOHEADER h;
    std::memcpy(&h, &bmi->bmiHeader, sizeof h);
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > 124) return 0;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == std::numeric_limits<LONG>::min() ||
        h.biPlanes != 1)
        return 0;
    const std::int32_t depth = h.biBitCount;
    const bool top_down = h.biHeight < 0;
    const std::int32_t height = top_down ? -h.biHeight : h.biHeight;
    const auto* raw = reinterpret_cast<const std::uint8_t*>(bmi);

    DWORD masks[4] = {0, 0, 0, 0};
    if (h.biCompression == BI_BITFIELDS) {
        // With the plain 40-byte header the three masks follow it; larger
        // headers carry them (and, from 56 bytes, the alpha mask) inside.
        std::memcpy(masks, raw + sizeof(BITMAPINFOHEADER), 3 * sizeof(DWORD));
        if (h.biSize >= 56) std::memcpy(&masks[3], raw + 52, sizeof(DWORD));
    }

    const RGBQUAD* colors = nullptr;
    std::size_t ncolors = 0;
    if (depth >= 1 && depth <= 8) {
        const std::size_t full = std::size_t{1} << depth;
        ncolors = h.biClrUsed == 0 || h.biClrUsed > full ? full : h.biClrUsed;
        colors = reinterpret_cast<const RGBQUAD*>(raw + h.biSize);
    }
    Bitmap* b = nullptr;
    const HBITMAP hb = bitmap_create(h.biWidth, height, depth, top_down, h.biCompression,
                                     h.biCompression == BI_BITFIELDS ? masks : nullptr, colors,
                                     ncolors, &b);
    if (hb == 0 || b == nullptr) return 0;
    if (bits != nullptr) *bits = b->pixels.get();
    return hb;
}

}  // namespace plat
