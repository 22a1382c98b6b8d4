// Kalvox image buttons and window shapes: BMP files loaded as bitmaps with a
// palette fit for display, bitmaps turned into window regions that leave out
// a transparent colour range, and push buttons drawn from three pictures.
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

// ------------------------------------------------------------------ hover buttons
// A push button drawn entirely from three BMP pictures: BMPTYPE + "N.BMP"
// (normal), BMPTYPE + "H.BMP" (hover) and BMPTYPE + "P.BMP" (pressed), read
// when the button is created.  The button takes the normal picture's size and
// shape (magenta, 0xFF00FF with tolerance 1, is cut away), shows the hover
// picture while the pointer is inside that shape and the pressed one while
// the left button is down on it, and on a click posts WM_COMMAND to its
// parent with its control identifier in WPARAM and 0 in LPARAM.
//
// Create one as a child of the library's window once CREATEOGLWINDOW has
// registered the class:
//     kvx::BMPTYPE = "pictures/play";   // pictures/playN.BMP, ...H.BMP, ...P.BMP
//     CreateWindowExA(0, kvx::SZHOVERCLASS, "", WS_CHILD | WS_VISIBLE, x, y, 0, 0,
//                     kvx::HWINDOW, id, GetModuleInstance(), nullptr);
// (x, y) is the button's top-left corner in the parent's client area.

// Common beginning of a button's three picture file names; empty at start,
// never changed by the library.
extern std::string BMPTYPE;

// The button window class.
inline constexpr const char* SZHOVERCLASS = "IMAGEBUTTON";

// Names of the window properties a button keeps everything in.
inline constexpr const char* NORMALBMP = "NORMALBITMAP";    // memory context, normal picture
inline constexpr const char* HOVERBMP = "HOVERBITMAP";      // memory context, hover picture
inline constexpr const char* PRESSBMP = "PRESSBITMAP";      // memory context, pressed picture
inline constexpr const char* HOVERMODE = "HOVERMODEBYTE";   // state: 1 normal, 2 hover, 3 pressed
inline constexpr const char* BUTTONRGN = "HOVERBUTTONREGION";  // hit-test region (may be absent)

// The transparent colour of a button's shape and its tolerance.
inline constexpr plat::COLORREF BUTTON_TRANSPARENT = 0xFF00FF;
inline constexpr std::uint8_t BUTTON_TOLERANCE = 1;

// The window procedure of the "IMAGEBUTTON" class.
plat::LRESULT HOVERBUTTONHANDLER(plat::HWND WND, plat::UINT IMSG, plat::WPARAM WP,
                                 plat::LPARAM LP);

}  // namespace kvx
