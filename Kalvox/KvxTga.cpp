// Kalvox TGA reader and TGA textures: LOADTGA with its uncompressed and
// run-length pixel readers (one message box per failed call), and the TGA
// texture slots.
// Depends on: platform (MessageBoxA, image memory), runtime (checked arrays and arithmetic,
// files), OpenGL, GLU, KvxTextures (filter settings).
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdlib>
#include <cstring>
#include <limits>

#include "Kalvox/KvxTextures.h"
#include "platform/gdi_bitmap.h"
#include "platform/win.h"

namespace kvx {

rt::File FTGA;
TTGAHEADER TGAHEADER = {};
TTGA TGA = {};
rt::Array<TGATEXTURE, 0, 200> TEXTURETGA2 = {};

namespace {

void message(const char* text, const char* caption = "ERROR") {
    plat::MessageBoxA(0, text, caption, plat::MB_OK);
}

// How many of `n` bytes arrived from FTGA; an error the system reports counts
// as the end of the file.
std::size_t read_some(void* dst, std::size_t n) {
    const long long got = FTGA.read(dst, n);
    return got < 0 ? 0 : static_cast<std::size_t>(got);
}

// Read-ahead for the run-length reader: packets and pixels are taken from
// here, the file is read in large blocks.
constexpr std::size_t IN_SIZE = std::size_t{1} << 16;
std::uint8_t g_in[IN_SIZE];
std::size_t g_in_pos = 0, g_in_len = 0;
bool g_in_end = false;

void in_reset() {
    g_in_pos = g_in_len = 0;
    g_in_end = false;
}
// Makes at least `n` (<= IN_SIZE) bytes available unless the file ends first;
// returns how many are available.
std::size_t in_ensure(std::size_t n) {
    while (g_in_len - g_in_pos < n && !g_in_end) {
        const std::size_t keep = g_in_len - g_in_pos;
        if (keep > 0 && g_in_pos > 0) std::memmove(g_in, g_in + g_in_pos, keep);
        g_in_pos = 0;
        g_in_len = keep;
        const std::size_t got = read_some(g_in + keep, IN_SIZE - keep);
        if (got == 0) g_in_end = true;
        g_in_len += got;
    }
    return g_in_len - g_in_pos;
}

// Steps common to both pixel readers: info header, checks, sizes.  False after
// its message.
bool read_info(TGATEXTURE& T) {
    if (read_some(TGA.HEADER.data(), 6) < 6) {
        message("Could not read info header");
        return false;
    }
    T.WIDTH = static_cast<std::uint32_t>(TGA.HEADER[1]) * 256 + TGA.HEADER[0];
    T.HEIGHT = static_cast<std::uint32_t>(TGA.HEADER[3]) * 256 + TGA.HEADER[2];
    T.BPP = TGA.HEADER[4];
    TGA.WIDTH = T.WIDTH;
    TGA.HEIGH = T.HEIGHT;
    TGA.BPP = T.BPP;
    if (T.WIDTH == 0 || T.HEIGHT == 0 || (T.BPP != 24 && T.BPP != 32)) {
        message("Invalid texture information");
        return false;
    }
    T.TYP = T.BPP == 24 ? GL_RGB : GL_RGBA;
    TGA.BYTESPERPIXEL = T.BPP / 8;
    std::uint32_t row = 0, size = 0;
    if (!rt::try_mul(TGA.BYTESPERPIXEL, TGA.WIDTH, row) || !rt::try_mul(row, TGA.HEIGH, size)) {
        message("Could not allocate memory for image");
        return false;
    }
    TGA.IMAGESIZE = size;
    return true;
}

void release(TGATEXTURE& T) {
    std::free(T.IMAGEDATA);
    T.IMAGEDATA = nullptr;
}

// B, G, R (, A) pixels to R, G, B (, A), in place.
void swap_red_blue(std::uint8_t* p, std::size_t pixels, std::size_t bpp) {
    if (bpp == 4) {
        for (std::size_t i = 0; i < pixels; ++i) {
            std::uint32_t v;
            std::memcpy(&v, p + 4 * i, 4);
            v = (v & 0xFF00FF00u) | ((v & 0x00FF0000u) >> 16) | ((v & 0x000000FFu) << 16);
            std::memcpy(p + 4 * i, &v, 4);
        }
    } else {
        for (std::size_t i = 0; i < pixels; ++i) {
            const std::uint8_t t = p[3 * i];
            p[3 * i] = p[3 * i + 2];
            p[3 * i + 2] = t;
        }
    }
}

// Copies `pixels` B, G, R (, A) pixels from `src` to `dst` as R, G, B (, A).
void copy_swapped(std::uint8_t* dst, const std::uint8_t* src, std::size_t pixels, std::size_t bpp) {
    std::memcpy(dst, src, pixels * bpp);
    swap_red_blue(dst, pixels, bpp);
}

}  // namespace

bool LOADUNCOMPRESSEDTGA(TGATEXTURE& TEXTURE, const char* FILENAME) {
    (void)FILENAME;
    if (!read_info(TEXTURE)) return false;
    TEXTURE.IMAGEDATA = nullptr;
    // One block read takes at most 2147483647 bytes.
    if (TGA.IMAGESIZE > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
        message("Could not allocate memory for image");
        return false;
    }
    // A regular file that is visibly too short fails before the allocation.
    const long long size = FTGA.size(), at = FTGA.tell();
    if (size > 0 && at >= 0 && at <= size && static_cast<unsigned long long>(size - at) < TGA.IMAGESIZE) {
        message("Could not read image data");
        return false;
    }
    TEXTURE.IMAGEDATA = plat::image_alloc(TGA.IMAGESIZE);
    if (TEXTURE.IMAGEDATA == nullptr) {
        message("Could not allocate memory for image");
        return false;
    }
    if (read_some(TEXTURE.IMAGEDATA, TGA.IMAGESIZE) < TGA.IMAGESIZE) {
        message("Could not read image data");
        release(TEXTURE);
        return false;
    }
    swap_red_blue(TEXTURE.IMAGEDATA, static_cast<std::size_t>(TGA.HEIGH) * TGA.WIDTH, TGA.BYTESPERPIXEL);
    FTGA.close();
    return true;
}

bool LOADCOMPRESSEDTGA(TGATEXTURE& TEXTURE, const char* FILENAME) {
    (void)FILENAME;
    if (!read_info(TEXTURE)) return false;
    TEXTURE.IMAGEDATA = plat::image_alloc(TGA.IMAGESIZE);
    if (TEXTURE.IMAGEDATA == nullptr) {
        message("Could not allocate memory for image");
        return false;
    }
    const std::uint32_t PIXELCOUNT = TGA.HEIGH * TGA.WIDTH;  // fits: IMAGESIZE did
    const std::size_t bpp = TGA.BYTESPERPIXEL;
    std::uint32_t CURRENTPIXEL = 0;
    std::size_t CURRENTBYTE = 0;
    auto* COLORBUFFER = static_cast<std::uint8_t*>(std::malloc(bpp));
    if (COLORBUFFER == nullptr) {
        message("Could not allocate memory for color buffer");
        release(TEXTURE);
        return false;
    }
    auto fail = [&](const char* text) {
        message(text);
        std::free(COLORBUFFER);
        release(TEXTURE);
        return false;
    };
    std::uint8_t* const out = TEXTURE.IMAGEDATA;
    in_reset();
    while (CURRENTPIXEL < PIXELCOUNT) {
        if (in_ensure(1) < 1) return fail("Could not read RLE header");
        const std::uint8_t CHUNKHEADER = g_in[g_in_pos++];
        const std::uint32_t left = PIXELCOUNT - CURRENTPIXEL;
        if (CHUNKHEADER < 128) {
            const std::uint32_t count = CHUNKHEADER + 1u;
            const std::size_t bytes = count * bpp;
            if (count <= left && in_ensure(bytes) >= bytes) {
                // The whole packet is at hand and fits: convert it in one go.
                copy_swapped(out + CURRENTBYTE, g_in + g_in_pos, count, bpp);
                g_in_pos += bytes;
                CURRENTBYTE += bytes;
                CURRENTPIXEL += count;
                continue;
            }
            // Pixel by pixel: each is read, then stored if there is room.
            for (std::uint32_t i = 0; i < count; ++i) {
                if (in_ensure(bpp) < bpp) return fail("Could not read image data");
                std::memcpy(COLORBUFFER, g_in + g_in_pos, bpp);
                g_in_pos += bpp;
                if (CURRENTPIXEL == PIXELCOUNT) return fail("Too many pixels read");
                copy_swapped(out + CURRENTBYTE, COLORBUFFER, 1, bpp);
                CURRENTBYTE += bpp;
                ++CURRENTPIXEL;
            }
        } else {
            if (in_ensure(bpp) < bpp) return fail("Could not read from file");
            copy_swapped(COLORBUFFER, g_in + g_in_pos, 1, bpp);
            g_in_pos += bpp;
            const std::uint32_t count = CHUNKHEADER - 127u;
            const std::uint32_t n = count < left ? count : left;
            std::uint8_t* p = out + CURRENTBYTE;
            if (bpp == 4) {
                for (std::uint32_t i = 0; i < n; ++i) std::memcpy(p + 4 * i, COLORBUFFER, 4);
            } else {
                for (std::uint32_t i = 0; i < n; ++i) {
                    p[3 * i] = COLORBUFFER[0];
                    p[3 * i + 1] = COLORBUFFER[1];
                    p[3 * i + 2] = COLORBUFFER[2];
                }
            }
            CURRENTBYTE += n * bpp;
            CURRENTPIXEL += n;
            if (count > n) return fail("Too many pixels read");
        }
    }
    std::free(COLORBUFFER);
    FTGA.close();
    return true;
}

bool LOADTGA(TGATEXTURE& TEXTURE, const char* FILENAME) {
    if (!FTGA.open_read(FILENAME)) {
        message("Could not open texture file");
        return false;
    }
    if (read_some(TGAHEADER.HEADER.data(), 12) < 12) {
        message("Could not read file header");
        FTGA.close();
        return false;
    }
    bool ok = false;
    if (std::memcmp(TGAHEADER.HEADER.data(), UTGACOMPARE, 12) == 0) {
        ok = LOADUNCOMPRESSEDTGA(TEXTURE, FILENAME);
    } else if (std::memcmp(TGAHEADER.HEADER.data(), CTGACOMPARE, 12) == 0) {
        ok = LOADCOMPRESSEDTGA(TEXTURE, FILENAME);
    } else {
        message("TGA file be type 2 or type 10", "Invalid Image");
    }
    if (ok) return true;
    FTGA.close();
    return false;
}

void TEXTURELOADTGAID(const char* TGAFILE, std::int32_t NUM) {
    if (!rt::file_exists(TGAFILE)) return;
    TGATEXTURE& slot = TEXTURETGA2[NUM];
    // Decoded into a copy, so a failed reload leaves a good slot as it was.
    TGATEXTURE t = slot;
    t.IMAGEDATA = nullptr;
    if (!LOADTGA(t, TGAFILE)) return;
    slot = t;

    glEnable(GL_TEXTURE_2D);
    glGenTextures(1, &slot.TEXID);
    glBindTexture(GL_TEXTURE_2D, slot.TEXID);
    // Rows are tightly packed: a 24-bit row whose length is not a multiple of
    // 4 is uploaded with an alignment of 1, and the alignment restored.
    const bool packed_rows = slot.BPP == 24 && (slot.WIDTH * 3u) % 4u != 0;
    GLint old_alignment = 4;
    if (packed_rows) {
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &old_alignment);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    }
    const auto w = static_cast<GLsizei>(slot.WIDTH), h = static_cast<GLsizei>(slot.HEIGHT);
    const auto components = static_cast<GLint>(slot.BPP / 8);
    glTexImage2D(GL_TEXTURE_2D, 0, components, w, h, 0, slot.TYP, GL_UNSIGNED_BYTE, slot.IMAGEDATA);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_MIN_FILTER);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_MAG_FILTER);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    if (detail::is_mipmap_filter(GL_MIN_FILTER))
        gluBuild2DMipmaps(GL_TEXTURE_2D, components, w, h, slot.TYP, GL_UNSIGNED_BYTE, slot.IMAGEDATA);
    if (packed_rows) glPixelStorei(GL_UNPACK_ALIGNMENT, old_alignment);
    std::free(slot.IMAGEDATA);
    slot.IMAGEDATA = nullptr;
}

void TEXTURETGASELECTID(std::int32_t NUM) { glBindTexture(GL_TEXTURE_2D, TEXTURETGA2[NUM].TEXID); }

}  // namespace kvx
