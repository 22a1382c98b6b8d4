// Regions of the window-system layer: the Region GDI object and the band
// algebra behind ExtCreateRegion, CreateRectRgn, CombineRgn, PtInRegion,
// GetRegionData and SetWindowRgn.
//
// A region is kept as a list of rectangles in y-x band order: the rectangles
// of one band share their top and bottom, bands are sorted top to bottom and
// never overlap, the rectangles of a band are sorted left to right and never
// overlap or touch, and two bands that touch vertically never have the same
// spans (they would have been coalesced).  This normal form is unique for a
// given set of pixels, so two regions cover the same pixels exactly when
// their rectangle lists are equal.
//
// Depends on platform/objects.h (GDI object table, window destroy hooks) and
// platform/backend.h (window shapes).  Internal to the layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/objects.h"
#include "platform/win.h"

namespace plat {

namespace rgn {

using Rects = std::vector<RECT>;

// True when `r` is in the normal form described above.
bool is_normal(const Rects& r);

// The union of `n` arbitrary rectangles; empty ones (left >= right or
// top >= bottom) are ignored.  Linear when the rectangles already come in
// band order (as a scan of a picture gives them), O(n log n) otherwise.
Rects from_rects(const RECT* r, std::size_t n);

// a := a `mode` b for RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF (RGN_COPY: a := a).
// Both must be normal; the result is.  Bands of `a` that lie wholly above `b`
// are left in place, so adding rows below a region costs only what is added.
void combine_into(Rects& a, const Rects& b, std::int32_t mode);

// Bounding box; (0, 0, 0, 0) when empty.
RECT bounds(const Rects& r);

// Whether the pixel (x, y) is inside (binary search over bands and spans).
bool contains(const Rects& r, std::int32_t x, std::int32_t y);

// NULLREGION, SIMPLEREGION or COMPLEXREGION.
std::int32_t complexity(const Rects& r);

}  // namespace rgn

struct Region final : GdiObject {
    GdiKind kind() const override { return GdiKind::Region; }
    rgn::Rects rects;  // normal form
    HWND owner = 0;    // the window whose shape it is (SetWindowRgn), else 0
};

// Adds a region to the object table; 0 when it cannot be had.
HRGN region_add(rgn::Rects rects);
Region* region_find(HRGN h);

// The region a window was given with SetWindowRgn, 0 if none.
HRGN window_region(HWND w);

}  // namespace plat
