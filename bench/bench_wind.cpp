// One frame of the meadow's wind work: 36 tufts, each installing the blank
// vertex table (MAXNUM 36), ten rotate scans, MULTIQUAD(4, 8, 4) with nothing
// sent to OpenGL, ten check scans; row I of six tufts at phase (I+1)*TIME.
// The library runs next to a plain model that copies the whole record at every
// installation and builds every matrix afresh.  OpenGL calls go to the gltrace
// null sink.  Heap allocations are counted with a replaced operator new.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

#include "KVX_Tutorial/KvxTutorial.h"
#include "Kalvox/KvxGeometry.h"
#include "tests/support/gltrace.h"
#include "tests/support/reference_geometry.h"

namespace {
unsigned long long g_allocs = 0;
}  // namespace

void* operator new(std::size_t n) {
    ++g_allocs;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace kvx;

// The program's records: never-written blank tables and the selections.
TGLVERTEX3F VERT0;
TGLFINDVERTEX3F T0[5], T1[5];
refgeom::Table RBLANK;
refgeom::Model RMODEL;
refgeom::Find R0[5], R1[5];

// The sway angles of one row's boundaries, cos(TIME) * 10 * I and
// sin(TIME) * 5 * I, worked out once per row (the six tufts of a row share
// them) and the same for both sides.  This is the demo's own arithmetic, not
// the library's, so it is done in plain double to keep it out of the way.
struct RowAngles {
    float RX[5], RZ[5];
};

void lib_tuft(const RowAngles& a) {
    GLSETMAXVERTEX3F(VERT0, 36);
    for (int I = 0; I <= 4; ++I) {
        GLROTATEVERTEX3F(VERT0, T0[I], 0, 0, 0, a.RX[I], 0, a.RZ[I], 36);
        GLROTATEVERTEX3F(VERT0, T1[I], 0, 0, 0, a.RX[I], 0, a.RZ[I], 36);
    }
    MULTIQUAD(4, 8, 4);
    for (int I = 0; I <= 4; ++I) {
        GLCHECKROTATEV3F(T0[I], -4, 2.0f * I, 0, 1.25f, 36);
        GLCHECKROTATEV3F(T1[I], 4, 2.0f * I, 0, 1.25f, 36);
    }
}

void ref_tuft(const RowAngles& a) {
    refgeom::install(RMODEL, RBLANK, 36);
    for (int I = 0; I <= 4; ++I) {
        refgeom::rotate_scan(RMODEL, R0[I], 0, 0, 0, a.RX[I], 0, a.RZ[I], 36);
        refgeom::rotate_scan(RMODEL, R1[I], 0, 0, 0, a.RX[I], 0, a.RZ[I], 36);
    }
    refgeom::multiquad(RMODEL, 4, 8, 4);
    for (int I = 0; I <= 4; ++I) {
        refgeom::check(RMODEL, R0[I], -4, 2.0f * I, 0, 1.25f, 36);
        refgeom::check(RMODEL, R1[I], 4, 2.0f * I, 0, 1.25f, 36);
    }
}

template <void (*TUFT)(const RowAngles&)>
void frame(float time) {
    for (int row = 0; row < 6; ++row) {
        const float phase = static_cast<float>((row + 1) * static_cast<long double>(time));
        const double c = std::cos(static_cast<double>(phase)), s = std::sin(static_cast<double>(phase));
        RowAngles a;
        for (int I = 0; I <= 4; ++I) {
            a.RX[I] = static_cast<float>(c * 10 * I);
            a.RZ[I] = static_cast<float>(s * 5 * I);
        }
        for (int col = 0; col < 6; ++col) TUFT(a);
    }
}

void setup() {
    gltrace::set_recording(false);
    gltrace::set_forwarding(false);
    VERTEXEDITON();
    GLVERT3FREMOVE = true;
    RMODEL.edit = true;
    RMODEL.remove = true;
}

// Both sides must agree before their speed means anything.
void check_agreement() {
    static bool done = false;
    if (done) return;
    done = true;
    setup();
    for (int f = 0; f < 3; ++f) {
        frame<lib_tuft>(0.05f * static_cast<float>(f));
        frame<ref_tuft>(0.05f * static_cast<float>(f));
    }
    const TGLVERTEX3F& t = GLBASEVERTEX3F;
    const bool same = std::memcmp(t.GLVERT3F.data(), RMODEL.table.vert, sizeof RMODEL.table.vert) == 0 &&
                      std::memcmp(t.GLVERT3FTMPROTATE.data(), RMODEL.table.rotate,
                                  sizeof RMODEL.table.rotate) == 0 &&
                      std::memcmp(T0[4].GLVERT3FFINDV3FFORROTATE.data(), R0[4].rotate, sizeof R0[4].rotate) == 0;
    if (!same) {
        std::fprintf(stderr, "bench_wind: the library and the plain model disagree\n");
        std::exit(1);
    }
}

template <void (*TUFT)(const RowAngles&)>
void run(benchmark::State& state) {
    check_agreement();
    setup();
    float time = 0;
    unsigned long long frames = 0;
    const unsigned long long before = g_allocs;
    for (auto _ : state) {
        frame<TUFT>(time);
        // A new wind phase every frame, so no angle repeats from one frame to
        // the next; kept within a few periods like the demo's clock.
        time += 0.016f;
        if (time > 60.0f) time = 0.0f;
        ++frames;
    }
    const double allocs = static_cast<double>(g_allocs - before);
    state.counters["allocs_per_frame"] = allocs / static_cast<double>(frames ? frames : 1);
    benchmark::DoNotOptimize(GLBASEVERTEX3F.GLVERT3FCOUNT);
}

void BM_WindFrame_Library(benchmark::State& state) { run<lib_tuft>(state); }
void BM_WindFrame_PlainModel(benchmark::State& state) { run<ref_tuft>(state); }

double thread_cpu_seconds() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

// Both sides interleaved in the same iterations (ten library frames, then one
// plain-model frame, each block timed in thread CPU time), so that a shared,
// busy machine slows both alike; the counters give the per-frame times and
// their ratio.
void BM_WindFrame_Ratio(benchmark::State& state) {
    check_agreement();
    setup();
    double lib = 0, ref = 0;
    unsigned long long lib_frames = 0, ref_frames = 0;
    float lib_time = 0, ref_time = 0;
    const unsigned long long before = g_allocs;
    for (auto _ : state) {
        double t0 = thread_cpu_seconds();
        for (int k = 0; k < 10; ++k) {
            frame<lib_tuft>(lib_time);
            lib_time = lib_time > 60.0f ? 0.0f : lib_time + 0.016f;
        }
        double t1 = thread_cpu_seconds();
        frame<ref_tuft>(ref_time);
        ref_time = ref_time > 60.0f ? 0.0f : ref_time + 0.016f;
        double t2 = thread_cpu_seconds();
        lib += t1 - t0;
        ref += t2 - t1;
        lib_frames += 10;
        ref_frames += 1;
    }
    const double allocs = static_cast<double>(g_allocs - before);
    const double lib_us = 1e6 * lib / static_cast<double>(lib_frames ? lib_frames : 1);
    const double ref_us = 1e6 * ref / static_cast<double>(ref_frames ? ref_frames : 1);
    state.counters["lib_us_per_frame"] = lib_us;
    state.counters["plain_us_per_frame"] = ref_us;
    state.counters["speedup"] = lib_us > 0 ? ref_us / lib_us : 0;
    state.counters["allocs"] = allocs;
}

BENCHMARK(BM_WindFrame_PlainModel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WindFrame_Library)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WindFrame_Ratio)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
