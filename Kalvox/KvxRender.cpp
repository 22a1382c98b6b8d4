// Kalvox render state: projection set-up, lights and render switches,
// cylindrical billboards.
// Depends on: KvxGeometry (GLBEGIN, GLVERTEX3F, GLEND, TGLVECTOR), KvxWindow
// (WIDTH, HEIGHT), runtime (checked arithmetic), OpenGL, GLU, libm.
//
// Floating-point exceptions stay masked: a zero window size or a degenerate
// billboard direction yields infinities and not-a-number values that are
// handled by the comparisons below or passed on to OpenGL.  The code relies on
// IEEE behaviour for them, so it refuses to build with fast-math options.
#include "Kalvox/KvxRender.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "Kalvox/KvxGeometry.h"
#include "Kalvox/KvxWindow.h"

#if defined(__FAST_MATH__) || (defined(__FINITE_MATH_ONLY__) && __FINITE_MATH_ONLY__)
#error "KvxRender needs IEEE infinities and not-a-number values: build without -ffast-math"
#endif

namespace kvx {

// Parameters keep the library's own names; DEPTH and SIZE also name the view
// depth and a cursor kind of the window module, which they hide on purpose.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"

// ---------------------------------------------------------------- projection

void OPENGL_INIT(double DEPTH, double A, double R, double G, double B) {
    glClearColor(static_cast<float>(R), static_cast<float>(G), static_cast<float>(B),
                 static_cast<float>(A));
    glViewport(0, 0, WIDTH, HEIGHT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // WIDTH / HEIGHT as a floating-point quotient: infinite or not a number
    // when HEIGHT is 0, handed to GLU as it is.
    gluPerspective(45.0, static_cast<double>(WIDTH) / static_cast<double>(HEIGHT), 0.1, DEPTH);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearDepth(DEPTH);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_AUTO_NORMAL);
    glEnable(GL_NORMALIZE);
}

void OPENGL_I2D(double A, double R, double G, double B) {
    glClearColor(static_cast<float>(R), static_cast<float>(G), static_cast<float>(B),
                 static_cast<float>(A));
    glViewport(0, 0, WIDTH, HEIGHT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // The products are 32-bit integers (an overflow stops the program), the
    // quotients double precision (infinite or not a number when WIDTH is 0).
    const double w = static_cast<double>(WIDTH);
    const double bottom = static_cast<double>(rt::mul<std::int32_t>(-2, HEIGHT)) / w;
    const double top = static_cast<double>(rt::mul<std::int32_t>(2, HEIGHT)) / w;
    glOrtho(-2.0, 2.0, bottom, top, -2.0, 2.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_NORMALIZE);
}

// ---------------------------------------------------------------- lights

rt::Array<float, 0, 3> AMBIENTLIGHT = {{0.5f, 0.5f, 0.5f, 1.0f}};
rt::Array<float, 0, 3> DIFFUSELIGHT = {{1.0f, 1.0f, 1.0f, 1.0f}};
rt::Array<float, 0, 3> SPECULARLIGHT = {{1.0f, 1.0f, 1.0f, 1.0f}};
rt::Array<float, 0, 3> LIGHTPOSITION = {{0.0f, 0.0f, 0.0f, 0.0f}};

void SETGLLIGHT(std::uint32_t NLIGHT, float L0, float L1, float L2, float L3) {
    glEnable(GL_LIGHTING);
    glLightfv(NLIGHT, GL_AMBIENT, AMBIENTLIGHT.data());
    glLightfv(NLIGHT, GL_DIFFUSE, DIFFUSELIGHT.data());
    glLightfv(NLIGHT, GL_SPECULAR, SPECULARLIGHT.data());
    glEnable(NLIGHT);
    LIGHTPOSITION[0] = L0;
    LIGHTPOSITION[1] = L1;
    LIGHTPOSITION[2] = L2;
    LIGHTPOSITION[3] = L3;
    glLightfv(NLIGHT, GL_POSITION, LIGHTPOSITION.data());
}

void PUTGLPOINTLIGHT(std::uint32_t NLIGHT, float SIZE, float LX, float LY, float LZ, float LVAL) {
    LIGHTPOSITION[0] = LX;
    LIGHTPOSITION[1] = LY;
    LIGHTPOSITION[2] = LZ;
    LIGHTPOSITION[3] = LVAL;
    glLightfv(NLIGHT, GL_POSITION, LIGHTPOSITION.data());
    if (SIZE != 0.0f) {  // -0 compares equal to 0: no marker
        glPointSize(SIZE);
        GLBEGIN(GL_POINTS);
        glNormal3f(0.0f, 0.0f, 1.0f);
        GLVERTEX3F(LIGHTPOSITION[0], LIGHTPOSITION[1], LIGHTPOSITION[2]);
        GLEND();
    }
}

#pragma GCC diagnostic pop

// ---------------------------------------------------------------- switches

void TWOSIDEON() { glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1); }

void TWOSIDEOFF() { glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0); }

