// The portable core's window device contexts, pixel formats and OpenGL
// rendering contexts (the WGL operations).  Contexts are the backend's; the
// core keeps the handle table, the current context and the live count.
// Depends on core_internal.h, objects.h (device contexts) and seams.h.
#include <cstring>

#include "platform/core_internal.h"
#include "platform/seams.h"

namespace plat {

namespace {
struct Context {
    void* native = nullptr;
    HWND window = 0;
};
std::map<HGLRC, Context>& contexts() {
    static std::map<HGLRC, Context> m;
    return m;
}
HGLRC g_current = 0;
HWND g_current_window = 0;

// The live window a window or paint context draws to, 0 otherwise.
HWND dc_window(HDC dc) {
    const DeviceContext* d = dc_find(dc);
    if (d == nullptr || d->memory || d->screen) return 0;
    return core_window(d->window) != nullptr ? d->window : 0;
}
}  // namespace

HDC GetDC(HWND w) {
    DeviceContext dc;
    if (w == 0) {
        dc.screen = true;
        return dc_add(dc);
    }
    Window* win = core_window(w);
    if (win == nullptr) return 0;
    dc.window = w;
    const HDC h = dc_add(dc);
    win->dcs.push_back(h);
    return h;
}

std::int32_t ReleaseDC(HWND w, HDC dc) {
    const DeviceContext* d = dc_find(dc);
    if (d == nullptr || d->memory || d->paint) return 0;
    if (d->screen ? w != 0 : d->window != w) return 0;
    dc_remove(dc);
    if (w != 0) core_forget_dc(w, dc);
    return 1;
}

std::int32_t ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* pfd) {
    if (seams::take_failure("ChoosePixelFormat")) return 0;
    if (pfd == nullptr || dc_find(dc) == nullptr) return 0;
    return backend().choose_pixel_format(*pfd);
}

BOOL SetPixelFormat(HDC dc, std::int32_t format, const PIXELFORMATDESCRIPTOR*) {
    const HWND w = dc_window(dc);
    if (w == 0 || format <= 0) return 0;
    Window* win = core_window(w);
    // A window's pixel format is set once.
    if (win->pixel_format != 0) return win->pixel_format == format ? 1 : 0;
    if (!backend().set_pixel_format(w, format)) return 0;
    core_window(w)->pixel_format = format;
    return 1;
}

std::int32_t DescribePixelFormat(HDC dc, std::int32_t format, UINT bytes,
                                 PIXELFORMATDESCRIPTOR* out) {
    if (dc_find(dc) == nullptr) return 0;
    // The result is the number of formats there are.
    std::int32_t count = 0;
    PIXELFORMATDESCRIPTOR probe{};
    while (count < 4096 && backend().describe_pixel_format(count + 1, probe)) ++count;
    if (out != nullptr) {
        if (format < 1 || format > count || bytes < sizeof(PIXELFORMATDESCRIPTOR)) return 0;
        PIXELFORMATDESCRIPTOR d{};
        if (!backend().describe_pixel_format(format, d)) return 0;
        std::memcpy(out, &d, sizeof d);
    }
    return count;
}

HGLRC wglCreateContext(HDC dc) {
    if (seams::take_failure("wglCreateContext")) return 0;
    const HWND w = dc_window(dc);
    if (w == 0) return 0;
    void* native = backend().create_context(w);
    if (native == nullptr) return 0;
    const HGLRC h = new_handle();
    contexts().emplace(h, Context{native, w});
    ++live_counters().contexts;
    return h;
}

BOOL wglMakeCurrent(HDC dc, HGLRC rc) {
    if (rc == 0) {
        if (g_current != 0) backend().make_current(g_current_window, nullptr);
        g_current = 0;
        g_current_window = 0;
        return 1;
    }
    auto it = contexts().find(rc);
    const HWND w = dc_window(dc);
    if (it == contexts().end() || w == 0) return 0;
    if (!backend().make_current(w, it->second.native)) return 0;
    g_current = rc;
    g_current_window = w;
    return 1;
}

BOOL wglDeleteContext(HGLRC rc) {
    auto it = contexts().find(rc);
    if (it == contexts().end()) return 0;
    if (g_current == rc) wglMakeCurrent(0, 0);
    backend().delete_context(it->second.native);
    contexts().erase(it);
    --live_counters().contexts;
    return 1;
}

HGLRC wglGetCurrentContext() { return g_current; }

BOOL SwapBuffers(HDC dc) {
    const HWND w = dc_window(dc);
    if (w == 0) return 0;
    return backend().swap_buffers(w) ? 1 : 0;
}

}  // namespace plat
