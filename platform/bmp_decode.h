// The BMP decoder of the window-system layer: a pure, bounded reader of
// Windows BMP files (file header, one of the 12/40/52/56/108/124-byte info
// headers, bit-field masks, colour table, uncompressed pixel array).  Every
// byte comes through a Reader that cannot run past the end of its source;
// every size product is overflow-checked before anything is allocated, and a
// file that promises more than it holds is refused before allocation.
// Depends on platform/win.h (BMP constants and records) and runtime/ (File).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/win.h"
#include "runtime/runtime.h"

namespace plat::bmp {

// A source of bytes with a known length.  read() fills `dst` with exactly `n`
// bytes and returns true, or returns false (and fills nothing reliably) when
// fewer than `n` bytes remain or the source reports an error.  The position
// only moves forward.
class Reader {
public:
    virtual ~Reader() = default;
    virtual bool read(void* dst, std::size_t n) = 0;
    // Moves forward by `n` bytes; false past the end.
    virtual bool skip(std::uint64_t n) = 0;
    virtual std::uint64_t position() const = 0;
    virtual std::uint64_t size() const = 0;
    std::uint64_t remaining() const { return size() - position(); }
};

// Reads from a block of memory (the fuzzing harness, tests).
class MemoryReader final : public Reader {
public:
    MemoryReader(const void* data, std::size_t n) : data_(static_cast<const std::uint8_t*>(data)), n_(n) {}
    bool read(void* dst, std::size_t n) override;
    bool skip(std::uint64_t n) override;
    std::uint64_t position() const override { return pos_; }
    std::uint64_t size() const override { return n_; }

private:
    const std::uint8_t* data_;
    std::size_t n_;
    std::size_t pos_ = 0;
};

// Reads from an open file, whose length is taken when the reader is made.  An
// operating-system error makes read() fail like a short read.
class FileReader final : public Reader {
public:
    explicit FileReader(rt::File& f);
    bool read(void* dst, std::size_t n) override;
    bool skip(std::uint64_t n) override;
    std::uint64_t position() const override { return pos_; }
    std::uint64_t size() const override { return size_; }
    bool ok() const { return ok_; }

private:
    rt::File& f_;
    std::uint64_t size_ = 0;
    std::uint64_t pos_ = 0;  // logical position; the file may lag behind after skip()
    bool ok_ = false;
};

// Why a file was refused.
enum class Status {
    Ok,
    Truncated,       // shorter than its headers, colour table or pixel array promise
    NotBmp,          // does not begin with "BM"
    BadHeader,       // an info-header size this decoder does not know
    BadGeometry,     // width <= 0, height 0, planes != 1
    BadDepth,        // bits per pixel not 1, 4, 8, 16, 24 or 32
    BadCompression,  // run-length, JPEG, PNG, or bit fields at a depth that cannot have them
    TooLarge,        // a row or the pixel array does not fit the size arithmetic
};

// Everything the headers say, checked and normalised.
struct Info {
    std::uint32_t header_size = 0;   // 12, 40, 52, 56, 108 or 124
    std::int32_t width = 0;          // > 0
    std::int32_t height = 0;         // > 0
    bool top_down = false;
    std::uint16_t planes = 1;
    std::uint16_t bits = 0;          // 1, 4, 8, 16, 24, 32
    DWORD compression = BI_RGB;      // BI_RGB or BI_BITFIELDS (BI_ALPHABITFIELDS is folded in)
    DWORD masks[4] = {0, 0, 0, 0};   // effective red, green, blue, alpha masks (see gdi_bitmap.h)
    std::vector<RGBQUAD> colors;     // 2^bits entries for bits <= 8, else empty
    std::int32_t stride = 0;         // bytes per row, padded to 4
    std::uint64_t pixel_offset = 0;  // file offset of the pixel array
    std::uint64_t pixel_bytes = 0;   // stride * height
};

// Reads the file header, info header, masks and colour table from the start
// of `src`, leaving it positioned at the start of the pixel array.  Checks that
// the source holds the whole pixel array.  Allocates only the colour table
// (at most 256 entries).
Status read_header(Reader& src, Info& out);

// Reads the pixel array described by `info` (rows as stored, each `stride`
// bytes) into `dst`, which holds at least info.pixel_bytes bytes.
Status read_pixels(Reader& src, const Info& info, std::uint8_t* dst);

// A short English description of a status (tests and diagnostics).
const char* status_text(Status s);

}  // namespace plat::bmp