void SETGLREFRACTIVE() {
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
}

void SETGLSPRITE() {
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.4f);
}

void SETGLSPRITEOFF() {
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
}

// ---------------------------------------------------------------- billboards

namespace {
// The billboard's own vector operations (CROSS also names a cursor kind).
namespace bb {

using ext = long double;  // x87 extended precision for intermediates

constexpr ext PI_EXT = 3.141592653589793238462643383279502884L;

// Every attribute group of OpenGL 1.1 (the low 20 bits).
constexpr GLbitfield ALL_ATTRIB_GROUPS = 0x000FFFFFu;

// The camera position in the current frame: -R^T t for the model-view matrix
// with rotation part R and translation t.
TGLVECTOR GETVIEWPORT() {
    GLfloat M[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, M);
    const auto e = [&](int i) { return static_cast<ext>(M[i]); };
    TGLVECTOR v;
    v.X = static_cast<float>(-e(0) * e(12) - e(13) * e(1) - e(14) * e(2));
    v.Y = static_cast<float>(-e(4) * e(12) - e(13) * e(5) - e(14) * e(6));
    v.Z = static_cast<float>(-e(8) * e(12) - e(13) * e(9) - e(14) * e(10));
    return v;
}

TGLVECTOR VECSUB(const TGLVECTOR& POINT1, const TGLVECTOR& POINT2) {
    TGLVECTOR v;
    v.X = static_cast<float>(static_cast<ext>(POINT1.X) - POINT2.X);
    v.Y = static_cast<float>(static_cast<ext>(POINT1.Y) - POINT2.Y);
    v.Z = static_cast<float>(static_cast<ext>(POINT1.Z) - POINT2.Z);
    return v;
}

// No test for a zero length: the quotients are then not numbers.
TGLVECTOR NORMALIZE(const TGLVECTOR& V) {
    const ext x = V.X, y = V.Y, z = V.Z;
    const float LENGTH = static_cast<float>(sqrtl(x * x + y * y + z * z));
    TGLVECTOR r;
    r.X = static_cast<float>(x / LENGTH);
    r.Y = static_cast<float>(y / LENGTH);
    r.Z = static_cast<float>(z / LENGTH);
    return r;
}

float DOT(const TGLVECTOR& VEC1, const TGLVECTOR& VEC2) {
    return static_cast<float>(static_cast<ext>(VEC1.X) * VEC2.X + static_cast<ext>(VEC1.Y) * VEC2.Y +
                              static_cast<ext>(VEC1.Z) * VEC2.Z);
}

TGLVECTOR CROSS(const TGLVECTOR& VEC1, const TGLVECTOR& VEC2) {
    const ext x1 = VEC1.X, y1 = VEC1.Y, z1 = VEC1.Z;
    const ext x2 = VEC2.X, y2 = VEC2.Y, z2 = VEC2.Z;
    TGLVECTOR r;
    r.X = static_cast<float>(y1 * z2 - z1 * y2);
    r.Y = static_cast<float>(z1 * x2 - x1 * z2);
    r.Z = static_cast<float>(x1 * y2 - y1 * x2);
    return r;
}

}  // namespace bb
}  // namespace

void BILLBOARDBEGIN(float X, float Y, float Z) {
    const TGLVECTOR VIEWPT = bb::GETVIEWPORT();
    const TGLVECTOR B{X, Y, Z};
    const TGLVECTOR N{0.0f, 0.0f, 1.0f};
    const TGLVECTOR P = bb::NORMALIZE(bb::VECSUB(VIEWPT, B));
    const TGLVECTOR PY{0.0f, P.Y, 0.0f};
    const TGLVECTOR PXZ = bb::NORMALIZE(bb::VECSUB(P, PY));
    const TGLVECTOR LOCALY{0.0f, 1.0f, 0.0f};
    const TGLVECTOR ROT1 = bb::CROSS(N, PXZ);

    float c = bb::DOT(N, PXZ);
    if (!(1.0f >= c)) c = 1.0f;  // above 1, or not a number
    double THETA = static_cast<double>(acosl(c));
    if (bb::DOT(ROT1, LOCALY) < 0.0f) THETA = -THETA;  // not a number: not below zero

    glPushAttrib(bb::ALL_ATTRIB_GROUPS);
    glPushMatrix();
    glTranslated(static_cast<double>(X), static_cast<double>(Y), static_cast<double>(Z));
    glRotatef(static_cast<float>(static_cast<bb::ext>(THETA) * 180 / bb::PI_EXT), 0.0f, 1.0f, 0.0f);
}

void BILLBOARDEND() {
    glPopMatrix();
    glPopAttrib();
}

}  // namespace kvx
