// File-to-pixels decoding against stb_image (a benchmark peer only): 4096 by
// 4096 images, photographic noise and large flat areas, as uncompressed and
// run-length TGA of 24 and 32 bits and as BMP of 24 and 32 bits.  Each side
// produces R, G, B(, A) bytes: ours with LOADTGA, or LoadImageA plus the
// red-blue exchange for BMP; stb_image with stbi_load.  Runs alternate between
// the two; the table shows medians of CPU time (the measure: on a shared,
// loaded machine wall time mostly measures the other processes) and of wall
// time, each with the ratio stb / ours (>= 1 means ours is at least as
// fast), then the peak memory of one decode, measured in a child process,
// against the output size.
//
//   bench_decode [runs]    (default 5 runs per side and case)
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "Kalvox/KvxTextures.h"
#include "platform/seams.h"
#include "platform/win.h"
#include "tests/support/image_writers.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#define STBI_ONLY_BMP
#define STBI_NO_STDIO_WARNINGS
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace {

constexpr int SIZE = 4096;

enum class Kind { Tga, Bmp };
struct Case {
    std::string name;
    std::string path;
    Kind kind;
    int bytes_per_pixel;
};

// The B, G, R(, A) source pixels of one content.
std::vector<std::uint8_t> content(bool noise, int bpp) {
    std::vector<std::uint8_t> px(static_cast<std::size_t>(SIZE) * SIZE * static_cast<std::size_t>(bpp));
    if (noise) {
        std::mt19937_64 rng(12345);
        for (std::size_t i = 0; i + 8 <= px.size(); i += 8) {
            const std::uint64_t v = rng();
            std::memcpy(px.data() + i, &v, 8);
        }
    } else {
        // 512 by 512 blocks of one colour each.
        for (int y = 0; y < SIZE; ++y)
            for (int x = 0; x < SIZE; ++x) {
                std::uint8_t* p = px.data() + (static_cast<std::size_t>(y) * SIZE + static_cast<std::size_t>(x)) * static_cast<std::size_t>(bpp);
                const int b = (y / 512) * 8 + x / 512;
                p[0] = static_cast<std::uint8_t>(b * 5);
                p[1] = static_cast<std::uint8_t>(b * 11);
                p[2] = static_cast<std::uint8_t>(255 - b);
                if (bpp == 4) p[3] = static_cast<std::uint8_t>(b * 3);
            }
    }
    return px;
}

std::vector<Case> write_files(const std::string& dir) {
    std::vector<Case> cases;
    for (bool noise : {true, false}) {
        const std::string c = noise ? "noise" : "flat";
        for (int bpp : {3, 4}) {
            const std::vector<std::uint8_t> px = content(noise, bpp);
            const std::string bits = std::to_string(bpp * 8);
            fixtures::Tga t;
            t.width = SIZE;
            t.height = SIZE;
            t.bpp = static_cast<std::uint8_t>(bpp * 8);
            t.data = px;
            std::string p = dir + "/" + c + bits + ".tga";
            fixtures::write_file(p, fixtures::tga_file(t));
            cases.push_back({"TGA " + bits + " " + c, p, Kind::Tga, bpp});
            t.head[2] = fixtures::TGA_RLE;
            t.data = fixtures::tga_rle_encode(px.data(), static_cast<std::size_t>(SIZE) * SIZE, bpp);
            p = dir + "/" + c + bits + "rle.tga";
            fixtures::write_file(p, fixtures::tga_file(t));
            cases.push_back({"TGA RLE " + bits + " " + c, p, Kind::Tga, bpp});
            fixtures::Bmp b;
            b.width = SIZE;
            b.height = SIZE;
            b.bits = static_cast<std::uint16_t>(bpp * 8);
            b.rows = px;
            p = dir + "/" + c + bits + ".bmp";
            fixtures::write_file(p, fixtures::bmp_file(b));
            cases.push_back({"BMP " + bits + " " + c, p, Kind::Bmp, bpp});
        }
    }
    return cases;
}

// One decode by ours; returns a checksum of a few output bytes.
unsigned ours(const Case& c) {
    unsigned sum = 0;
    if (c.kind == Kind::Tga) {
        kvx::TGATEXTURE t{};
        if (!kvx::LOADTGA(t, c.path.c_str())) std::abort();
        sum = t.IMAGEDATA[0] + t.IMAGEDATA[1];
        std::free(t.IMAGEDATA);
        return sum;
    }
    const plat::HANDLE h = plat::LoadImageA(0, c.path.c_str(), plat::IMAGE_BITMAP, 0, 0,
                                            plat::LR_LOADFROMFILE | plat::LR_CREATEDIBSECTION);
    plat::BITMAP bm{};
    if (h == 0 || plat::GetObjectA(h, sizeof bm, &bm) == 0) std::abort();
    auto* row = static_cast<std::uint8_t*>(bm.bmBits);
    for (std::int32_t y = 0; y < bm.bmHeight; ++y, row += bm.bmWidthBytes) {
        if (bm.bmBitsPixel == 24) {
            kvx::SWAPRGB(row, bm.bmWidth);
        } else {
            for (std::int32_t x = 0; x < bm.bmWidth; ++x) std::swap(row[4 * x], row[4 * x + 2]);
        }
    }
    sum = static_cast<std::uint8_t*>(bm.bmBits)[0];
    plat::DeleteObject(h);
    return sum;
}

unsigned stb(const Case& c) {
    int w = 0, h = 0, n = 0;
    stbi_uc* p = stbi_load(c.path.c_str(), &w, &h, &n, c.bytes_per_pixel);
    if (p == nullptr) std::abort();
    const unsigned sum = p[0] + p[1];
    stbi_image_free(p);
    return sum;
}

// CPU time of the process (user and system, page faults and read copies
// included) in milliseconds: on a shared, loaded machine the wall clock
// mostly measures the other processes.
double cpu_ms() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

double wall_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

struct Times {
    std::vector<double> cpu, wall;
};

template <class F>
void time_ms(F&& f, Times& t, unsigned& sink) {
    const double c0 = cpu_ms(), w0 = wall_ms();
    sink += f();
    t.cpu.push_back(cpu_ms() - c0);
    t.wall.push_back(wall_ms() - w0);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

long status_kb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(field);
    while (std::getline(in, line))
        if (line.compare(0, n, field) == 0) return std::strtol(line.c_str() + n + 1, nullptr, 10);
    return -1;
}

// Peak resident memory added by one decode, in KiB, measured in a child.
long peak_kb(const Case& c, bool use_stb) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        { std::ofstream("/proc/self/clear_refs") << "5"; }  // reset the high-water mark
        const long before = status_kb("VmRSS:");
        unsigned sink = use_stb ? stb(c) : ours(c);
        const long peak = status_kb("VmHWM:") - before;
        if (write(fds[1], &peak, sizeof peak) != sizeof peak) _exit(1);
        _exit(sink == 0xFFFFFFFFu ? 2 : 0);
    }
    close(fds[1]);
    long peak = -1;
    if (read(fds[0], &peak, sizeof peak) != sizeof peak) peak = -1;
    close(fds[0]);
    int st = 0;
    waitpid(pid, &st, 0);
    return peak;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    plat::seams::answer_message_boxes(plat::IDOK);
    const std::string dir = fixtures::make_temp_dir("bench-decode");
    std::printf("writing 12 files of %d x %d in %s ...\n", SIZE, SIZE, dir.c_str());
    const std::vector<Case> cases = write_files(dir);

    unsigned sink = 0;
    std::printf("\n%-20s %9s %9s %7s %10s %10s %7s   %12s %12s %12s  %s\n", "case (4096x4096)", "ours cpu",
                "stb cpu", "ratio", "ours wall", "stb wall", "ratio", "ours peak", "output+1MiB", "stb peak",
                "memory");
    bool all_fast = true, all_small = true;
    for (const Case& c : cases) {
        sink += ours(c) + stb(c);  // warm the page cache
        Times a, b;
        for (int r = 0; r < runs; ++r) {
            if (r % 2 == 0) {
                time_ms([&] { return ours(c); }, a, sink);
                time_ms([&] { return stb(c); }, b, sink);
            } else {
                time_ms([&] { return stb(c); }, b, sink);
                time_ms([&] { return ours(c); }, a, sink);
            }
        }
        const double ma = median(a.cpu), mb = median(b.cpu), ratio = mb / ma;
        const double wa = median(a.wall), wb = median(b.wall);
        const long out_kb = static_cast<long>(SIZE) * SIZE * c.bytes_per_pixel / 1024;
        const long limit_kb = out_kb + 1024;
        const long po = peak_kb(c, false), ps = peak_kb(c, true);
        const bool small = po >= 0 && po <= limit_kb;
        all_fast = all_fast && ratio >= 1.0;
        all_small = all_small && small;
        std::printf("%-20s %9.1f %9.1f %7.2f %10.1f %10.1f %7.2f   %8ld KiB %8ld KiB %8ld KiB  %s\n", c.name.c_str(),
                    ma, mb, ratio, wa, wb, wb / wa, po, limit_kb, ps, small ? "ok" : "OVER");
    }
    std::printf("\nratio >= 1.0 on every case: %s; peak within output + 1 MiB on every case: %s\n",
                all_fast ? "yes" : "NO", all_small ? "yes" : "NO");
    fixtures::remove_tree(dir);
    return sink == 0xFFFFFFFFu ? 1 : 0;
}
