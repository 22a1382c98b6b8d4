// Fuzzing harness: GETBMPDEPTH and LoadImageA on a file holding the input.
// Neither may stop the program; a bitmap that loads is deleted again.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Kalvox/KvxTextures.h"
#include "fuzz/scratch_file.h"
#include "platform/win.h"


extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = fuzzing::write_scratch("bmp", ".bmp", data, size);

    const std::int32_t depth = kvx::GETBMPDEPTH(path.c_str());
    if (size < 54 && depth != 0) std::abort();
    const plat::HANDLE h = plat::LoadImageA(0, path.c_str(), plat::IMAGE_BITMAP, 0, 0,
                                            plat::LR_LOADFROMFILE | plat::LR_LOADTRANSPARENT |
                                                plat::LR_CREATEDIBSECTION);
    if (h != 0) {
        plat::BITMAP bm{};
        if (plat::GetObjectA(h, sizeof bm, &bm) != static_cast<std::int32_t>(sizeof bm)) std::abort();
        // A bitmap with a Windows info header has the depth the probe read.
        if (depth != 0 && depth != bm.bmBitsPixel) std::abort();
        if (plat::DeleteObject(h) != 1) std::abort();
    }
    std::remove(path.c_str());
    return 0;
}
