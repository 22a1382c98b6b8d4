// BITMAPTOREGION speed.  Two 1024 by 1024 32-bit pictures are written once
// into a temporary directory: a solid disc on magenta (one or two runs per
// row) and a checkerboard of one-pixel runs (524,288 runs, 263 flushes of
// the rectangle buffer).  Each is measured against two baselines in the same
// run:
//   load+scan  LoadImageA of the same file (the same decoder) and a scan of
//              its 32-bit pixels counting the opaque runs with the same test;
//   scan       the scan alone, on pixels already in memory.
// A checkerboard twice as tall shows whether the cost grows linearly.  The
// ratios (real and CPU time) are printed after the benchmarks.
//
// The allocator: measured with glibc's defaults, as a program gets them.
// BITMAPTOREGION makes two 4 MB pixel blocks (the decoded file and the 32-bit
// copy) and grows a rectangle list to 8 MB for the checkerboard; the layer
// keeps large freed pixel blocks and the largest rectangle buffer given up
// for the next call, so steady-state calls do not fault in fresh pages.
// KVX_BENCH_FIXED_MALLOC=1 fixes the mmap and trim thresholds instead
// (mallopt, the same for every benchmark), which hides any such fault cost.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "Kalvox/KvxButtons.h"
#include "platform/backend.h"
#include "platform/win.h"

using namespace plat;

namespace {

constexpr std::uint32_t kMagenta = 0xFF00FF;  // as stored in a 32-bit pixel: red 255, blue 255

struct Picture {
    int w = 0, h = 0;
    std::vector<std::uint32_t> px;  // bottom-up, as stored
};

Picture disc(int n) {
    Picture p{n, n, std::vector<std::uint32_t>(static_cast<std::size_t>(n) * n, kMagenta)};
    const double r = n * 0.45, c = n / 2.0;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            if ((x - c) * (x - c) + (y - c) * (y - c) <= r * r) p.px[static_cast<std::size_t>(y) * n + x] = 0x336699;
    return p;
}

Picture checker(int w, int h) {
    Picture p{w, h, std::vector<std::uint32_t>(static_cast<std::size_t>(w) * h)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.px[static_cast<std::size_t>(y) * w + x] = (x + y) % 2 ? kMagenta : 0x000000;
    return p;
}

void write_bmp(const std::string& path, const Picture& p) {
    const std::uint32_t bytes = static_cast<std::uint32_t>(p.px.size() * 4);
    BITMAPFILEHEADER fh{0x4D42, 54 + bytes, 0, 0, 54};
    BITMAPINFOHEADER ih{40, p.w, p.h, 1, 32, BI_RGB, bytes, 0, 0, 0, 0};
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) std::abort();
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&ih, sizeof ih, 1, f);
    std::fwrite(p.px.data(), 4, p.px.size(), f);
    std::fclose(f);
}

struct Files {
    std::string dir;
    std::map<std::string, Picture> pictures;
    Files() {
        char tmpl[] = "/tmp/kvx_bench_region_XXXXXX";
        if (mkdtemp(tmpl) == nullptr) std::abort();
        dir = tmpl;
        pictures["disc"] = disc(1024);
        pictures["checker"] = checker(1024, 1024);
        pictures["checker2048"] = checker(1024, 2048);
        for (const auto& [name, pic] : pictures) write_bmp(path(name), pic);
    }
    ~Files() {
        for (const auto& [name, pic] : pictures) std::remove(path(name).c_str());
        std::remove(dir.c_str());
    }
    std::string path(const std::string& name) const { return dir + "/" + name + ".bmp"; }
};

Files& files() {
    static Files f;
    return f;
}

// The same transparency test as the region builder, counting runs.
std::int64_t count_runs(const std::uint8_t* bits, int w, int h, int stride) {
    const std::uint32_t LR = 255, HR = 255, LG = 0, HG = 1, LB = 255, HB = 255;
    std::int64_t runs = 0;
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(bits + static_cast<std::size_t>(h - 1 - y) * stride);
        bool in_run = false;
        for (int x = 0; x < w; ++x) {
            const std::uint32_t px = row[x];
            const std::uint32_t r = (px >> 16) & 0xFF, g = (px >> 8) & 0xFF, b = px & 0xFF;
            const bool transparent = r >= LR && r <= HR && g >= LG && g <= HG && b >= LB && b <= HB;
            if (!transparent && !in_run) ++runs;
            in_run = !transparent;
        }
    }
    return runs;
}

