// Fuzzing harness: the BMP decoder behind LoadImageA, fed from memory.  A
// decoded bitmap must be self-consistent and every pixel byte readable.
#include <cstdint>
#include <cstdlib>

#include "platform/bmp_decode.h"
#include "platform/gdi_bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    plat::bmp::MemoryReader src(data, size);
    std::unique_ptr<plat::Bitmap> b = plat::bitmap_decode(src);
    if (!b) return 0;
    plat::BITMAP bm{};
    if (b->describe(sizeof bm, &bm) != static_cast<std::int32_t>(sizeof bm)) std::abort();
    if (bm.bmWidth <= 0 || bm.bmHeight <= 0 || bm.bmWidthBytes % 4 != 0 || bm.bmBits == nullptr) std::abort();
    if (b->pixel_bytes != static_cast<std::size_t>(bm.bmWidthBytes) * static_cast<std::size_t>(bm.bmHeight))
        std::abort();
    if (static_cast<std::uint64_t>(bm.bmWidth) * bm.bmBitsPixel > static_cast<std::uint64_t>(bm.bmWidthBytes) * 8)
        std::abort();
    if (b->pixel_bytes > size) std::abort();  // never more memory than the file holds
    if (bm.bmBitsPixel <= 8 && b->colors.size() != (std::size_t{1} << bm.bmBitsPixel)) std::abort();
    volatile std::uint8_t sink = 0;
    const auto* p = static_cast<const std::uint8_t*>(bm.bmBits);
    sink = sink + p[0] + p[b->pixel_bytes - 1];
    return 0;
}
