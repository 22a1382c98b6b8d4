// The reader of Windows cursor (.cur) and icon (.ico) files: an icon
// directory of entries, each a bitmap with an AND mask (1, 4, 8, 24 or 32 bits
// per pixel, 32-bit ones with alpha).  One entry, the one nearest 32x32 that
// decodes, becomes a top-down ARGB image.  Every read is bounded by the data
// and every size is checked before anything is allocated; PNG entries are
// refused.  Depends on libc and the runtime's file helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plat {

struct CursorImage {
    std::int32_t width = 0, height = 0;
    std::int32_t hot_x = 0, hot_y = 0;  // cursors: from the file; icons: the centre
    bool is_cursor = false;
    std::vector<std::uint32_t> argb;    // alpha in bits 24-31, rows top-down
};

// Largest file accepted, and largest image side.
constexpr std::size_t kMaxCursorFileBytes = 4u << 20;
constexpr std::int32_t kMaxCursorSide = 256;

// False (out untouched) when the data is not a usable cursor or icon file.
bool decode_cursor_file(const std::uint8_t* data, std::size_t size, CursorImage& out);
// Reads and decodes a file; false when it cannot be read or decoded.
bool load_cursor_file(const char* path, CursorImage& out);

}  // namespace plat
