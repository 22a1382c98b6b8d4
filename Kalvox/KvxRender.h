// Kalvox render state and primitives: projection set-up, lights and render
// switches, billboards, textured lines.
// Depends on: KvxGeometry (vertex recording), KvxWindow (WIDTH, HEIGHT), OpenGL, GLU.
#pragma once

#include <cstdint>

namespace kvx {

// ---------------------------------------------------------------- textured lines
// Emits one edge through the recording vertex calls: texture coordinate
// (TX1, TY1) if TEXTURE, vertex 1, texture coordinate (TX2, TY2) if TEXTURE,
// vertex 2.  Call between GLBEGIN and GLEND.  (Implemented in KvxLines.cpp.)
void LINEFREE(float TX1, float TY1, float TX2, float TY2, float X1, float Y1, float Z1, float X2,
              float Y2, float Z2, bool TEXTURE);

}  // namespace kvx
