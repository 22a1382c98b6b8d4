// The meadow demo's program body: asks whether to run full screen, opens the
// rendering window, starts the timer, sets up the scene, runs the frame loop
// until the window is closed or Escape is pressed, then tears the window down.
// KVX_MEADOW_FRAMES=N in the environment (N > 0) makes the program press
// Escape itself after N frames, for runs that need a fixed frame count (the
// leak check).
// Depends on: Kalvox (window, frame loop, render state), the scene
// (demo/scene.h: OPENGL_CREATELIST, OPENGL_DRAW), OpenGL.
#include <GL/gl.h>

#include <cstdlib>

#include "Kalvox/KvxRender.h"
#include "Kalvox/KvxWindow.h"
#include "demo/scene.h"

using namespace kvx;
using meadow::OPENGL_CREATELIST;
using meadow::OPENGL_DRAW;

namespace {
long g_frames_left = 0;  // frames before the program presses Escape itself

// A frame, then Escape posted to the window once the count runs out.
void DRAW_COUNTED() {
    OPENGL_DRAW();
    if (g_frames_left > 0 && --g_frames_left == 0)
        plat::PostMessageA(HWINDOW, plat::WM_KEYDOWN, plat::VK_ESCAPE, 0);
}

long frames_from_environment() {
    const char* s = std::getenv("KVX_MEADOW_FRAMES");
    if (s == nullptr || *s == '\0') return 0;
    char* end = nullptr;
    const long n = std::strtol(s, &end, 10);
    return (*end == '\0' && n > 0) ? n : 0;
}
}  // namespace

int main() {
    // 1. The full-screen question: No gives a window, anything else (Yes, or
    //    a box that could not be shown) full screen.
    FULLSCREEN = plat::MessageBoxA(0, "Settare lo schermo intero?  ", "Video!",
                                   plat::MB_YESNO | plat::MB_ICONQUESTION) != plat::IDNO;
    // 2. Arrow cursor and the generic icon.
    OGLWINDOWSETTING(ARROW, "", GENERIC, "");
    // 3. The window; a failure is reported by the library, which ends the program.
    CREATEOGLWINDOW("Effetto vento creato manipolando i vertici dall esterno", 800, 600, 32,
                    FULLSCREEN);
    // 4. The periodic timer.
    SETGLTIMER(FPS_TIMER, FPS_INTERVAL);

    // 5. Perspective projection with far plane 100, black clear colour.
    OPENGL_INIT(100, 0, 0, 0, 0);
    // 6. Back faces culled.
    SETGLREFRACTIVE();
    // 7. Light 0.
    SETGLLIGHT(GL_LIGHT0, 0, 0, 0, 0.1f);
    // 8. Both textures and the field layout.
    OPENGL_CREATELIST();

    // 9. Main loop: only the colour buffer is cleared before each entry.
    g_frames_left = frames_from_environment();
    do {
        glClear(GL_COLOR_BUFFER_BIT);
        SETGLMSGWITHFPS(DCWINDOW, g_frames_left > 0 ? DRAW_COUNTED : OPENGL_DRAW);
    } while (ACTIVE);

    // 10. Teardown.
    DELETEOGLWINDOW();
    return 0;
}
