// Kalvox render state and primitives: projection set-up, lights and render
// switches, billboards, textured lines.
// Depends on: KvxGeometry (vertex recording), KvxWindow (WIDTH, HEIGHT), OpenGL, GLU,
// runtime (checked arrays and arithmetic).
#pragma once

#include <cstdint>

#include "runtime/runtime.h"

namespace kvx {

// ---------------------------------------------------------------- projection
// Both routines work on the current OpenGL context, take the viewport from the
// window size WIDTH x HEIGHT (read at each call) and leave the matrix mode at
// GL_MODELVIEW with an identity model-view matrix.  Colours are given alpha
// first (A, R, G, B) and handed to OpenGL as single-precision red, green,
// blue, alpha.  Nothing is validated: a zero window size yields infinite or
// not-a-number quotients, which are passed on unchanged.

// Perspective projection (45 degrees, aspect WIDTH / HEIGHT, near 0.1, far
// DEPTH) and the library's default render state: clear depth DEPTH (clamped
// by OpenGL), depth test GL_LEQUAL, colour (1, 1, 1, 0.5), additive blend
// factors (blending stays off), local-viewer lighting model, nicest hints,
// GL_AUTO_NORMAL and GL_NORMALIZE on.
void OPENGL_INIT(double DEPTH, double A, double R, double G, double B);

// Orthographic projection for two-dimensional drawing: x from -2 to 2, y from
// -2*HEIGHT/WIDTH to 2*HEIGHT/WIDTH, z from -2 to 2; depth test GL_LEQUAL and
// GL_NORMALIZE on.  Sets no colour, blend function, light model or hints.
void OPENGL_I2D(double A, double R, double G, double B);

// ---------------------------------------------------------------- lights
// Light colours (red, green, blue, alpha) that SETGLLIGHT gives a light; a
// program may change them before calling it.
extern rt::Array<float, 0, 3> AMBIENTLIGHT;   // initially (0.5, 0.5, 0.5, 1)
extern rt::Array<float, 0, 3> DIFFUSELIGHT;   // initially (1, 1, 1, 1)
extern rt::Array<float, 0, 3> SPECULARLIGHT;  // initially (1, 1, 1, 1)
// The homogeneous position (x, y, z, w) last given to SETGLLIGHT or
// PUTGLPOINTLIGHT, whichever light it was for.
extern rt::Array<float, 0, 3> LIGHTPOSITION;  // initially (0, 0, 0, 0)

// Enables lighting and light NLIGHT (GL_LIGHT0 = 0x4000, ...), gives it the
// three light colours and places it at the homogeneous point (L0, L1, L2, L3),
// transformed by the current model-view matrix.
void SETGLLIGHT(std::uint32_t NLIGHT, float L0, float L1, float L2, float L3);

// Places light NLIGHT at the homogeneous point (LX, LY, LZ, LVAL) without
// enabling it or changing its colours.  When SIZE is not exactly 0 (-0 counts
// as 0) it also draws a marker point of that size at (LX, LY, LZ) through the
// recording vertex calls; the point size is left at SIZE.
void PUTGLPOINTLIGHT(std::uint32_t NLIGHT, float SIZE, float LX, float LY, float LZ, float LVAL);

// ---------------------------------------------------------------- switches
// Each sets its states to fixed values; nothing is saved and nothing nests.
void TWOSIDEON();        // two-sided lighting on
void TWOSIDEOFF();       // two-sided lighting off
void SETGLREFRACTIVE();  // back faces culled, counter-clockwise front faces
void SETGLSPRITE();      // alpha test on: fragments with alpha <= 0.4 are cut away
void SETGLSPRITEOFF();   // depth writes on, blending off, alpha test off

// ---------------------------------------------------------------- billboards
// Opens a cylindrical billboard at (X, Y, Z) in the current frame: finds the
// camera from the model-view matrix, pushes every attribute group and the
// model-view matrix, moves the origin to (X, Y, Z) and turns the local +Z
// axis about the vertical towards the camera's horizontal bearing.  A camera
// straight above, below or at the billboard gives no turn.  Call after the
// camera transform; pair every call with BILLBOARDEND.
void BILLBOARDBEGIN(float X, float Y, float Z);
// Closes it: pops the model-view matrix, then the attributes.
void BILLBOARDEND();

// ---------------------------------------------------------------- textured lines
// Emits one edge through the recording vertex calls: texture coordinate
// (TX1, TY1) if TEXTURE, vertex 1, texture coordinate (TX2, TY2) if TEXTURE,
// vertex 2.  Call between GLBEGIN and GLEND.  (Implemented in KvxLines.cpp.)
void LINEFREE(float TX1, float TY1, float TX2, float TY2, float X1, float Y1, float Z1, float X2,
              float Y2, float Z2, bool TEXTURE);

}  // namespace kvx
