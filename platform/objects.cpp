#include "platform/objects.h"

#include <unordered_map>
#include <vector>

#include "platform/seams.h"
#include "runtime/runtime.h"

namespace plat {

namespace {
HANDLE g_next = 0;
std::unordered_map<HANDLE, std::unique_ptr<GdiObject>>& objects() {
    static std::unordered_map<HANDLE, std::unique_ptr<GdiObject>> m;
    return m;
}
std::unordered_map<HANDLE, DeviceContext>& dcs() {
    static std::unordered_map<HANDLE, DeviceContext> m;
    return m;
}
}  // namespace

HANDLE new_handle() { return g_next = rt::add<HANDLE>(g_next, 1); }

HGDIOBJ gdi_add(std::unique_ptr<GdiObject> obj) {
    if (!obj) return 0;
    const HANDLE h = new_handle();
    objects().emplace(h, std::move(obj));
    return h;
}

GdiObject* gdi_find(HGDIOBJ h) {
    auto it = objects().find(h);
    return it == objects().end() ? nullptr : it->second.get();
}

bool gdi_delete(HGDIOBJ h) {
    auto it = objects().find(h);
    if (it == objects().end() || it->second->stock || it->second->selected > 0) return false;
    objects().erase(it);
    return true;
}

std::int32_t gdi_live(GdiKind k) {
    std::int32_t n = 0;
    for (const auto& [h, o] : objects())
        if (o->kind() == k && !o->stock) ++n;
    return n;
}

HDC dc_add(const DeviceContext& dc) {
    const HANDLE h = new_handle();
    dcs().emplace(h, dc);
    return h;
}

DeviceContext* dc_find(HDC h) {
    auto it = dcs().find(h);
    return it == dcs().end() ? nullptr : &it->second;
}

bool dc_remove(HDC h) { return dcs().erase(h) > 0; }

std::int32_t dc_live() { return static_cast<std::int32_t>(dcs().size()); }

namespace {
std::vector<WindowHook>& window_hooks() {
    static std::vector<WindowHook> v;
    return v;
}
}  // namespace

void add_window_destroy_hook(WindowHook hook) {
    for (WindowHook h : window_hooks())
        if (h == hook) return;
    window_hooks().push_back(hook);
}

void run_window_destroy_hooks(HWND w) {
    for (WindowHook h : window_hooks()) h(w);
}

LiveCounters& live_counters() {
    static LiveCounters c;
    return c;
}

std::int32_t GetObjectA(HGDIOBJ obj, std::int32_t size, void* out) {
    const GdiObject* o = gdi_find(obj);
    return o == nullptr ? 0 : o->describe(size, out);
}

BOOL DeleteObject(HGDIOBJ obj) { return gdi_delete(obj) ? 1 : 0; }

namespace seams {
LiveCounts live_counts() {
    LiveCounts c;
    const LiveCounters& l = live_counters();
    c.windows = l.windows;
    c.contexts = l.contexts;
    c.globals = l.globals;
    c.cursors = l.cursors;
    c.dcs = dc_live();
    c.bitmaps = gdi_live(GdiKind::Bitmap);
    c.palettes = gdi_live(GdiKind::Palette);
    c.regions = gdi_live(GdiKind::Region);
    return c;
}
}  // namespace seams

}  // namespace plat
