// Kalvox textured lines: LINEFREE emits one edge through the recording vertex
// calls, with optional texture coordinates sent straight to OpenGL.
// Depends on: KvxGeometry (GLVERTEX3F), OpenGL (glTexCoord2f).
#include <GL/gl.h>

#include "Kalvox/KvxGeometry.h"
#include "Kalvox/KvxRender.h"

namespace kvx {

void LINEFREE(float TX1, float TY1, float TX2, float TY2, float X1, float Y1, float Z1, float X2,
              float Y2, float Z2, bool TEXTURE) {
    if (TEXTURE) glTexCoord2f(TX1, TY1);
    GLVERTEX3F(X1, Y1, Z1);
    if (TEXTURE) glTexCoord2f(TX2, TY2);
    GLVERTEX3F(X2, Y2, Z2);
}

}  // namespace kvx
