// A small program on the library for end-to-end tests of input: opens a
// 400 by 300 window at (300, 200), applies the mouse view every frame with
// speed 2, and when the frame loop ends prints the view variables and the
// frame count on standard output.  It prints "READY" after its first frame.
#include <GL/gl.h>

#include <cstdio>

#include "Kalvox/KvxWindow.h"

using namespace kvx;

namespace {
void DRAW() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    SETGLMOUSEMOVE(GL_M0, 2);
    if (FPSCOUNT == 1) {
        std::printf("READY\n");
        std::fflush(stdout);
    }
}
}  // namespace

int main() {
    OGLWINDOWSETTING(ARROW, "", GENERIC, "");
    CREATEOGLWINDOW("Kalvox view probe", 400, 300, 32, false);
    plat::MoveWindow(HWINDOW, 300, 200, 400, 300, 1);
    MSPEED = 2;  // drags count from the start, before the first frame
    do {
        SETGLMSGWITHFPS(DCWINDOW, DRAW);
    } while (ACTIVE);
    DELETEOGLWINDOW();
    std::printf("XROT %g YROT %g DEPTH %g FRAMES %d\n", static_cast<double>(XROT),
                static_cast<double>(YROT), static_cast<double>(DEPTH), FPSCOUNT);
    return 0;
}
