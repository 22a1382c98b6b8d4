// Fuzzing harness: LOADTGA on a file holding the input, message boxes answered
// through the seam.  Exactly one message per failed call, none on success,
// the file closed and the pixels readable to the last byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Kalvox/KvxTextures.h"
#include "fuzz/scratch_file.h"
#include "platform/seams.h"
#include "platform/win.h"


extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = fuzzing::write_scratch("tga", ".tga", data, size);

    plat::seams::answer_message_boxes(plat::IDOK);
    plat::seams::clear_recorded_boxes();
    kvx::TGATEXTURE t{};
    t.TEXID = 12345;
    const bool ok = kvx::LOADTGA(t, path.c_str());
    const std::size_t boxes = plat::seams::recorded_boxes().size();
    if (kvx::FTGA.is_open() || t.TEXID != 12345) std::abort();
    if (ok) {
        if (boxes != 0 || t.IMAGEDATA == nullptr) std::abort();
        const std::size_t n = static_cast<std::size_t>(t.WIDTH) * t.HEIGHT * (t.BPP / 8);
        volatile std::uint8_t sink = 0;
        sink = sink + t.IMAGEDATA[0] + t.IMAGEDATA[n - 1];
        std::free(t.IMAGEDATA);
    } else if (boxes != 1) {
        std::abort();
    }
    std::remove(path.c_str());
    return 0;
}
