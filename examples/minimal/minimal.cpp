// The smallest complete Kalvox program: one window, a lit upright rectangle
// (the tutorial module's MULTIQUAD) whose top edge sways through vertex
// editing, a mouse-controlled view.  Escape or the close box ends it.
// Depends on: Kalvox (window, frame loop, render state, vertex editing),
// KVX_Tutorial (MULTIQUAD), OpenGL.
#include <GL/gl.h>

#include <cmath>

#include "KVX_Tutorial/KvxTutorial.h"
#include "Kalvox/KvxGeometry.h"
#include "Kalvox/KvxRender.h"
#include "Kalvox/KvxWindow.h"

using namespace kvx;

namespace {

// A blank vertex table, installed before each drawing of the rectangle, and
// the selection of its top corners.  Both are large: keep them static.
constinit TGLVERTEX3F BLANK{};
constinit TGLFINDVERTEX3F TOP{};
constexpr std::int32_t SLOTS = 16;  // MULTIQUAD(.., .., 4) records 4 quads of 4 vertices

// The frame callback: called by SETGLMSGWITHFPS whenever the queue is empty.
void DRAW() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    OPENGL_INIT(100, 0, 0.1, 0.1, 0.2);  // projection and default state, identity model-view
    glTranslatef(0, -2, -12);
    SETGLMOUSEMOVE(GL_M0, 2);            // left drag turns the view, right drag moves it
    SETGLLIGHT(GL_LIGHT0, 0, 2, 10, 1);

    // ELAPSEDTIME: smoothed milliseconds since the frame loop was entered.
    const float lean = 25.0f * std::sin(static_cast<float>(ELAPSEDTIME) / 500.0f);
    VERTEXEDITON();
    GLSETMAXVERTEX3F(BLANK, SLOTS);  // fresh table: slots 1..SLOTS, nothing moved yet
    // The vertices selected last frame (same geometry, same slots) turn
    // about the z axis through the foot before they are drawn.
    GLROTATEVERTEX3F(BLANK, TOP, 0, 0, 0, 0, 0, lean, SLOTS);
    TWOSIDEON();
    MULTIQUAD(2, 4, 4);              // x -2..2, y 0..4, four rows
    TWOSIDEOFF();
    // Select the slots whose vertex was given closer than 2.1 to (0, 4, 0):
    // the two top corners (the next row's corners are sqrt(5) away).
    GLCHECKROTATEV3F(TOP, 0, 4, 0, 2.1f, SLOTS);
    VERTEXEDITOFF();
}

}  // namespace

int main() {
    OGLWINDOWSETTING(ARROW, "", GENERIC, "");  // stock arrow cursor, generic icon
    CREATEOGLWINDOW("Kalvox minimal", 640, 480, 32, false);  // exits with a message on failure
    do {
        SETGLMSGWITHFPS(DCWINDOW, DRAW);       // returns when the quit message arrives
    } while (ACTIVE);
    DELETEOGLWINDOW();
    return 0;
}