void BM_Region(benchmark::State& st, const char* name) {
    const std::string path = files().path(name);
    for (auto _ : st) {
        const HRGN h = kvx::BITMAPTOREGION(path, 0xFF00FF, 1);
        if (h == 0) st.SkipWithError("no region");
        DeleteObject(h);
    }
}

void BM_LoadScan(benchmark::State& st, const char* name) {
    const std::string path = files().path(name);
    std::int64_t runs = 0;
    for (auto _ : st) {
        const HBITMAP b = static_cast<HBITMAP>(
            LoadImageA(GetModuleInstance(), path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        BITMAP bm{};
        GetObjectA(b, sizeof bm, &bm);
        runs = count_runs(static_cast<const std::uint8_t*>(bm.bmBits), bm.bmWidth, bm.bmHeight, bm.bmWidthBytes);
        benchmark::DoNotOptimize(runs);
        DeleteObject(b);
    }
    st.counters["runs"] = static_cast<double>(runs);
}

void BM_Scan(benchmark::State& st, const char* name) {
    const Picture& p = files().pictures[name];
    std::int64_t runs = 0;
    for (auto _ : st) {
        runs = count_runs(reinterpret_cast<const std::uint8_t*>(p.px.data()), p.w, p.h, p.w * 4);
        benchmark::DoNotOptimize(runs);
    }
    st.counters["runs"] = static_cast<double>(runs);
}

// Keeps each benchmark's real time per iteration for the ratio table.
class Recorder : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> ns, cpu;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration) {
                ns[r.benchmark_name()] = r.GetAdjustedRealTime();
                cpu[r.benchmark_name()] = r.GetAdjustedCPUTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    select_backend("null");
    const char* fix = std::getenv("KVX_BENCH_FIXED_MALLOC");
    const bool fixed = fix != nullptr && std::strcmp(fix, "1") == 0;
    if (fixed) {
        mallopt(M_MMAP_THRESHOLD, 64 << 20);
        mallopt(M_TRIM_THRESHOLD, 256 << 20);
    }
    for (const char* name : {"disc", "checker", "checker2048"}) {
        benchmark::RegisterBenchmark((std::string("region/") + name).c_str(), BM_Region, name)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("load+scan/") + name).c_str(), BM_LoadScan, name)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("scan/") + name).c_str(), BM_Scan, name)->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    Recorder rec;
    benchmark::RunSpecifiedBenchmarks(&rec);
    benchmark::Shutdown();
    std::printf("\nratios (%s allocator thresholds)          real time        cpu time\n",
                fixed ? "fixed" : "default");
    for (const char* name : {"disc", "checker", "checker2048"}) {
        const std::string n = name;
        for (auto* m : {&rec.ns, &rec.cpu})
            if ((*m)["region/" + n] <= 0 || (*m)["load+scan/" + n] <= 0 || (*m)["scan/" + n] <= 0) return 0;
        std::printf("  %-12s region / load+scan        %6.2f          %6.2f\n", name,
                    rec.ns["region/" + n] / rec.ns["load+scan/" + n], rec.cpu["region/" + n] / rec.cpu["load+scan/" + n]);
        std::printf("  %-12s region / scan             %6.2f          %6.2f\n", name,
                    rec.ns["region/" + n] / rec.ns["scan/" + n], rec.cpu["region/" + n] / rec.cpu["scan/" + n]);
    }
    std::printf("  checkerboard 1024x2048 / 1024x1024  %6.2f          %6.2f   (2 when linear)\n",
                rec.ns["region/checker2048"] / rec.ns["region/checker"],
                rec.cpu["region/checker2048"] / rec.cpu["region/checker"]);
    return 0;
}
