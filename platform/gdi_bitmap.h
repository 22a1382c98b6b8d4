// The Bitmap GDI object of the window-system layer: a device-independent
// bitmap that keeps the depth and row order it was made with, owns its pixel
// memory, and describes itself to GetObjectA.  LoadImageA (IMAGE_BITMAP from a
// file) builds one through the BMP decoder; CreateDIBSection and the memory
// device contexts build on bitmap_create().
// Depends on platform/objects.h (GDI object table) and platform/bmp_decode.h.
// Internal to the layer: not a public header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/objects.h"
#include "platform/win.h"

namespace plat {

namespace bmp { class Reader; }

// Pixel memory of a bitmap.  A block knows how many bytes it really holds
// (at least what the bitmap uses); when it is released, a large block goes
// to the pixel block cache (see pixel_alloc) and a small one to std::free.
struct PixelRelease {
    std::size_t capacity = 0;
    void operator()(std::uint8_t* p) const;
};
using PixelMemory = std::unique_ptr<std::uint8_t[], PixelRelease>;

// Zero-filled pixel memory of `bytes` bytes for a bitmap, or null when it
// cannot be had.  Blocks from kPixelCacheMinBlock to kPixelCacheMaxBlock
// bytes are kept when their bitmap goes (at most kPixelCacheBlocks blocks
// and kPixelCacheMaxBytes bytes, the oldest given back to the system first)
// and handed to the next bitmap that fits in one: the smallest cached block
// that holds `bytes` without wasting more than a quarter of them.  A reused
// block is zero-filled again, which costs far less than the page faults of
// fresh memory: a program that keeps making and deleting pictures of the
// same size (a region from a bitmap, a copy for a blit) stops paying for them.
inline constexpr std::size_t kPixelCacheMinBlock = std::size_t{256} << 10;
inline constexpr std::size_t kPixelCacheMaxBlock = std::size_t{16} << 20;
inline constexpr std::size_t kPixelCacheBlocks = 4;
inline constexpr std::size_t kPixelCacheMaxBytes = std::size_t{64} << 20;
PixelMemory pixel_alloc(std::size_t bytes);

// What the pixel block cache holds now.
struct PixelCacheUse {
    std::size_t blocks = 0;
    std::size_t bytes = 0;
};
PixelCacheUse pixel_cache_use();

// Gives every cached block back to the system (also done at exit).
void pixel_cache_release();

struct Bitmap final : GdiObject {
    GdiKind kind() const override { return GdiKind::Bitmap; }
    // Fills a BITMAP: bmType 0, bmWidth, bmHeight (positive), bmWidthBytes
    // (= stride), bmPlanes, bmBitsPixel, bmBits (the pixel memory).  With
    // out == nullptr returns sizeof(BITMAP); with a smaller size returns 0.
    std::int32_t describe(std::int32_t size, void* out) const override;

    std::int32_t width = 0;            // pixels, > 0
    std::int32_t height = 0;           // pixels, > 0 (top_down tells the row order)
    std::uint16_t bits_per_pixel = 0;  // 1, 4, 8, 16, 24 or 32
    std::uint16_t planes = 1;
    std::int32_t stride = 0;           // bytes per row, padded to a multiple of 4
    bool top_down = false;             // rows stored top row first (else bottom row first)
    DWORD compression = BI_RGB;        // BI_RGB or BI_BITFIELDS (as the file said)
    // Effective channel masks for 16-, 24- and 32-bit pixels: the file's masks
    // for BI_BITFIELDS, the system defaults for BI_RGB (16 bits: 5-5-5; 24 and
    // 32 bits: 0xFF0000, 0xFF00, 0xFF).  Zero for 8 bits and fewer.  The alpha
    // mask is whatever the file gave (0 when it gave none).
    DWORD red_mask = 0, green_mask = 0, blue_mask = 0, alpha_mask = 0;
    // The colour table: 2^bits entries for 1-, 4- and 8-bit bitmaps (entries
    // the file did not hold are zero); empty above 8 bits.
    std::vector<RGBQUAD> colors;
    // stride * height bytes, rows as stored (see top_down), never null for a
    // live bitmap.
    PixelMemory pixels;
    std::size_t pixel_bytes = 0;

    std::uint8_t* row(std::int32_t stored_index) {
        return pixels.get() + static_cast<std::size_t>(stored_index) * static_cast<std::size_t>(stride);
    }
};

// Zero-filled memory for a large image (decoded textures; bitmap pixels come
// through pixel_alloc, which uses it for new blocks), released with
// std::free; null when it cannot be had.  Zero pages are only
// made when first touched, and blocks of several MiB are marked for
// transparent huge pages, which makes touching them many times cheaper.
std::uint8_t* image_alloc(std::size_t bytes);

// Bytes per row of a bitmap of `width` pixels at `bits` per pixel, padded to
// a multiple of 4; -1 when it does not fit in 32-bit signed arithmetic.
std::int64_t bitmap_stride(std::int64_t width, std::int32_t bits);

// Creates a zero-filled bitmap and adds it to the object table.  `bits` must
// be 1, 4, 8, 16, 24 or 32; width and height > 0.  `colors` (may be null)
// gives up to `ncolors` colour-table entries for bitmaps of 8 bits or fewer;
// `masks` (may be null) gives red, green, blue, alpha masks for BI_BITFIELDS.
// Returns the handle, or 0 when the arguments are unusable or the memory
// cannot be had.  `out` (may be null) receives the object.
HBITMAP bitmap_create(std::int32_t width, std::int32_t height, std::int32_t bits, bool top_down,
                      DWORD compression, const DWORD* masks, const RGBQUAD* colors,
                      std::size_t ncolors, Bitmap** out = nullptr);

// The Bitmap behind a handle, or null.
Bitmap* bitmap_find(HBITMAP h);

// Decodes a BMP file from `src` into a new bitmap object (not yet in the
// table); null when the file cannot be used.  LoadImageA and the fuzzing
// harness share it.
std::unique_ptr<Bitmap> bitmap_decode(bmp::Reader& src);

// Loads a BMP file as a bitmap handle (what LoadImageA does for
// IMAGE_BITMAP | LR_LOADFROMFILE); 0 on any failure.
HBITMAP bitmap_load_file(const char* path);

}  // namespace plat
