// Kalvox BMP textures: the filter settings, the depth probe, the red-blue
// exchange, the mipmap builder and the BMP texture slots.
// Depends on: platform (LoadImageA, GetObjectA, DeleteObject), runtime (checked
// arrays, files), OpenGL, GLU.
#include "Kalvox/KvxTextures.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <utility>

#include "platform/win.h"

#ifndef GL_BGRA_EXT
#define GL_BGRA_EXT 0x80E1
#endif

namespace kvx {

std::int32_t GL_MIN_FILTER = GL_LINEAR;
std::int32_t GL_MAG_FILTER = GL_LINEAR;

rt::Array<std::uint32_t, 0, 500> TEXTUREID2 = {};

namespace {
std::uint32_t le16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | (p[1] << 8)); }
std::uint32_t le32(const std::uint8_t* p) {
    return le16(p) | (le16(p + 2) << 16);
}
}  // namespace

bool detail::is_mipmap_filter(std::int32_t f) {
    return f == GL_NEAREST_MIPMAP_NEAREST || f == GL_LINEAR_MIPMAP_NEAREST ||
           f == GL_NEAREST_MIPMAP_LINEAR || f == GL_LINEAR_MIPMAP_LINEAR;
}

std::int32_t GETBMPDEPTH(const char* BMPFILE) {
    if (!rt::file_exists(BMPFILE)) return 0;
    rt::File f;
    if (!f.open_read(BMPFILE)) return 0;
    std::uint8_t fh[14];
    if (f.read(fh, sizeof fh) != static_cast<long long>(sizeof fh)) return 0;
    if (le16(fh) != 0x4D42) return 0;
    std::uint8_t ih[40];
    if (f.read(ih, sizeof ih) != static_cast<long long>(sizeof ih)) return 0;
    if (le32(ih) == 12) return 0;
    return static_cast<std::int32_t>(le16(ih + 14));
}

void SWAPRGB(void* DATA, std::int32_t SIZE) {
    auto* p = static_cast<std::uint8_t*>(DATA);
    for (std::int32_t i = 0; i < SIZE; ++i, p += 3) std::swap(p[0], p[2]);
}

void ADDMIPMAPSTEXTURE(std::int32_t FORMAT, std::int32_t WIDTH, std::int32_t HEIGHT, const void* BITS) {
    if (FORMAT == 24)
        gluBuild2DMipmaps(GL_TEXTURE_2D, 3, WIDTH, HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, BITS);
    else if (FORMAT == 32)
        gluBuild2DMipmaps(GL_TEXTURE_2D, 4, WIDTH, HEIGHT, GL_BGRA_EXT, GL_UNSIGNED_BYTE, BITS);
}

void TEXTURELOADID(const char* BMPFILE, std::int32_t NUM) {
    const std::int32_t FORMAT = GETBMPDEPTH(BMPFILE);
    const plat::HBITMAP bmp =
        (FORMAT == 24 || FORMAT == 32)
            ? plat::LoadImageA(plat::GetModuleInstance(), BMPFILE, plat::IMAGE_BITMAP, 0, 0,
                               plat::LR_LOADFROMFILE | plat::LR_LOADTRANSPARENT | plat::LR_CREATEDIBSECTION)
            : 0;
    plat::BITMAP bm{};
    // Only a bitmap that loaded, at the depth the probe saw, is swapped and
    // uploaded; anything else leaves the slot with a name and no image.
    const bool usable = bmp != 0 &&
                        plat::GetObjectA(bmp, static_cast<std::int32_t>(sizeof bm), &bm) ==
                            static_cast<std::int32_t>(sizeof bm) &&
                        bm.bmBits != nullptr && bm.bmBitsPixel == FORMAT;
    if (usable && FORMAT == 24) {
        // Row by row: each row is padded to 4 bytes, so one unbroken run is
        // only right when the width is a multiple of 4.
        auto* row = static_cast<std::uint8_t*>(bm.bmBits);
        for (std::int32_t y = 0; y < bm.bmHeight; ++y, row += bm.bmWidthBytes) SWAPRGB(row, bm.bmWidth);
    }

    glEnable(GL_TEXTURE_2D);
    std::uint32_t& slot = TEXTUREID2[NUM];
    glGenTextures(1, &slot);
    glBindTexture(GL_TEXTURE_2D, slot);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_MIN_FILTER);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_MAG_FILTER);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    if (usable) {
        if (FORMAT == 24)
            glTexImage2D(GL_TEXTURE_2D, 0, 3, bm.bmWidth, bm.bmHeight, 0, GL_RGB, GL_UNSIGNED_BYTE, bm.bmBits);
        else
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, bm.bmWidth, bm.bmHeight, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE,
                         bm.bmBits);
        if (detail::is_mipmap_filter(GL_MIN_FILTER)) ADDMIPMAPSTEXTURE(FORMAT, bm.bmWidth, bm.bmHeight, bm.bmBits);
    }
    if (bmp != 0) plat::DeleteObject(bmp);
}

void TEXTURESELECTID(std::int32_t NUM) { glBindTexture(GL_TEXTURE_2D, TEXTUREID2[NUM]); }

}  // namespace kvx
