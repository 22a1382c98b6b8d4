// Kalvox tutorial module: the upright rectangle cut into horizontal rows,
// drawn as one GL_QUADS block through the recording vertex calls, so that the
// vertex deformation can bend it.
// Depends on: KvxGeometry (GLBEGIN, GLEND, FINDNORMAL), KvxRender (LINEFREE),
// OpenGL (glNormal3f, glTexCoord2f).
#pragma once

#include <cstdint>

namespace kvx {

// Rows I = 0 .. NUMDIV-1 of height HEIGHT/NUMDIV, x from -WIDTH to WIDTH, z 0,
// texture t from 1 at the foot to 2 at the top, a normal before each row.
// NUMDIV of 0 or less draws an empty block.  Call outside a GLBEGIN/GLEND.
void MULTIQUAD(float WIDTH, float HEIGHT, std::int32_t NUMDIV);

// The steps of MULTIQUAD.  QUADBLOCK turns a row's centre-bottom point and
// sizes into corners (the row spans 2*WIDTH); QUADPICE draws one row quad with
// its normal and texture coordinates.  Call between GLBEGIN and GLEND.
void QUADBLOCK(float X, float Y, float Z, float WIDTH, float HEIGHT, float TY1, float TY2);
void QUADPICE(float X1, float Y1, float X2, float Y2, float Z, float TY1, float TY2);

}  // namespace kvx
