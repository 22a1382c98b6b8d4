// Bitmap GDI objects: pixel memory and its cache of large blocks, creation,
// description for GetObjectA, and LoadImageA of IMAGE_BITMAP from BMP files
// (the file's own depth, rows as stored, rows padded to 4 bytes).  Depends on platform/gdi_bitmap.h, platform/bmp_decode.h
// and platform/objects.h.
#include "platform/gdi_bitmap.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <type_traits>

#include "platform/bmp_decode.h"
#include "runtime/runtime.h"

namespace plat {

std::int32_t Bitmap::describe(std::int32_t size, void* out) const {
    constexpr auto need = static_cast<std::int32_t>(sizeof(BITMAP));
    if (out == nullptr) return need;
    if (size < need) return 0;
    BITMAP b{};
    b.bmType = 0;
    b.bmWidth = width;
    b.bmHeight = height;
    b.bmWidthBytes = stride;
    b.bmPlanes = planes;
    b.bmBitsPixel = bits_per_pixel;
    b.bmBits = pixels.get();
    std::memcpy(out, &b, sizeof b);
    return need;
}

std::uint8_t* image_alloc(std::size_t bytes) {
    auto* p = static_cast<std::uint8_t*>(std::calloc(bytes == 0 ? 1 : bytes, 1));
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t HUGE_PAGE = std::uintptr_t{2} << 20;
    if (p != nullptr && bytes >= 2 * HUGE_PAGE) {
        const auto at = reinterpret_cast<std::uintptr_t>(p);
        const std::uintptr_t from = (at + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1), to = (at + bytes) & ~(HUGE_PAGE - 1);
        // Only whole huge pages inside the block: never more resident memory
        // than the block itself.  A refusal changes nothing.
        if (to > from) (void)madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
    }
#endif
    return p;
}

namespace {

struct CachedBlock {
    std::uint8_t* mem = nullptr;
    std::size_t size = 0;
};

// The pixel block cache.  Constant-initialised and trivially destructible,
// so bitmaps deleted while the program's statics are being destroyed can
// still give their blocks back; after the exit hook has run (`closed`),
// blocks go straight to the system.
struct PixelCache {
    std::mutex lock;
    CachedBlock blocks[kPixelCacheBlocks] = {};  // oldest first
    std::size_t count = 0;
    std::size_t bytes = 0;
    bool exit_hook = false;
    bool closed = false;
};
static_assert(std::is_trivially_destructible_v<PixelCache>);
constinit PixelCache cache;

bool cacheable(std::size_t bytes) { return bytes >= kPixelCacheMinBlock && bytes <= kPixelCacheMaxBlock; }

// Removes block i, keeping the others in age order.  Holds cache.lock.
CachedBlock remove_block(std::size_t i) {
    const CachedBlock b = cache.blocks[i];
    for (std::size_t k = i + 1; k < cache.count; ++k) cache.blocks[k - 1] = cache.blocks[k];
    --cache.count;
    cache.blocks[cache.count] = CachedBlock{};
    cache.bytes -= b.size;
    return b;
}

// Frees every cached block.  Holds cache.lock.
void free_all() {
    while (cache.count > 0) std::free(remove_block(cache.count - 1).mem);
}

void release_at_exit() {
    const std::lock_guard<std::mutex> g(cache.lock);
    free_all();
    cache.closed = true;
}

// The smallest cached block that holds `bytes` with at most a quarter of
// them to spare, taken out of the cache; {} when there is none.
CachedBlock take_block(std::size_t bytes) {
    if (!cacheable(bytes)) return {};
    const std::lock_guard<std::mutex> g(cache.lock);
    std::size_t best = cache.count;
    for (std::size_t i = 0; i < cache.count; ++i) {
        const std::size_t size = cache.blocks[i].size;
        if (size >= bytes && size - bytes <= bytes / 4 && (best == cache.count || size < cache.blocks[best].size))
            best = i;
    }
    return best == cache.count ? CachedBlock{} : remove_block(best);
}

}  // namespace

void PixelRelease::operator()(std::uint8_t* p) const {
    if (p == nullptr) return;
    if (cacheable(capacity)) {
        const std::lock_guard<std::mutex> g(cache.lock);
        if (!cache.closed) {
            if (!cache.exit_hook) cache.exit_hook = std::atexit(&release_at_exit) == 0;
            // Room for the block: the oldest blocks go first.
            while (cache.count == kPixelCacheBlocks || cache.bytes + capacity > kPixelCacheMaxBytes)
                std::free(remove_block(0).mem);
            cache.blocks[cache.count++] = CachedBlock{p, capacity};
            cache.bytes += capacity;
            return;
        }
    }
    std::free(p);
}

PixelMemory pixel_alloc(std::size_t bytes) {
    const CachedBlock b = take_block(bytes);
    if (b.mem != nullptr) {
        std::memset(b.mem, 0, bytes);
        return PixelMemory(b.mem, PixelRelease{b.size});
    }
    return PixelMemory(image_alloc(bytes), PixelRelease{bytes == 0 ? 1 : bytes});
}

PixelCacheUse pixel_cache_use() {
    const std::lock_guard<std::mutex> g(cache.lock);
    return PixelCacheUse{cache.count, cache.bytes};
}

void pixel_cache_release() {
    const std::lock_guard<std::mutex> g(cache.lock);
    free_all();
}

std::int64_t bitmap_stride(std::int64_t width, std::int32_t bits) {
    if (width <= 0 || bits <= 0 || width > std::numeric_limits<std::int32_t>::max() || bits > 32) return -1;
    const std::int64_t s = ((width * bits + 31) / 32) * 4;
    return s > std::numeric_limits<std::int32_t>::max() ? -1 : s;
}

namespace {
bool usable_depth(std::int32_t b) { return b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32; }

// Sets the effective masks for a bitmap without bit fields.
void default_masks(Bitmap& b) {
    if (b.bits_per_pixel == 16) {
        b.red_mask = 0x7C00;
        b.green_mask = 0x03E0;
        b.blue_mask = 0x001F;
    } else if (b.bits_per_pixel >= 24) {
        b.red_mask = 0xFF0000;
        b.green_mask = 0x00FF00;
        b.blue_mask = 0x0000FF;
    }
}

// Zero-filled pixel memory of `bytes` bytes (at least one byte), or null.
PixelMemory allocate_pixels(std::uint64_t bytes) {
    if (bytes > std::numeric_limits<std::size_t>::max()) return {};
    return pixel_alloc(static_cast<std::size_t>(bytes));
}
}  // namespace

HBITMAP bitmap_create(std::int32_t width, std::int32_t height, std::int32_t bits, bool top_down,
                      DWORD compression, const DWORD* masks, const RGBQUAD* colors,
                      std::size_t ncolors, Bitmap** out) {
    if (out != nullptr) *out = nullptr;
    if (width <= 0 || height <= 0 || !usable_depth(bits)) return 0;
    if (compression != BI_RGB && compression != BI_BITFIELDS) return 0;
    if (compression == BI_BITFIELDS && bits != 16 && bits != 32) return 0;
    const std::int64_t stride = bitmap_stride(width, bits);
    if (stride < 0) return 0;
    std::uint64_t total = 0;
    if (!rt::try_mul<std::uint64_t>(static_cast<std::uint64_t>(stride), static_cast<std::uint64_t>(height), total))
        return 0;

    auto b = std::make_unique<Bitmap>();
    b->width = width;
    b->height = height;
    b->bits_per_pixel = static_cast<std::uint16_t>(bits);
    b->planes = 1;
    b->stride = static_cast<std::int32_t>(stride);
    b->top_down = top_down;
    b->compression = compression;
    if (compression == BI_BITFIELDS && masks != nullptr) {
        b->red_mask = masks[0];
        b->green_mask = masks[1];
        b->blue_mask = masks[2];
        b->alpha_mask = masks[3];
    } else {
        default_masks(*b);
    }
    if (bits <= 8) {
        b->colors.assign(std::size_t{1} << bits, RGBQUAD{0, 0, 0, 0});
        const std::size_t n = colors == nullptr ? 0 : (ncolors < b->colors.size() ? ncolors : b->colors.size());
        for (std::size_t i = 0; i < n; ++i) b->colors[i] = colors[i];
    }
    b->pixels = allocate_pixels(total);
    if (!b->pixels) return 0;
    b->pixel_bytes = static_cast<std::size_t>(total);
    Bitmap* raw = b.get();
    const HBITMAP h = gdi_add(std::move(b));
    if (out != nullptr && h != 0) *out = raw;
    return h;
}

Bitmap* bitmap_find(HBITMAP h) { return gdi_get<Bitmap>(h, GdiKind::Bitmap); }

std::unique_ptr<Bitmap> bitmap_decode(bmp::Reader& src) {
    bmp::Info info;
    if (bmp::read_header(src, info) != bmp::Status::Ok) return nullptr;
    auto b = std::make_unique<Bitmap>();
    b->width = info.width;
    b->height = info.height;
    b->bits_per_pixel = info.bits;
    b->planes = info.planes;
    b->stride = info.stride;
    b->top_down = info.top_down;
    b->compression = info.compression;
    b->red_mask = info.masks[0];
    b->green_mask = info.masks[1];
    b->blue_mask = info.masks[2];
    b->alpha_mask = info.masks[3];
    b->colors = std::move(info.colors);
    // read_header has checked that the source holds every byte, so this
    // allocation is never larger than the file.
    b->pixels = allocate_pixels(info.pixel_bytes);
    if (!b->pixels) return nullptr;
    b->pixel_bytes = static_cast<std::size_t>(info.pixel_bytes);
    if (bmp::read_pixels(src, info, b->pixels.get()) != bmp::Status::Ok) return nullptr;
    return b;
}

HBITMAP bitmap_load_file(const char* path) {
    if (!rt::file_exists(path)) return 0;
    rt::File f;
    if (!f.open_read(path)) return 0;
    bmp::FileReader src(f);
    if (!src.ok()) return 0;
    std::unique_ptr<Bitmap> b = bitmap_decode(src);
    f.close();
    return b ? gdi_add(std::move(b)) : 0;
}

// Bitmaps come from files only (the program has no bitmap resources).  The
// bitmap keeps the file's depth whether or not LR_CREATEDIBSECTION is given;
// LR_LOADTRANSPARENT has no effect.  A requested size other than 0 or the
// file's own is not supported and fails the load.
HANDLE LoadImageA(HINSTANCE inst, const char* name, UINT type, std::int32_t cx, std::int32_t cy,
                  UINT flags) {
    if (type != IMAGE_BITMAP || (flags & LR_LOADFROMFILE) == 0 || name == nullptr) return 0;
    const HBITMAP h = bitmap_load_file(name);
    if (h == 0) return 0;
    const Bitmap* b = bitmap_find(h);
    if ((cx != 0 && cx != b->width) || (cy != 0 && cy != b->height)) {
        gdi_delete(h);
        return 0;
    }
    return h;
}

}  // namespace plat
