// Fuzzing harness: the reader of Windows cursor and icon files, fed from
// memory.  A decoded image must be self-consistent and within the reader's
// limits.
#include <cstdint>
#include <cstdlib>

#include "platform/cursor_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    plat::CursorImage img;
    if (!plat::decode_cursor_file(data, size, img)) {
        if (!img.argb.empty() || img.width != 0) std::abort();  // out untouched on failure
        return 0;
    }
    if (img.width <= 0 || img.height <= 0 || img.width > plat::kMaxCursorSide ||
        img.height > plat::kMaxCursorSide)
        std::abort();
    if (img.argb.size() != static_cast<std::size_t>(img.width) * static_cast<std::size_t>(img.height))
        std::abort();
    if (img.hot_x < 0 || img.hot_y < 0 || img.hot_x >= img.width || img.hot_y >= img.height) {
        // Hot spots come from the file; they need not lie inside the image,
        // but they must be what the file said, not garbage: nothing to check.
    }
    volatile std::uint32_t sink = img.argb.front() ^ img.argb.back();
    (void)sink;
    return 0;
}
