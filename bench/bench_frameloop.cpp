// Timing program for the window module under an X display (Xvfb here):
//  1. the median time from process start to the first presented frame of a
//     program on the library (window, context, one frame through the frame
//     loop), against the median time from process start to main() of the same
//     program as the baseline;
//  2. frames per second of the empty frame loop (clear + swap through
//     SETGLMSGWITHFPS), against a bare loop of glClear + SwapBuffers in the
//     same process as the baseline.
// Usage: bench_frameloop [RUNS]   (run it through scripts/with-display)
#include <GL/gl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "Kalvox/KvxWindow.h"

using namespace kvx;

namespace {

long long now_ns() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void open_window() {
    OGLWINDOWSETTING(ARROW, "", GENERIC, "");
    CREATEOGLWINDOW("Kalvox frame-loop benchmark", 800, 600, 32, false);
}

// ---- children
void quit_after_first() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    plat::PostQuitMessage(0);
}

int child_first_frame() {
    open_window();
    SETGLMSGWITHFPS(DCWINDOW, quit_after_first);  // returns after the first swap
    glFinish();
    std::printf("%lld\n", now_ns());
    DELETEOGLWINDOW();
    return 0;
}

int child_bare() {
    std::printf("%lld\n", now_ns());
    return 0;
}

// Runs `child_mode` of this program and returns the nanoseconds from just
// before the fork to the time the child prints.
double time_child(const char* self, const char* child_mode) {
    int fds[2];
    if (pipe(fds) != 0) std::exit(2);
    const long long t0 = now_ns();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        execl(self, self, child_mode, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char buf[64] = {};
    std::size_t got = 0;
    while (got < sizeof buf - 1) {
        const ssize_t r = read(fds[0], buf + got, sizeof buf - 1 - got);
        if (r <= 0) break;
        got += static_cast<std::size_t>(r);
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || got == 0) {
        std::fprintf(stderr, "child %s failed\n", child_mode);
        std::exit(1);
    }
    return static_cast<double>(std::atoll(buf) - t0);
}

// ---- frame rates in this process
constexpr long long kSpan = 250000000LL;  // 0.25 s per measurement
long long g_loop_start = 0;

void clear_until_span() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (now_ns() - g_loop_start >= kSpan) plat::PostQuitMessage(0);
}

double fps_frame_loop() {
    const std::int32_t f0 = FPSCOUNT;
    g_loop_start = now_ns();
    SETGLMSGWITHFPS(DCWINDOW, clear_until_span);
    const long long t = now_ns() - g_loop_start;
    return (FPSCOUNT - f0) * 1e9 / static_cast<double>(t);
}

double fps_bare() {
    long long frames = 0;
    const long long t0 = now_ns();
    long long t = 0;
    do {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        plat::SwapBuffers(DCWINDOW);
        ++frames;
        t = now_ns() - t0;
    } while (t < kSpan);
    return frames * 1e9 / static_cast<double>(t);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--child-first-frame") == 0) return child_first_frame();
    if (argc > 1 && std::strcmp(argv[1], "--child-bare") == 0) return child_bare();
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const char* self = "/proc/self/exe";
    char path[4096] = {};
    const ssize_t n = readlink(self, path, sizeof path - 1);
    if (n <= 0) return 2;

    std::vector<double> first, bare;
    for (int i = 0; i < runs; ++i) {
        bare.push_back(time_child(path, "--child-bare") / 1e6);
        first.push_back(time_child(path, "--child-first-frame") / 1e6);
    }
    const double mf = median(first), mb = median(bare);
    std::printf("start to first presented frame: median %.1f ms over %d runs\n", mf, runs);
    std::printf("start to main (baseline):       median %.1f ms\n", mb);
    std::printf("ratio first frame / baseline:   %.1f\n", mf / mb);

    open_window();
    // Short interleaved pairs: on a shared machine the ratio within a pair is
    // steadier than either rate.
    std::vector<double> loop, raw, ratio;
    for (int i = 0; i < 4 * runs; ++i) {
        raw.push_back(fps_bare());
        loop.push_back(fps_frame_loop());
        ratio.push_back(loop.back() / raw.back());
    }
    DELETEOGLWINDOW();
    std::printf("empty frame loop (clear + swap): median %.0f frames/s over %d spans of 0.25 s\n",
                median(loop), 4 * runs);
    std::printf("bare clear + swap (baseline):    median %.0f frames/s\n", median(raw));
    std::printf("ratio frame loop / baseline:     median %.3f (per interleaved pair)\n",
                median(ratio));
    return 0;
}
