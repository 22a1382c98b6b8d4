// The meadow demo's scene: field layout, grass tuft and wind sway, ground
// quad, frame callback.  See scene.h.
// Depends on: Kalvox (KvxGeometry, KvxRender, KvxTextures, KvxWindow),
// KVX_Tutorial (MULTIQUAD), platform (GetTickCount), runtime, OpenGL.
#include "demo/scene.h"

#include <GL/gl.h>

#include <cmath>
#include <utility>

#include "KVX_Tutorial/KvxTutorial.h"
#include "Kalvox/KvxRender.h"
#include "Kalvox/KvxTextures.h"
#include "Kalvox/KvxWindow.h"
#include "platform/win.h"

namespace meadow {

// ---------------------------------------------------------------- state
// Static, zero-initialised storage: the blank tables (about 37 MB of zeros)
// and the selections live in .bss and cost nothing until touched.
constinit rt::Array<rt::Array<kvx::TGLVECTOR, 0, 14>, 0, 14> POS{};
constinit rt::Array<rt::Array<float, 0, 14>, 0, 14> ROT{};
std::int32_t I = 0;
std::int32_t L = 0;

constinit rt::Array<kvx::TGLVERTEX3F, 0, 50> VERT{};
constinit rt::Array<kvx::TGLFINDVERTEX3F, 0, 10> T0{};
constinit rt::Array<kvx::TGLFINDVERTEX3F, 0, 10> T1{};
std::int32_t MAXVERT = 0;

float TIME = 0;

namespace detail {
void (*seed_field)() = rt::randomize;
}  // namespace detail

// ---------------------------------------------------------------- field layout
namespace {

// The two data files into their slots.
void OPENGL_TEXTURE() {
    kvx::TEXTURELOADID("rockgrass.bmp", 0);
    kvx::TEXTURELOADTGAID("grass.tga", 0);
}

}  // namespace

void OPENGL_CREATELIST() {
    OPENGL_TEXTURE();
    detail::seed_field();
    // The counters end at 5, as the frame drawing's loops leave them.
    for (I = 0;; ++I) {
        for (L = 0;; ++L) {
            const std::int32_t x = 8 - rt::random(16);  // x first, then z
            const std::int32_t z = 8 - rt::random(16);
            POS[I][L] = kvx::GLVECTOR(x, 0, z);
            ROT[I][L] = static_cast<float>(180 - rt::random(360));
            if (ROT[I][L] < 180) ROT[I][L] = 0;
            if (L == 5) break;
        }
        if (I == 5) break;
    }
}

// ---------------------------------------------------------------- ground quad
void QUAD(float X1, float Y1, float Z1, float X2, float Y2, float Z2, float X3, float Y3,
          float Z3, float X4, float Y4, float Z4) {
    kvx::TWOSIDEON();
    glDisable(GL_CULL_FACE);
    kvx::GLBEGIN(GL_QUADS);
    kvx::FINDNORMAL(X2, Y2, Z2, X1, Y1, Z1, X3, Y3, Z3);
    glNormal3f(static_cast<float>(kvx::FNORMAL[1]), static_cast<float>(kvx::FNORMAL[2]),
               static_cast<float>(kvx::FNORMAL[3]));
    kvx::LINEFREE(3, 3, 0, 3, X2, Y2, Z2, X1, Y1, Z1, true);
    kvx::LINEFREE(0, 0, 3, 0, X3, Y3, Z3, X4, Y4, Z4, true);
    kvx::GLEND();
    glEnable(GL_CULL_FACE);
    kvx::TWOSIDEOFF();
}

// ---------------------------------------------------------------- grass tuft
// The wind phase, TIME in the declaration, is PHASE here: the frame's wind
// clock TIME is a program-level variable of its own.
void FOGLIE(const kvx::TGLVERTEX3F& V, float X, float Y, float Z, float SIZE, float RY,
            float PHASE) {
    MAXVERT = 36;
    kvx::GLSETMAXVERTEX3F(V, MAXVERT);

    // Sway: boundary B leans 10*B*cos(PHASE) degrees about x, 5*B*sin(PHASE)
    // about z.  The shared T0/T1 selections come from the previous tuft.
    const long double c = cosl(static_cast<long double>(PHASE));
    const long double s = sinl(static_cast<long double>(PHASE));
    for (std::int32_t B = 0; B <= 4; ++B) {
        const float RX = static_cast<float>(c * 10.0L * B);
        const float RZ = static_cast<float>(s * 5.0L * B);
        kvx::GLROTATEVERTEX3F(V, std::as_const(T0)[B], 0, 0, 0, RX, 0, RZ, MAXVERT);
        kvx::GLROTATEVERTEX3F(V, std::as_const(T1)[B], 0, 0, 0, RX, 0, RZ, MAXVERT);
    }

    kvx::TWOSIDEON();
    glDisable(GL_CULL_FACE);
    glPushMatrix();
    glTranslatef(X, Y, Z);
    glRotatef(RY, 0, 1, 0);
    kvx::MULTIQUAD(SIZE, static_cast<float>(2.0L * SIZE), 4);
    glPopMatrix();
    glEnable(GL_CULL_FACE);
    kvx::TWOSIDEOFF();

    // Selections for the next call, from the positions just recorded.
    for (std::int32_t B = 0; B <= 4; ++B) {
        const float Y0 = static_cast<float>(2 * B);
        kvx::GLCHECKROTATEV3F(T0[B], -4, Y0, 0, 1.25f, MAXVERT);
        kvx::GLCHECKROTATEV3F(T1[B], 4, Y0, 0, 1.25f, MAXVERT);
    }
}

// ---------------------------------------------------------------- frame
void OPENGL_DRAW2D() {
    kvx::OPENGL_I2D(0, 0, 0, 0);
    kvx::OPENGL_INIT(100, 0, 0, 0, 0);
}

void OPENGL_MOUSE2D() {}

void OPENGL_KEYBOARD() {}

void OPENGL_DRAW() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    OPENGL_DRAW2D();
    OPENGL_MOUSE2D();
    OPENGL_KEYBOARD();

    // Fixed camera, then the mouse view on top of it.
    glTranslatef(0, 0, -30);
    glRotatef(25, 1, 0, 0);
    kvx::SETGLMOUSEMOVE(kvx::GL_M0, 2);
    kvx::PUTGLPOINTLIGHT(GL_LIGHT0, 0, 0, 10, 5, 0.1f);

    // Ground, drawn before editing is switched on: never recorded.
    kvx::TEXTURESELECTID(0);
    QUAD(-10, 0, -10, 10, 0, -10, -10, 0, 10, 10, 0, 10);

    // Wind clock: unsigned 32-bit ticks / 2500 in extended precision.
    const std::uint32_t ticks = plat::GetTickCount();
    TIME = static_cast<float>(static_cast<long double>(ticks) / 2500.0L);

    kvx::VERTEXEDITON();
    kvx::SETGLSPRITE();
    kvx::TEXTURETGASELECTID(0);
    for (I = 0;; ++I) {
        for (L = 0;; ++L) {
            kvx::BILLBOARDBEGIN(POS[I][L].X, POS[I][L].Y, POS[I][L].Z);
            const float phase = static_cast<float>(static_cast<long double>(I + 1) * TIME);
            FOGLIE(std::as_const(VERT)[0], 0, 0, 0, 4, ROT[I][L], phase);
            kvx::BILLBOARDEND();
            if (L == 5) break;
        }
        if (I == 5) break;
    }
    kvx::SETGLSPRITEOFF();
    kvx::VERTEXEDITOFF();
}

}  // namespace meadow
