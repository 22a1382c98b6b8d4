// The meadow demo's program body: asks whether to run full screen, opens the
// rendering window, starts the timer, sets up the scene, runs the frame loop
// until the window is closed or Escape is pressed, then tears the window down.
// Depends on: Kalvox (window, frame loop), OpenGL.
#include <GL/gl.h>

#include "Kalvox/KvxWindow.h"

using namespace kvx;

namespace {

// The frame callback.  The scene's drawing replaces this with the ground and
// the swaying grass when the scene module is in place.
void OPENGL_DRAW() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); }

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

    // ---- 5. OPENGL_INIT(100, 0, 0, 0, 0): projection set-up (render module).
    // ---- 6. SETGLREFRACTIVE (render module).
    // ---- 7. SETGLLIGHT(GL_LIGHT0, 0, 0, 0, 0.1) (render module).
    // ---- 8. OPENGL_CREATELIST: textures and field layout (scene module).

    // 9. Main loop: only the colour buffer is cleared before each entry.
    do {
        glClear(GL_COLOR_BUFFER_BIT);
        SETGLMSGWITHFPS(DCWINDOW, OPENGL_DRAW);
    } while (ACTIVE);

    // 10. Teardown.
    DELETEOGLWINDOW();
    return 0;
}
