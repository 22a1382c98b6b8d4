// Kalvox tutorial module: MULTIQUAD and its two steps, QUADBLOCK and QUADPICE.
// Depends on: KvxGeometry (GLBEGIN, GLEND, FINDNORMAL, FNORMAL), KvxRender
// (LINEFREE), OpenGL (glNormal3f).
#include "KVX_Tutorial/KvxTutorial.h"

#include <GL/gl.h>

#include "Kalvox/KvxGeometry.h"
#include "Kalvox/KvxRender.h"

namespace kvx {

void QUADPICE(float X1, float Y1, float X2, float Y2, float Z, float TY1, float TY2) {
    FINDNORMAL(X1, Y1, Z, X2, Y1, Z, X2, Y2, Z);
    glNormal3f(static_cast<float>(FNORMAL[1]), static_cast<float>(FNORMAL[2]),
               static_cast<float>(FNORMAL[3]));
    LINEFREE(0, TY1, 1, TY1, X1, Y1, Z, X2, Y1, Z, true);
    const float top = static_cast<float>(1.0L + TY2);
    LINEFREE(1, top, 0, top, X2, Y2, Z, X1, Y2, Z, true);
}

void QUADBLOCK(float X, float Y, float Z, float WIDTH, float HEIGHT, float TY1, float TY2) {
    using L = long double;
    QUADPICE(static_cast<float>(L(X) - WIDTH), Y, static_cast<float>(L(X) + WIDTH),
             static_cast<float>(L(Y) + HEIGHT), Z, TY1, TY2);
}

void MULTIQUAD(float WIDTH, float HEIGHT, std::int32_t NUMDIV) {
    using L = long double;
    GLBEGIN(GL_QUADS);
    const L rowh = NUMDIV > 0 ? L(HEIGHT) / NUMDIV : 0;  // no division without rows
    const L step = NUMDIV > 0 ? 1.0L / NUMDIV : 0;
    for (std::int32_t I = 0; I < NUMDIV; ++I) {
        QUADBLOCK(0, static_cast<float>(I * rowh), 0, WIDTH, static_cast<float>(rowh),
                  static_cast<float>(I * step + 1.0L), static_cast<float>(I * step + step));
    }
    GLEND();
}

}  // namespace kvx
