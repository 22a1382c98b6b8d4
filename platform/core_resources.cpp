// The portable core's cursors, icons and stock brushes.  Stock cursors and
// icons are shared records made on first request; cursors and icons from
// .cur/.ico files keep their ARGB image.  The backend's native cursor is made
// lazily, the first time a backend asks for it.  Depends on core_internal.h,
// cursor_file.h and objects.h (the GDI table for brushes).
#include <algorithm>

#include "platform/core_internal.h"
#include "platform/cursor_file.h"

namespace plat {

namespace {
struct CursorRecord {
    bool icon = false;
    bool stock = false;
    std::uintptr_t stock_id = 0;
    CursorImage image;
    std::uintptr_t native = 0;
    bool native_tried = false;
    unsigned generation = 0;
};
std::map<HANDLE, CursorRecord>& records() {
    static std::map<HANDLE, CursorRecord> m;
    return m;
}
std::map<std::uintptr_t, HANDLE>& stock_cursors() {
    static std::map<std::uintptr_t, HANDLE> m;
    return m;
}
std::map<std::uintptr_t, HANDLE>& stock_icons() {
    static std::map<std::uintptr_t, HANDLE> m;
    return m;
}
unsigned g_generation = 1;

bool is_stock_cursor(std::uintptr_t id) {
    return (id >= IDC_ARROW && id <= IDC_UPARROW) || (id >= IDC_SIZE && id <= IDC_SIZEALL) ||
           (id >= IDC_NO && id <= IDC_HELP);
}

HANDLE stock(std::map<std::uintptr_t, HANDLE>& table, std::uintptr_t id, bool icon) {
    auto it = table.find(id);
    if (it != table.end()) return it->second;
    const HANDLE h = new_handle();
    CursorRecord rec;
    rec.icon = icon;
    rec.stock = true;
    rec.stock_id = id;
    records().emplace(h, std::move(rec));
    table.emplace(id, h);
    return h;
}

// Classic system colours, by index (COLOR_SCROLLBAR .. COLOR_BTNHIGHLIGHT).
constexpr COLORREF kSysColors[] = {
    RGB(200, 200, 200), RGB(0, 0, 0),       RGB(153, 180, 209), RGB(191, 205, 219),
    RGB(240, 240, 240), RGB(255, 255, 255), RGB(100, 100, 100), RGB(0, 0, 0),
    RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(180, 180, 180), RGB(244, 247, 252),
    RGB(171, 171, 171), RGB(0, 120, 215),   RGB(255, 255, 255), RGB(240, 240, 240),
    RGB(160, 160, 160), RGB(109, 109, 109), RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(255, 255, 255)};
constexpr std::int32_t kSysColorCount = sizeof kSysColors / sizeof kSysColors[0];

HBRUSH make_stock_brush(COLORREF c, bool hollow) {
    auto b = std::make_unique<BrushObject>();
    b->stock = true;
    b->color = c;
    b->hollow = hollow;
    return gdi_add(std::move(b));
}
}  // namespace

COLORREF core_sys_color(std::int32_t index) {
    return index >= 0 && index < kSysColorCount ? kSysColors[index] : 0;
}

std::uintptr_t core_native_cursor(HCURSOR cursor) {
    auto it = records().find(cursor);
    if (it == records().end()) return 0;
    CursorRecord& r = it->second;
    if (r.generation != g_generation) {
        r.generation = g_generation;
        r.native = 0;
        r.native_tried = false;
    }
    if (!r.native_tried) {
        r.native_tried = true;
        if (r.stock) {
            if (!r.icon) r.native = backend().stock_cursor(r.stock_id);
        } else if (!r.image.argb.empty()) {
            r.native = backend().image_cursor(r.image.width, r.image.height, r.image.hot_x,
                                              r.image.hot_y, r.image.argb.data());
        }
    }
    return r.native;
}

void core_reset_native_cursors() { ++g_generation; }

bool core_icon_image(HANDLE h, std::int32_t& w, std::int32_t& hgt, const std::uint32_t*& argb) {
    auto it = records().find(h);
    if (it == records().end() || it->second.image.argb.empty()) return false;
    w = it->second.image.width;
    hgt = it->second.image.height;
    argb = it->second.image.argb.data();
    return true;
}

bool core_brush_color(HBRUSH b, COLORREF& c) {
    const BrushObject* o = gdi_get<BrushObject>(b, GdiKind::Brush);
    if (o == nullptr || o->hollow) return false;
    c = o->color;
    return true;
}

HCURSOR LoadCursorA(HINSTANCE inst, std::uintptr_t id) {
    if (inst != 0 || !is_stock_cursor(id)) return 0;  // the program has no resources
    return stock(stock_cursors(), id, false);
}

HICON LoadIconA(HINSTANCE inst, std::uintptr_t id) {
    if (inst != 0 || id < IDI_APPLICATION || id > IDI_APPLICATION + 5) return 0;
    return stock(stock_icons(), id, true);
}

HCURSOR LoadCursorFromFileA(const char* file) {
    CursorRecord rec;
    if (!load_cursor_file(file, rec.image)) return 0;
    rec.icon = !rec.image.is_cursor;
    const HANDLE h = new_handle();
    records().emplace(h, std::move(rec));
    ++live_counters().cursors;
    return h;
}

HBRUSH GetSysColorBrush(std::int32_t index) {
    static std::map<std::int32_t, HBRUSH> brushes;
    if (index < 0 || index >= kSysColorCount) return 0;
    auto it = brushes.find(index);
    if (it != brushes.end()) return it->second;
    const HBRUSH b = make_stock_brush(kSysColors[index], false);
    brushes.emplace(index, b);
    return b;
}

HGDIOBJ GetStockObject(std::int32_t index) {
    // WHITE_BRUSH, LTGRAY_BRUSH, GRAY_BRUSH, DKGRAY_BRUSH, BLACK_BRUSH, NULL_BRUSH
    static const COLORREF colors[] = {RGB(255, 255, 255), RGB(192, 192, 192),
                                      RGB(128, 128, 128), RGB(64, 64, 64), RGB(0, 0, 0), 0};
    static HBRUSH brushes[6] = {};
    if (index < 0 || index > NULL_BRUSH) return 0;
    if (brushes[index] == 0) brushes[index] = make_stock_brush(colors[index], index == NULL_BRUSH);
    return brushes[index];
}

}  // namespace plat
