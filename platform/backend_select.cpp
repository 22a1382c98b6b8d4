// Backend selection: the first use of backend() picks one (the KVX_BACKEND
// environment variable if set, else "x11" when DISPLAY is set and the X11
// backend is built in, else "null"); select_backend() replaces it while no
// window or GL context exists.  Depends on the backends' factories.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/core_internal.h"

namespace plat {

namespace {
std::unique_ptr<Backend>& current() {
    static std::unique_ptr<Backend> b;
    return b;
}

std::unique_ptr<Backend> make_by_name(const char* name) {
    if (name == nullptr) return nullptr;
    if (std::strcmp(name, "null") == 0) return make_null_backend();
    if (std::strcmp(name, "egl") == 0) return make_egl_backend();
#if KVX_HAVE_X11
    if (std::strcmp(name, "x11") == 0) return make_x11_backend();
#endif
    return nullptr;
}
}  // namespace

Backend& backend() {
    std::unique_ptr<Backend>& b = current();
    if (b) return *b;
    const char* want = std::getenv("KVX_BACKEND");
    if (want != nullptr && *want != '\0') {
        b = make_by_name(want);
        if (!b)
            std::fprintf(stderr, "kvx: backend \"%s\" is not available; using \"null\"\n", want);
    } else {
        const char* display = std::getenv("DISPLAY");
        if (display != nullptr && *display != '\0') b = make_by_name("x11");
    }
    if (!b) b = make_null_backend();
    return *b;
}

bool select_backend(const char* name) {
    const LiveCounters& live = live_counters();
    if (live.windows > 0 || live.contexts > 0) return false;
    std::unique_ptr<Backend> fresh = make_by_name(name);
    if (!fresh) return false;
    current() = std::move(fresh);
    core_reset_native_cursors();
    return true;
}

}  // namespace plat
