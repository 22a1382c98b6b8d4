// A program built against an installed Kalvox (find_package or pkg-config):
// opens the library's window, draws frames of the tutorial module's
// subdivided quad in white on black, checks that the quad reached the back
// buffer, then closes the window as the close box would.  Exit 0 only when
// the frames were drawn, the quad was seen and the loop ended on its own.
#include <GL/gl.h>

#include <cstdio>

#include "KVX_Tutorial/KvxTutorial.h"
#include "Kalvox/KvxRender.h"
#include "Kalvox/KvxWindow.h"
#include "platform/win.h"

using namespace kvx;

namespace {

constexpr int FRAMES = 5;
int drawn = 0;
bool quad_seen = false;

void DRAW() {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    OPENGL_INIT(100, 0, 0, 0, 0);  // projection; colour (1, 1, 1, 0.5), no lighting
    glTranslatef(0, -2, -10);
    MULTIQUAD(2, 4, 4);            // x -2..2, y 0..4: covers the centre of the window
    if (++drawn == FRAMES) {
        unsigned char px[4] = {0, 0, 0, 0};
        glReadBuffer(GL_BACK);
        glReadPixels(WIDTH / 2, HEIGHT / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
        quad_seen = px[0] > 200 && px[1] > 200 && px[2] > 200;
        if (!quad_seen)
            std::fprintf(stderr, "consumer: centre pixel %u %u %u, expected white\n", px[0], px[1],
                         px[2]);
        plat::PostMessageA(HWINDOW, plat::WM_CLOSE, 0, 0);  // as the close box does
    }
}

}  // namespace

int main() {
    OGLWINDOWSETTING(ARROW, "", GENERIC, "");
    CREATEOGLWINDOW("Kalvox package consumer", 320, 240, 32, false);
    do {
        SETGLMSGWITHFPS(DCWINDOW, DRAW);
    } while (ACTIVE);
    DELETEOGLWINDOW();
    if (drawn < FRAMES || !quad_seen) {
        std::fprintf(stderr, "consumer: %d frames drawn, quad %s\n", drawn,
                     quad_seen ? "seen" : "not seen");
        return 1;
    }
    std::printf("consumer: %d frames, quad drawn, window closed\n", drawn);
    return 0;
}
