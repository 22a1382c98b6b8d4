// The meadow demo's scene: the grass field laid out once at start-up
// (OPENGL_CREATELIST), the grass tuft with its wind sway (FOGLIE), the ground
// quad (QUAD) and the frame callback that draws them (OPENGL_DRAW).
// Depends on: Kalvox (geometry and vertex editing, render state, billboards,
// textures, the mouse view), KVX_Tutorial (MULTIQUAD), platform (the tick
// counter), runtime (checked arrays, the random source), OpenGL.
//
// The names live in namespace `meadow`; the state is program-level and lives
// for the whole run.  Nothing is allocated per frame.
#pragma once

#include <cstdint>

#include "Kalvox/KvxGeometry.h"
#include "runtime/runtime.h"

namespace meadow {

// ---------------------------------------------------------------- field layout
// POS[I][L]: foot point of the tuft in grid row I, column L; ROT[I][L]: its
// turn about the vertical in degrees.  Only 0..5 in both directions are used.
extern rt::Array<rt::Array<kvx::TGLVECTOR, 0, 14>, 0, 14> POS;
extern rt::Array<rt::Array<float, 0, 14>, 0, 14> ROT;
// The grid counters, shared by the layout and the frame drawing; both hold 5
// after a pass over the grid.
extern std::int32_t I;
extern std::int32_t L;

// Loads "rockgrass.bmp" into BMP slot 0 and "grass.tga" into TGA slot 0,
// seeds the random source from the clock and lays out the 6 x 6 field: whole
// x and z from -7 to 8 on y = 0, turns of 0 degrees (180 once in 360).  Needs
// a current OpenGL context.  Builds no display list.
void OPENGL_CREATELIST();

// ---------------------------------------------------------------- tuft and ground
// Blank vertex tables, never written: VERT[0] is installed before every tuft.
extern rt::Array<kvx::TGLVERTEX3F, 0, 50> VERT;
// Selections of the left (T0) and right (T1) vertices of each row boundary of
// a tuft, 0 at the foot to 4 at the top; carried from one tuft to the next.
extern rt::Array<kvx::TGLFINDVERTEX3F, 0, 10> T0;
extern rt::Array<kvx::TGLFINDVERTEX3F, 0, 10> T1;
// Number of slots the selections cover (36 after any FOGLIE).
extern std::int32_t MAXVERT;

// One textured quadrilateral P1..P4 with its face normal, emitted in the order
// P2, P1, P3, P4 with texture coordinates 0..3 along each edge, both faces
// lit, through the recording vertex calls.
void QUAD(float X1, float Y1, float Z1, float X2, float Y2, float Z2, float X3, float Y3,
          float Z3, float X4, float Y4, float Z4);

// One grass tuft standing at (X, Y, Z), turned RY degrees about the vertical:
// installs the blank table V, gives each row boundary the sway angles of the
// wind phase TIME (radians), draws MULTIQUAD(SIZE, 2 * SIZE, 4) and computes
// the selections for the next call.  Sways only while vertex editing is on.
void FOGLIE(const kvx::TGLVERTEX3F& V, float X, float Y, float Z, float SIZE, float RY,
            float TIME);

// ---------------------------------------------------------------- frame
// The wind clock of the last frame: the tick count / 2500 (radians).
extern float TIME;

// Hooks called at the start of every frame, in this order.
void OPENGL_DRAW2D();    // the two projections: OPENGL_I2D, then OPENGL_INIT
void OPENGL_MOUSE2D();   // nothing
void OPENGL_KEYBOARD();  // nothing

// The frame callback: clears, projection, camera, mouse view, light, ground,
// wind clock, then the 36 billboarded tufts with vertex editing and the
// sprite alpha test on.
void OPENGL_DRAW();

// ---------------------------------------------------------------- seam
namespace detail {
// How OPENGL_CREATELIST seeds the random source: rt::randomize (the clock)
// unless a test sets a fixed seed here.
extern void (*seed_field)();
}  // namespace detail

}  // namespace meadow
