// Whole meadow frames on a real window (run it under Xvfb): the library's
// frame, OPENGL_DRAW followed by the buffer swap, against the same frame's
// OpenGL and GLU call stream replayed with direct calls (matrix reads
// included) followed by the same swap.  One frame's stream is captured with
// gltrace after the scene is set up as the demo sets it up; then runs of each
// kind are interleaved and the medians of their frame rates compared.  The
// process's peak resident memory is printed at the end.
//
//   bench_meadow_frames [frames per run (default 120)] [runs of each (default 10)]
//
// Depends on: the meadow scene, Kalvox (window, render state), platform,
// gltrace (capture), the data files, an X display.
#include <GL/gl.h>
#include <GL/glu.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Kalvox/KvxRender.h"
#include "Kalvox/KvxWindow.h"
#include "demo/scene.h"
#include "platform/win.h"
#include "tests/support/gltrace.h"

namespace {

// One recorded call, compiled for replay.
enum class Op {
    Clear, LoadIdentity, ClearColor, Viewport, MatrixMode, Ortho, Enable, Disable, DepthFunc,
    Perspective, ClearDepth, Color4f, BlendFunc, LightModeli, Hint, Translatef, Translated,
    Rotatef, Lightfv, BindTexture, Begin, End, Normal3f, TexCoord2f, Vertex3f, AlphaFunc,
    GetFloatv, PushAttrib, PopAttrib, PushMatrix, PopMatrix, DepthMask, PointSize,
};
struct Step {
    Op op;
    double a[6];
};

bool compile(const std::vector<gltrace::Call>& calls, std::vector<Step>& out) {
    static const std::pair<const char*, Op> names[] = {
        {"glClear", Op::Clear},           {"glLoadIdentity", Op::LoadIdentity},
        {"glClearColor", Op::ClearColor}, {"glViewport", Op::Viewport},
        {"glMatrixMode", Op::MatrixMode}, {"glOrtho", Op::Ortho},
        {"glEnable", Op::Enable},         {"glDisable", Op::Disable},
        {"glDepthFunc", Op::DepthFunc},   {"gluPerspective", Op::Perspective},
        {"glClearDepth", Op::ClearDepth}, {"glColor4f", Op::Color4f},
        {"glBlendFunc", Op::BlendFunc},   {"glLightModeli", Op::LightModeli},
        {"glHint", Op::Hint},             {"glTranslatef", Op::Translatef},
        {"glTranslated", Op::Translated}, {"glRotatef", Op::Rotatef},
        {"glLightfv", Op::Lightfv},       {"glBindTexture", Op::BindTexture},
        {"glBegin", Op::Begin},           {"glEnd", Op::End},
        {"glNormal3f", Op::Normal3f},     {"glTexCoord2f", Op::TexCoord2f},
        {"glVertex3f", Op::Vertex3f},     {"glAlphaFunc", Op::AlphaFunc},
        {"glGetFloatv", Op::GetFloatv},   {"glPushAttrib", Op::PushAttrib},
        {"glPopAttrib", Op::PopAttrib},   {"glPushMatrix", Op::PushMatrix},
        {"glPopMatrix", Op::PopMatrix},   {"glDepthMask", Op::DepthMask},
        {"glPointSize", Op::PointSize},
    };
    for (const auto& c : calls) {
        Step s{};
        bool known = false;
        for (const auto& [name, op] : names)
            if (c.name == name) {
                s.op = op;
                known = true;
                break;
            }
        if (!known) {
            std::fprintf(stderr, "replay: no direct form for %s\n", c.name.c_str());
            return false;
        }
        for (std::size_t i = 0; i < c.args.size() && i < 6; ++i) s.a[i] = c.args[i];
        out.push_back(s);
    }
    return true;
}

float g_matrix[16];

void replay(const std::vector<Step>& steps) {
    auto f = [](double v) { return static_cast<float>(v); };
    auto u = [](double v) { return static_cast<GLenum>(v); };
    for (const Step& s : steps) {
        const double* a = s.a;
        switch (s.op) {
            case Op::Clear: glClear(static_cast<GLbitfield>(a[0])); break;
            case Op::LoadIdentity: glLoadIdentity(); break;
            case Op::ClearColor: glClearColor(f(a[0]), f(a[1]), f(a[2]), f(a[3])); break;
            case Op::Viewport:
                glViewport(static_cast<GLint>(a[0]), static_cast<GLint>(a[1]),
                           static_cast<GLsizei>(a[2]), static_cast<GLsizei>(a[3]));
                break;
            case Op::MatrixMode: glMatrixMode(u(a[0])); break;
            case Op::Ortho: glOrtho(a[0], a[1], a[2], a[3], a[4], a[5]); break;
            case Op::Enable: glEnable(u(a[0])); break;
            case Op::Disable: glDisable(u(a[0])); break;
            case Op::DepthFunc: glDepthFunc(u(a[0])); break;
            case Op::Perspective: gluPerspective(a[0], a[1], a[2], a[3]); break;
            case Op::ClearDepth: glClearDepth(a[0]); break;
            case Op::Color4f: glColor4f(f(a[0]), f(a[1]), f(a[2]), f(a[3])); break;
            case Op::BlendFunc: glBlendFunc(u(a[0]), u(a[1])); break;
            case Op::LightModeli: glLightModeli(u(a[0]), static_cast<GLint>(a[1])); break;
            case Op::Hint: glHint(u(a[0]), u(a[1])); break;
            case Op::Translatef: glTranslatef(f(a[0]), f(a[1]), f(a[2])); break;
            case Op::Translated: glTranslated(a[0], a[1], a[2]); break;
            case Op::Rotatef: glRotatef(f(a[0]), f(a[1]), f(a[2]), f(a[3])); break;
            case Op::Lightfv: {
                const float v[4] = {f(a[2]), f(a[3]), f(a[4]), f(a[5])};
                glLightfv(u(a[0]), u(a[1]), v);
                break;
            }
            case Op::BindTexture: glBindTexture(u(a[0]), static_cast<GLuint>(a[1])); break;
            case Op::Begin: glBegin(u(a[0])); break;
            case Op::End: glEnd(); break;
            case Op::Normal3f: glNormal3f(f(a[0]), f(a[1]), f(a[2])); break;
            case Op::TexCoord2f: glTexCoord2f(f(a[0]), f(a[1])); break;
            case Op::Vertex3f: glVertex3f(f(a[0]), f(a[1]), f(a[2])); break;
            case Op::AlphaFunc: glAlphaFunc(u(a[0]), f(a[1])); break;
            case Op::GetFloatv: glGetFloatv(u(a[0]), g_matrix); break;
            case Op::PushAttrib: glPushAttrib(static_cast<GLbitfield>(a[0])); break;
            case Op::PopAttrib: glPopAttrib(); break;
            case Op::PushMatrix: glPushMatrix(); break;
            case Op::PopMatrix: glPopMatrix(); break;
            case Op::DepthMask: glDepthMask(static_cast<GLboolean>(a[0])); break;
            case Op::PointSize: glPointSize(f(a[0])); break;
        }
    }
}

// Lets the window system deliver what is pending (exposure, focus) so it
// does not pile up during a run.
void pump() {
    plat::MSG msg{};
    while (plat::PeekMessageA(&msg, 0, 0, 0, plat::PM_REMOVE)) {
        plat::TranslateMessage(&msg);
        plat::DispatchMessageA(&msg);
    }
}

const std::vector<Step>* g_steps = nullptr;
void library_frame() { meadow::OPENGL_DRAW(); }
void replayed_frame() { replay(*g_steps); }

double run_fps(void (*frame)(), int frames) {
    pump();
    glFinish();
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
        frame();
        plat::SwapBuffers(kvx::DCWINDOW);
    }
    glFinish();
    const auto t1 = std::chrono::steady_clock::now();
    return frames / std::chrono::duration<double>(t1 - t0).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 120;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 10;
    if (chdir(MEADOW_DATA_DIR) != 0) {
        std::perror(MEADOW_DATA_DIR);
        return 1;
    }
    // The demo's start-up, windowed.
    kvx::FULLSCREEN = false;
    kvx::OGLWINDOWSETTING(kvx::ARROW, "", kvx::GENERIC, "");
    kvx::CREATEOGLWINDOW("Effetto vento creato manipolando i vertici dall esterno", 800, 600, 32,
                         false);
    kvx::SETGLTIMER(kvx::FPS_TIMER, kvx::FPS_INTERVAL);
    kvx::OPENGL_INIT(100, 0, 0, 0, 0);
    kvx::SETGLREFRACTIVE();
    kvx::SETGLLIGHT(GL_LIGHT0, 0, 0, 0, 0.1f);
    meadow::OPENGL_CREATELIST();
    for (int i = 0; i < 10; ++i) {  // warm up; fills the selections
        pump();
        meadow::OPENGL_DRAW();
        plat::SwapBuffers(kvx::DCWINDOW);
    }

    // Capture one frame's stream, as it reaches OpenGL and GLU.
    gltrace::clear();
    gltrace::set_recording(true);
    meadow::OPENGL_DRAW();
    gltrace::set_recording(false);
    plat::SwapBuffers(kvx::DCWINDOW);
    std::vector<Step> steps;
    if (!compile(gltrace::calls(), steps)) return 1;
    g_steps = &steps;

    std::vector<double> lib, rep;
    for (int r = 0; r < runs; ++r) {
        lib.push_back(run_fps(library_frame, frames));
        rep.push_back(run_fps(replayed_frame, frames));
    }
    const double l = median(lib), p = median(rep);
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("calls per frame: %zu\n", steps.size());
    std::printf("library frame (OPENGL_DRAW + swap):  %8.1f fps (median of %d runs of %d frames)\n",
                l, runs, frames);
    std::printf("replayed stream (direct calls + swap): %8.1f fps\n", p);
    std::printf("frame time ratio library / replay: %.3f (target <= 1.10)\n", p / l);
    std::printf("peak resident memory: %ld KB\n", ru.ru_maxrss);
    kvx::DELETEOGLWINDOW();
    return 0;
}
