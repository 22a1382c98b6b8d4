// Internal to the window-system layer: handle numbers, the GDI object table
// and the device-context table shared by the core, the GDI code and the
// backends.  Not a public header.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/win.h"

namespace plat {

// A fresh handle number: never 0, never reused within a run (wraps only after
// 2^32 - 1 allocations, where it stops with the overflow error).
HANDLE new_handle();

// ------------------------------------------------------------------ GDI objects
enum class GdiKind : std::uint8_t { Bitmap, Palette, Region, Brush };

// Base of every object that GetObjectA / DeleteObject / SelectObject handle.
struct GdiObject {
    virtual ~GdiObject() = default;
    virtual GdiKind kind() const = 0;
    // GetObjectA: bytes written to out (0 when the kind has no description or
    // size is too small); with out == nullptr the size needed.
    virtual std::int32_t describe(std::int32_t size, void* out) const { return 0; }
    bool stock = false;         // stock objects are never deleted
    std::int32_t selected = 0;  // how many device contexts hold it selected
};

HGDIOBJ gdi_add(std::unique_ptr<GdiObject> obj);
GdiObject* gdi_find(HGDIOBJ h);
template <class T>
T* gdi_get(HGDIOBJ h, GdiKind k) {
    GdiObject* o = gdi_find(h);
    return (o != nullptr && o->kind() == k) ? static_cast<T*>(o) : nullptr;
}
// Removes and destroys the object; false when unknown, stock, or selected
// into a device context (as the original platform refuses).
bool gdi_delete(HGDIOBJ h);
std::int32_t gdi_live(GdiKind k);

// ------------------------------------------------------------------ device contexts
struct DeviceContext {
    HWND window = 0;      // window (client area) it draws to; 0 for memory/screen
    bool memory = false;  // made by CreateCompatibleDC
    bool screen = false;  // GetDC(0)
    bool paint = false;   // made by BeginPaint
    HBITMAP bitmap = 0;   // selected bitmap (memory contexts)
    HBITMAP default_bitmap = 0;
    HPALETTE palette = 0; // selected palette
    bool palette_background = false;
};

HDC dc_add(const DeviceContext& dc);
DeviceContext* dc_find(HDC h);
bool dc_remove(HDC h);
std::int32_t dc_live();

// Hooks run by DestroyWindow for each window it destroys (after the destroy
// message), so other parts of the layer can release what they keep per
// window (for example a window's region).
using WindowHook = void (*)(HWND);
void add_window_destroy_hook(WindowHook hook);
void run_window_destroy_hooks(HWND w);

// Live counters that other parts of the layer keep up to date (for the
// live_counts seam).
struct LiveCounters {
    std::int32_t windows = 0, contexts = 0, globals = 0, cursors = 0;
};
LiveCounters& live_counters();

}  // namespace plat
