// Kalvox image buttons and window shapes: BMP files loaded as bitmaps with a
// palette fit for display, and bitmaps turned into window regions that leave
// out a transparent colour range.
// Depends on: platform/win.h (bitmaps, palettes, device contexts, global
// memory, regions).
#pragma once

#include <cstdint>
#include <string>

#include "platform/win.h"

namespace kvx {

// Growth step (and starting capacity), in rectangles, of BITMAPTOREGION's
// rectangle buffer.
constexpr std::int32_t ALLOC_UNIT = 100;

// Loads the BMP file FILENAME as a device-independent bitmap at its own depth
// and size.  On success PAL receives a new 256-entry logical palette: the
// bitmap's colour table (zeros past the entries it has) for 8 bits per pixel
// or fewer, a halftone palette otherwise; 0 if the palette could not be made.
// Returns 0 and leaves PAL untouched when the file cannot be loaded.  The
// caller owns both objects and deletes them with DeleteObject.
plat::HBITMAP LOADBMPFROMFILE(const std::string& FILENAME, plat::HPALETTE& PAL);

// Builds a region covering every pixel of the BMP file BMPNAME whose colour
// lies outside the transparent range: per channel from TRANSCOLOR's value up
// to that value + TOLERANCE (capped at 255).  Pixel coordinates of the
// picture, top-left pixel at (0, 0), one rectangle per opaque run per row.
// A fully transparent picture gives an empty region.  Returns 0 when the
// file does not load or the region cannot be built.  The caller owns the
// region (DeleteObject, or hand it to SetWindowRgn).
plat::HRGN BITMAPTOREGION(const std::string& BMPNAME, plat::COLORREF TRANSCOLOR,
                          std::uint8_t TOLERANCE);

}  // namespace kvx
