// Library cost of one meadow frame: OPENGL_DRAW with every OpenGL call sent to
// the gltrace null sink (counted, never forwarded), against a reference frame
// in which the vertex table works the plain way: a full copy of the whole
// blank record at every installation and a fresh rotation matrix for every
// recorded vertex.  Both are timed in the same process, interleaved.
//
// The vertex table has no switch for a plain mode, so the reference frame is
// built from the same routines: before each tuft it takes a non-const access
// to the blank record (VERT[0]), which makes the next GLSETMAXVERTEX3F copy
// all of it (about 720 KB) instead of restoring the slots noted since the last
// installation; after each tuft it builds the rotation matrix of each of the
// tuft's 16 recorded slots afresh with MATRIXEULERRAD and applies it with
// MATRIXVECROT, on top of the table's cached matrices.
//
//   bench_meadow [frames per run (default 300)] [runs (default 10)]
//
// Depends on: the meadow scene, Kalvox, gltrace (null sink), the data files.
#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "Kalvox/KvxGeometry.h"
#include "Kalvox/KvxRender.h"
#include "Kalvox/KvxTextures.h"
#include "Kalvox/KvxWindow.h"
#include "demo/scene.h"
#include "platform/win.h"
#include "tests/support/gltrace.h"

namespace {

volatile float g_sink = 0;  // keeps the reference's matrices alive

// The frame of OPENGL_DRAW, step for step, with the plain table work added
// around each tuft (see the banner).
void reference_frame() {
    using namespace meadow;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    OPENGL_DRAW2D();
    OPENGL_MOUSE2D();
    OPENGL_KEYBOARD();
    glTranslatef(0, 0, -30);
    glRotatef(25, 1, 0, 0);
    kvx::SETGLMOUSEMOVE(kvx::GL_M0, 2);
    kvx::PUTGLPOINTLIGHT(GL_LIGHT0, 0, 0, 10, 5, 0.1f);
    kvx::TEXTURESELECTID(0);
    QUAD(-10, 0, -10, 10, 0, -10, -10, 0, 10, 10, 0, 10);
    const std::uint32_t ticks = plat::GetTickCount();
    TIME = static_cast<float>(static_cast<long double>(ticks) / 2500.0L);
    kvx::VERTEXEDITON();
    kvx::SETGLSPRITE();
    kvx::TEXTURETGASELECTID(0);
    for (I = 0;; ++I) {
        for (L = 0;; ++L) {
            kvx::BILLBOARDBEGIN(POS[I][L].X, POS[I][L].Y, POS[I][L].Z);
            const float phase = static_cast<float>(static_cast<long double>(I + 1) * TIME);
            (void)VERT[0].GLVERT3F.data();  // the next installation copies the whole record
            FOGLIE(std::as_const(VERT)[0], 0, 0, 0, 4, ROT[I][L], phase);
            const kvx::TGLVERTEX3F& table = kvx::GLBASEVERTEX3F;
            for (int slot = 1; slot <= 16; ++slot) {
                const kvx::TGLBASEMATRIX m = kvx::MATRIXEULERRAD(table.GLVERT3FTMPROTATE[slot]);
                g_sink = g_sink + kvx::MATRIXVECROT(table.GLVERT3FOFFSET[slot], m).Y;
            }
            kvx::BILLBOARDEND();
            if (L == 5) break;
        }
        if (I == 5) break;
    }
    kvx::SETGLSPRITEOFF();
    kvx::VERTEXEDITOFF();
}

double run_us_per_frame(void (*frame)(), int frames) {
    const auto t0 = std::chrono::steady_clock::now();
    for (int f = 0; f < frames; ++f) frame();
    const auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::micro>(t1 - t0).count() / frames;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 300;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 10;
    if (chdir(MEADOW_DATA_DIR) != 0) {
        std::perror(MEADOW_DATA_DIR);
        return 1;
    }
    gltrace::set_recording(false);
    gltrace::set_forwarding(false);  // the null sink: calls are counted only
    kvx::WIDTH = 800;
    kvx::HEIGHT = 600;
    meadow::OPENGL_CREATELIST();
    meadow::OPENGL_DRAW();  // the first frame fills the selections

    gltrace::clear();
    meadow::OPENGL_DRAW();
    const auto calls_per_frame = gltrace::call_count();

    std::vector<double> lib, ref;
    for (int r = 0; r < runs; ++r) {
        lib.push_back(run_us_per_frame(meadow::OPENGL_DRAW, frames));
        ref.push_back(run_us_per_frame(reference_frame, frames));
    }
    const double l = median(lib), p = median(ref);
    std::printf("OpenGL calls per frame (null sink): %llu\n",
                static_cast<unsigned long long>(calls_per_frame));
    std::printf("library frame (OPENGL_DRAW):            %9.1f us/frame (median of %d runs of %d)\n",
                l, runs, frames);
    std::printf("reference frame (full copy, fresh matrices): %9.1f us/frame\n", p);
    std::printf("ratio library / reference: %.3f\n", l / p);
    return 0;
}
