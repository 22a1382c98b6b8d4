// Kalvox textures: BMP files of 24 or 32 bits and TGA files (uncompressed and
// run-length encoded, 24 or 32 bits) into OpenGL textures held in numbered
// slots, the filter settings and the mipmap builder they share, and the TGA
// file reader.
// Depends on: platform (LoadImageA, GetObjectA, DeleteObject, MessageBoxA),
// runtime (checked arrays, files), OpenGL, GLU.
#pragma once

#include <cstdint>

#include "runtime/runtime.h"

namespace kvx {

// ---------------------------------------------------------------- settings
// Minifying and magnifying filter of every texture loaded afterwards, BMP or
// TGA (OpenGL filter values; both start as GL_LINEAR, 0x2601).  A mipmap
// minifying filter (0x2700..0x2703) makes the loaders build a mipmap chain.
extern std::int32_t GL_MIN_FILTER;
extern std::int32_t GL_MAG_FILTER;

// ---------------------------------------------------------------- BMP textures
// Texture names of the BMP slots 0..500; 0 (OpenGL's default texture) until
// loaded.  Only TEXTURELOADID writes it.
extern rt::Array<std::uint32_t, 0, 500> TEXTUREID2;

// The bits per pixel stored in a BMP file's info header (1, 4, 8, 16, 24, 32
// or whatever it says), or 0 when the file is missing, cannot be opened, does
// not begin with "BM", is shorter than its two headers, or carries the
// 12-byte core header.
std::int32_t GETBMPDEPTH(const char* BMPFILE);

// Exchanges the first and third byte of each of SIZE consecutive 3-byte
// pixels at DATA (B, G, R <-> R, G, B).  SIZE below 1 does nothing.
void SWAPRGB(void* DATA, std::int32_t SIZE);

// Builds the whole mipmap chain, level 0 included, for the texture bound to
// GL_TEXTURE_2D with gluBuild2DMipmaps: FORMAT 24 takes R, G, B bytes, 32
// takes B, G, R, A bytes; other depths do nothing.  Rows as the unpack state
// in force describes them.
void ADDMIPMAPSTEXTURE(std::int32_t FORMAT, std::int32_t WIDTH, std::int32_t HEIGHT, const void* BITS);

// Loads a 24- or 32-bit BMP file into a new texture whose name goes to
// TEXTUREID2[NUM] (NUM 0..500, else the program stops with a range check).
// Texturing is enabled and the new texture stays bound.  A file that cannot
// be used still gives the slot a new name, with no image.  Never shows a
// message.
void TEXTURELOADID(const char* BMPFILE, std::int32_t NUM);

// Binds the texture of BMP slot NUM (0..500) to GL_TEXTURE_2D.
void TEXTURESELECTID(std::int32_t NUM);

// ---------------------------------------------------------------- TGA reader
// A decoded image.  IMAGEDATA holds WIDTH x HEIGHT pixels of BPP / 8 bytes,
// R, G, B (, A), tightly packed, rows in file order; it comes from malloc and
// the owner releases it with std::free.
struct TGATEXTURE {
    std::uint8_t* IMAGEDATA;
    std::uint32_t BPP;     // 24 or 32
    std::uint32_t WIDTH;   // 1..65535
    std::uint32_t HEIGHT;  // 1..65535
    std::uint32_t TEXID;   // OpenGL texture name (the reader never touches it)
    std::uint32_t TYP;     // GL_RGB (0x1907) or GL_RGBA (0x1908)
};
using PTEXTURE = TGATEXTURE*;

struct TTGAHEADER {
    rt::Array<std::uint8_t, 0, 11> HEADER;  // file bytes 0..11
};
struct TTGA {
    rt::Array<std::uint8_t, 0, 5> HEADER;  // file bytes 12..17
    std::uint32_t BYTESPERPIXEL;
    std::uint32_t IMAGESIZE;
    std::uint32_t TYP;  // not set by the reader
    std::uint32_t HEIGH;
    std::uint32_t WIDTH;
    std::uint32_t BPP;
};

// The reader's state: the file being read and the headers of the last file.
extern rt::File FTGA;
extern TTGAHEADER TGAHEADER;
extern TTGA TGA;
// Accepted starts of a file: uncompressed and run-length true colour.
inline constexpr std::uint8_t UTGACOMPARE[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
inline constexpr std::uint8_t CTGACOMPARE[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// Reads a TGA file of type 2 or 10, 24 or 32 bits, into TEXTURE.  True: the
// record holds the image and the caller owns IMAGEDATA.  False: one message
// box told the user why, nothing is left allocated or open, TEXID is
// unchanged.
bool LOADTGA(TGATEXTURE& TEXTURE, const char* FILENAME);
// The two pixel readers behind LOADTGA: called with FTGA open at offset 12;
// they close it on success and leave it open on failure.
bool LOADUNCOMPRESSEDTGA(TGATEXTURE& TEXTURE, const char* FILENAME);
bool LOADCOMPRESSEDTGA(TGATEXTURE& TEXTURE, const char* FILENAME);

// ---------------------------------------------------------------- TGA textures
// The TGA slots 0..200 (separate from the BMP slots); all zero until loaded.
// A loaded slot holds BPP, WIDTH, HEIGHT, TYP and TEXID; its IMAGEDATA is null.
extern rt::Array<TGATEXTURE, 0, 200> TEXTURETGA2;

// Loads a TGA file into a new texture described by TGA slot NUM (0..200).  A
// missing file returns silently; a file the reader refuses has shown its one
// message and leaves the slot as it was.  Texturing is enabled and the new
// texture stays bound.
void TEXTURELOADTGAID(const char* TGAFILE, std::int32_t NUM);

// Binds the texture of TGA slot NUM (0..200) to GL_TEXTURE_2D.
void TEXTURETGASELECTID(std::int32_t NUM);

namespace detail {
// True for the four mipmap minifying filters (0x2700..0x2703).
bool is_mipmap_filter(std::int32_t filter);
}  // namespace detail

}  // namespace kvx
