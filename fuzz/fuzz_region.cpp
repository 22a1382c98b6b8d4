// libFuzzer harness for BITMAPTOREGION: arbitrary bytes are written to a
// file and turned into a region.  Whatever the bytes, the routine must not
// crash, must give 0 or a region in normal form inside the picture, and
// must leave no device context, bitmap, palette, region or global block
// behind.  The last byte picks the tolerance.
// Depends on Kalvox/KvxButtons.h and the window-system layer.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Kalvox/KvxButtons.h"
#include "platform/backend.h"
#include "platform/gdi_region.h"
#include "platform/seams.h"

namespace {

const std::string& temp_path() {
    static const std::string p = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir != nullptr ? dir : "/tmp") + "/kvx_fuzz_region_" + std::to_string(getpid()) + ".bmp";
    }();
    return p;
}

bool same(const plat::seams::LiveCounts& a, const plat::seams::LiveCounts& b) {
    return a.dcs == b.dcs && a.bitmaps == b.bitmaps && a.palettes == b.palettes && a.regions == b.regions &&
           a.globals == b.globals;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = plat::select_backend("null") || true;
    (void)ready;
    std::FILE* f = std::fopen(temp_path().c_str(), "wb");
    if (f == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);

    const plat::seams::LiveCounts before = plat::seams::live_counts();
    const std::uint8_t tolerance = size > 0 ? data[size - 1] : 0;
    const plat::HRGN h = kvx::BITMAPTOREGION(temp_path(), 0xFF00FF, tolerance);
    if (h != 0) {
        const plat::Region* r = plat::region_find(h);
        if (r == nullptr || !plat::rgn::is_normal(r->rects)) std::abort();
        for (const plat::RECT& q : r->rects)
            if (q.left < 0 || q.top < 0) std::abort();
        if (plat::DeleteObject(h) == 0) std::abort();
    }
    if (!same(before, plat::seams::live_counts())) std::abort();
    return 0;
}
