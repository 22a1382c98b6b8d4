// Logical palettes of the window-system layer: the Palette GDI object, the
// stock default palette (the 20 static colours) and the halftone palette.
// The display is true-colour: a palette selected into a device context is
// kept there (and can be read back), and realising it changes nothing else.
// Also declares the selection bookkeeping that the device-context code
// offers to the rest of the layer.
// Depends on platform/objects.h.  Internal to the layer.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/objects.h"
#include "platform/win.h"

namespace plat {

struct Palette final : GdiObject {
    GdiKind kind() const override { return GdiKind::Palette; }
    // GetObjectA: the number of entries as a 16-bit WORD.
    std::int32_t describe(std::int32_t size, void* out) const override;
    std::vector<PALETTEENTRY> entries;
};

Palette* palette_find(HPALETTE h);

// The stock palette every device context starts with (never deleted).
HPALETTE default_palette();

// The 20 static system colours, in system order (first ten, last ten).
extern const PALETTEENTRY kStaticColors[20];

// The 256-entry halftone palette: the first ten static colours, a 6x6x6
// colour cube, a 20-step grey ramp, the last ten static colours.
void halftone_entries(PALETTEENTRY out[256]);

// Drops what a memory device context holds selected (bitmap, palette) from
// the objects' selection counts, before the context goes away (DeleteDC).
// Other contexts never count as holding anything.
void dc_release_selections(DeviceContext& dc);

}  // namespace plat
