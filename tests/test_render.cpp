// Render state: the calls each routine issues (through the call-observing
// seam) and the state it leaves in Mesa (read back with glGet*).
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "Kalvox/KvxGeometry.h"
#include "Kalvox/KvxRender.h"
#include "Kalvox/KvxWindow.h"
#include "tests/support/egl_context.h"
#include "tests/support/gltrace.h"

using namespace kvx;
using gltrace::Call;

namespace {

double D(double v) { return v; }
double F(float v) { return static_cast<double>(v); }  // a single as the seam records it

struct Mat {
    float m[16];
};
Mat get_matrix(GLenum which) {
    Mat r{};
    glGetFloatv(which, r.m);
    return r;
}
void expect_identity(const Mat& a) {
    for (int i = 0; i < 16; ++i) EXPECT_EQ(a.m[i], (i % 5 == 0) ? 1.0f : 0.0f) << "element " << i;
}

class Render : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testgl::make_current(64, 64));
        WIDTH = 800;
        HEIGHT = 600;
        GLVERT3FENABLEEDIT = false;
        GLVERT3FREMOVE = false;
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    void TearDown() override {
        GLVERT3FREMOVE = false;
        while (glGetError() != GL_NO_ERROR) {
        }
    }
};

// ---------------------------------------------------------------- call order

struct OrderCase {
    const char* name;
    void (*run)();
    std::vector<Call> expected;
};

TEST_F(Render, EachRoutineIssuesExactlyItsCallsInOrder) {
    const double L0 = GL_LIGHT0, L1 = GL_LIGHT1;
    const std::vector<OrderCase> cases = {
        {"OPENGL_INIT",
         [] { OPENGL_INIT(100, 0.1, 0.2, 0.3, 0.7); },
         {{"glClearColor", {F(0.2f), F(0.3f), F(0.7f), F(0.1f)}},
          {"glViewport", {0, 0, 800, 600}},
          {"glMatrixMode", {GL_PROJECTION}},
          {"glLoadIdentity", {}},
          {"gluPerspective", {45, 800.0 / 600.0, 0.1, 100}},
          {"glMatrixMode", {GL_MODELVIEW}},
          {"glLoadIdentity", {}},
          {"glClearDepth", {100}},
          {"glEnable", {GL_DEPTH_TEST}},
          {"glDepthFunc", {GL_LEQUAL}},
          {"glColor4f", {1, 1, 1, 0.5}},
          {"glBlendFunc", {GL_SRC_ALPHA, GL_ONE}},
          {"glLightModeli", {GL_LIGHT_MODEL_LOCAL_VIEWER, 1}},
          {"glHint", {GL_LINE_SMOOTH_HINT, GL_NICEST}},
          {"glHint", {GL_POLYGON_SMOOTH_HINT, GL_NICEST}},
          {"glHint", {GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST}},
          {"glEnable", {GL_AUTO_NORMAL}},
          {"glEnable", {GL_NORMALIZE}}}},
        {"OPENGL_I2D",
         [] { OPENGL_I2D(0.1, 0.2, 0.3, 0.7); },
         {{"glClearColor", {F(0.2f), F(0.3f), F(0.7f), F(0.1f)}},
          {"glViewport", {0, 0, 800, 600}},
          {"glMatrixMode", {GL_PROJECTION}},
          {"glLoadIdentity", {}},
          {"glOrtho", {-2, 2, -1.5, 1.5, -2, 2}},
          {"glMatrixMode", {GL_MODELVIEW}},
          {"glLoadIdentity", {}},
          {"glEnable", {GL_DEPTH_TEST}},
          {"glDepthFunc", {GL_LEQUAL}},
          {"glEnable", {GL_NORMALIZE}}}},
        {"SETGLLIGHT",
         [] { SETGLLIGHT(GL_LIGHT1, 1, 2, 3, 0.1f); },
         {{"glEnable", {GL_LIGHTING}},
          {"glLightfv", {L1, GL_AMBIENT, 0.5, 0.5, 0.5, 1}},
          {"glLightfv", {L1, GL_DIFFUSE, 1, 1, 1, 1}},
          {"glLightfv", {L1, GL_SPECULAR, 1, 1, 1, 1}},
          {"glEnable", {L1}},
          {"glLightfv", {L1, GL_POSITION, 1, 2, 3, F(0.1f)}}}},
        {"PUTGLPOINTLIGHT with a marker",
         [] { PUTGLPOINTLIGHT(GL_LIGHT0, 3, 1, 2, 3, 0); },
         {{"glLightfv", {L0, GL_POSITION, 1, 2, 3, 0}},
          {"glPointSize", {3}},
          {"glBegin", {GL_POINTS}},
          {"glNormal3f", {0, 0, 1}},
          {"glVertex3f", {1, 2, 3}},
          {"glEnd", {}}}},
        {"PUTGLPOINTLIGHT size 0",
         [] { PUTGLPOINTLIGHT(GL_LIGHT0, 0.0f, 0, 10, 5, 0.1f); },
         {{"glLightfv", {L0, GL_POSITION, 0, 10, 5, F(0.1f)}}}},
        {"PUTGLPOINTLIGHT size -0",
         [] { PUTGLPOINTLIGHT(GL_LIGHT0, -0.0f, 0, 10, 5, 0.1f); },
         {{"glLightfv", {L0, GL_POSITION, 0, 10, 5, F(0.1f)}}}},
        {"TWOSIDEON", [] { TWOSIDEON(); }, {{"glLightModeli", {GL_LIGHT_MODEL_TWO_SIDE, 1}}}},
        {"TWOSIDEOFF", [] { TWOSIDEOFF(); }, {{"glLightModeli", {GL_LIGHT_MODEL_TWO_SIDE, 0}}}},
        {"SETGLREFRACTIVE",
         [] { SETGLREFRACTIVE(); },
         {{"glEnable", {GL_CULL_FACE}}, {"glCullFace", {GL_BACK}}, {"glFrontFace", {GL_CCW}}}},
        {"SETGLSPRITE",
         [] { SETGLSPRITE(); },
         {{"glEnable", {GL_ALPHA_TEST}}, {"glAlphaFunc", {GL_GREATER, F(0.4f)}}}},
        {"SETGLSPRITEOFF",
         [] { SETGLSPRITEOFF(); },
         {{"glDepthMask", {GL_TRUE}}, {"glDisable", {GL_BLEND}}, {"glDisable", {GL_ALPHA_TEST}}}},
        // Identity camera, billboard at (-5, 2, 0): the camera lies on its +X side.
        {"BILLBOARDBEGIN",
         [] { BILLBOARDBEGIN(-5, 2, 0); },
         {{"glGetFloatv", {GL_MODELVIEW_MATRIX}},
          {"glPushAttrib", {D(0xFFFFF)}},
          {"glPushMatrix", {}},
          {"glTranslated", {-5, 2, 0}},
          {"glRotatef", {90, 0, 1, 0}}}},
        {"BILLBOARDEND", [] { BILLBOARDEND(); }, {{"glPopMatrix", {}}, {"glPopAttrib", {}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gltrace::Scope scope;
        c.run();
        EXPECT_EQ(gltrace::to_string(gltrace::calls()), gltrace::to_string(c.expected));
        EXPECT_EQ(gltrace::calls(), c.expected);  // exact doubles, not just 9 digits
    }
}

// ---------------------------------------------------------------- projection state

TEST_F(Render, PerspectiveFor800By600) {
    glClearColor(0.5f, 0.5f, 0.5f, 0.5f);
    glMatrixMode(GL_TEXTURE);
    OPENGL_INIT(100, 0, 0, 0, 0);

    GLint mode = 0, vp[4] = {};
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    expect_identity(get_matrix(GL_MODELVIEW_MATRIX));
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(std::vector<GLint>(vp, vp + 4), (std::vector<GLint>{0, 0, 800, 600}));

    const Mat p = get_matrix(GL_PROJECTION_MATRIX);
    const double f = 1.0 / std::tan(22.5 * M_PI / 180.0), n = 0.1, fa = 100;
    const double want[16] = {f / (4.0 / 3.0), 0, 0, 0, 0, f, 0, 0, 0, 0, (fa + n) / (n - fa), -1,
                             0, 0, 2 * fa * n / (n - fa), 0};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(p.m[i], want[i], 1e-5) << "element " << i;

    float cc[4], depth = 0, col[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, cc);
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &depth);
    glGetFloatv(GL_CURRENT_COLOR, col);
    EXPECT_EQ(std::vector<float>(cc, cc + 4), (std::vector<float>{0, 0, 0, 0}));
    EXPECT_EQ(depth, 1.0f);  // 100 clamped by OpenGL
    EXPECT_EQ(std::vector<float>(col, col + 4), (std::vector<float>{1, 1, 1, 0.5f}));
    for (GLenum cap : {GL_DEPTH_TEST, GL_AUTO_NORMAL, GL_NORMALIZE}) EXPECT_TRUE(glIsEnabled(cap)) << cap;
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint func = 0, src = 0, dst = 0, local = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &func);
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    glGetIntegerv(GL_LIGHT_MODEL_LOCAL_VIEWER, &local);
    EXPECT_EQ(func, GL_LEQUAL);
    EXPECT_EQ(src, GL_SRC_ALPHA);
    EXPECT_EQ(dst, GL_ONE);
    EXPECT_EQ(local, 1);
}

TEST_F(Render, OrthographicBoxFor800By600) {
    glMatrixMode(GL_PROJECTION);
    glTranslatef(3, 3, 3);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, 2, 3);
    OPENGL_I2D(1, 0.25, 0.5, 0.75);

    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    expect_identity(get_matrix(GL_MODELVIEW_MATRIX));
    // x -2..2, y -1.5..1.5, z -2..2 map onto -1..1.
    const Mat p = get_matrix(GL_PROJECTION_MATRIX);
    const float want[16] = {0.5f, 0, 0, 0, 0, 1 / 1.5f, 0, 0, 0, 0, -0.5f, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(p.m[i], want[i]) << "element " << i;
    float cc[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, cc);
    EXPECT_EQ(std::vector<float>(cc, cc + 4), (std::vector<float>{0.25f, 0.5f, 0.75f, 1}));
}

// Everything OPENGL_INIT and OPENGL_I2D touch, read back.
struct Snapshot {
    Mat proj, mv;
    GLint vp[4], mode, depth_func, src, dst, local;
    float clear[4], clear_depth, color[4];
    bool depth_test, normalize, auto_normal, blend;
    bool operator==(const Snapshot& o) const {
        return same(proj.m, o.proj.m) && same(mv.m, o.mv.m) && same(vp, o.vp) && mode == o.mode &&
               depth_func == o.depth_func && src == o.src && dst == o.dst && local == o.local &&
               same(clear, o.clear) && clear_depth == o.clear_depth && same(color, o.color) &&
               depth_test == o.depth_test && normalize == o.normalize &&
               auto_normal == o.auto_normal && blend == o.blend;
    }
    template <class T, std::size_t K>
    static bool same(const T (&a)[K], const T (&b)[K]) {
        return std::equal(a, a + K, b);
    }
};
Snapshot snapshot() {
    Snapshot s{};
    s.proj = get_matrix(GL_PROJECTION_MATRIX);
    s.mv = get_matrix(GL_MODELVIEW_MATRIX);
    glGetIntegerv(GL_VIEWPORT, s.vp);
    glGetIntegerv(GL_MATRIX_MODE, &s.mode);
    glGetIntegerv(GL_DEPTH_FUNC, &s.depth_func);
    glGetIntegerv(GL_BLEND_SRC, &s.src);
    glGetIntegerv(GL_BLEND_DST, &s.dst);
    glGetIntegerv(GL_LIGHT_MODEL_LOCAL_VIEWER, &s.local);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, s.clear);
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &s.clear_depth);
    glGetFloatv(GL_CURRENT_COLOR, s.color);
    s.depth_test = glIsEnabled(GL_DEPTH_TEST);
    s.normalize = glIsEnabled(GL_NORMALIZE);
    s.auto_normal = glIsEnabled(GL_AUTO_NORMAL);
    s.blend = glIsEnabled(GL_BLEND);
    return s;
}
void dirty_state() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glTranslatef(1, 1, 1);
    glMatrixMode(GL_MODELVIEW);
    glRotatef(30, 1, 1, 0);
    glViewport(1, 2, 3, 4);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_NORMALIZE);
    glDisable(GL_AUTO_NORMAL);
    glDepthFunc(GL_ALWAYS);
    glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
}

TEST_F(Render, TwoDimensionalThenPerspectiveEqualsPerspectiveAlone) {
    dirty_state();
    OPENGL_INIT(100, 0, 0, 0, 0);
    const Snapshot alone = snapshot();
    dirty_state();
    OPENGL_I2D(0.9, 0.3, 0.2, 0.1);
    OPENGL_INIT(100, 0, 0, 0, 0);
    EXPECT_TRUE(snapshot() == alone);
}

TEST_F(Render, ZeroWindowSizePassesInfinityAndNotANumberOn) {
    struct Case {
        std::int32_t w, h;
        bool aspect_nan, ortho_nan;
    };
    for (const Case c : {Case{800, 0, false, false}, Case{0, 600, false, false}, Case{0, 0, true, true}}) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        WIDTH = c.w;
        HEIGHT = c.h;
        gltrace::Scope scope;
        OPENGL_INIT(100, 0, 0, 0, 0);
        OPENGL_I2D(0, 0, 0, 0);
        const auto& calls = gltrace::calls();
        ASSERT_EQ(calls.size(), 28u);
        ASSERT_EQ(calls[4].name, "gluPerspective");
        const double aspect = calls[4].args[1];
        if (c.aspect_nan) {
            EXPECT_TRUE(std::isnan(aspect));
        } else if (c.h == 0) {
            EXPECT_EQ(aspect, std::numeric_limits<double>::infinity());
        } else {
            EXPECT_EQ(aspect, 0.0);
        }
        ASSERT_EQ(calls[22].name, "glOrtho");
        const double bottom = calls[22].args[2], top = calls[22].args[3];
        if (c.ortho_nan) {
            EXPECT_TRUE(std::isnan(bottom) && std::isnan(top));
        } else if (c.w == 0) {
            EXPECT_EQ(bottom, -std::numeric_limits<double>::infinity());
            EXPECT_EQ(top, std::numeric_limits<double>::infinity());
        } else {
            EXPECT_EQ(bottom, 0.0);
            EXPECT_EQ(top, 0.0);
        }
    }
}

TEST_F(Render, OrthographicBoxHeightOverflowStopsWithOverflowError) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // Mesa runs threads
    HEIGHT = 0x40000000;  // 2 * HEIGHT does not fit in 32 bits
    EXPECT_EXIT(
        {
            gltrace::Scope sink(/*forward=*/false);
            OPENGL_I2D(0, 0, 0, 0);
        },
        ::testing::ExitedWithCode(215), "overflow");
}

// ---------------------------------------------------------------- lights

std::vector<float> light(GLenum l, GLenum pname) {
    float v[4] = {};
    glGetLightfv(l, pname, v);
    return {v[0], v[1], v[2], v[3]};
}

TEST_F(Render, DemoLightColoursAndEyeSpacePositions) {
    // The library never changes its colour arrays.
    const auto all = [](const rt::Array<float, 0, 3>& a) { return std::vector<float>(a.begin(), a.end()); };
    EXPECT_EQ(all(AMBIENTLIGHT), (std::vector<float>{0.5f, 0.5f, 0.5f, 1}));
    EXPECT_EQ(all(DIFFUSELIGHT), (std::vector<float>{1, 1, 1, 1}));
    EXPECT_EQ(all(SPECULARLIGHT), (std::vector<float>{1, 1, 1, 1}));
    glDisable(GL_LIGHT1);
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    SETGLLIGHT(GL_LIGHT0, 0, 0, 0, 0.1f);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_EQ(light(GL_LIGHT0, GL_AMBIENT), (std::vector<float>{0.5f, 0.5f, 0.5f, 1}));
    EXPECT_EQ(light(GL_LIGHT0, GL_DIFFUSE), (std::vector<float>{1, 1, 1, 1}));
    EXPECT_EQ(light(GL_LIGHT0, GL_SPECULAR), (std::vector<float>{1, 1, 1, 1}));
    EXPECT_EQ(light(GL_LIGHT0, GL_POSITION), (std::vector<float>{0, 0, 0, 0.1f}));

    // The demo's per-frame placement, under an identity camera and under the
    // camera pushed 30 units back: (0, 10, 5, 0.1) is (0, 100, 50) or (0, 100, 20).
    struct Case {
        float back, want_z;
    };
    for (const Case c : {Case{0, 50}, Case{-30, 20}}) {
        glLoadIdentity();
        glTranslatef(0, 0, c.back);
        PUTGLPOINTLIGHT(GL_LIGHT0, 0, 0, 10, 5, 0.1f);
        const auto p = light(GL_LIGHT0, GL_POSITION);
        EXPECT_FLOAT_EQ(p[0] / p[3], 0);
        EXPECT_FLOAT_EQ(p[1] / p[3], 100);
        EXPECT_FLOAT_EQ(p[2] / p[3], c.want_z);
    }

    // Placing light 1 overwrites LIGHTPOSITION but leaves light 0 where it was.
    const auto before = light(GL_LIGHT0, GL_POSITION);
    glLoadIdentity();
    PUTGLPOINTLIGHT(GL_LIGHT1, 0, 7, 8, 9, 1);
    EXPECT_EQ(light(GL_LIGHT1, GL_POSITION), (std::vector<float>{7, 8, 9, 1}));
    EXPECT_EQ(light(GL_LIGHT0, GL_POSITION), before);
    EXPECT_EQ(all(LIGHTPOSITION), (std::vector<float>{7, 8, 9, 1}));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1));  // placing does not enable
}

TEST_F(Render, MarkerGoesThroughTheRecordingVertexCallsAndMinusZeroDrawsNone) {
    glPointSize(1);
    GLVERT3FREMOVE = true;  // GLBEGIN, GLVERTEX3F and GLEND send nothing
    {
        gltrace::Scope scope;
        PUTGLPOINTLIGHT(GL_LIGHT0, 5, 1, 2, 3, 1);
        const std::vector<Call> want = {{"glLightfv", {GL_LIGHT0, GL_POSITION, 1, 2, 3, 1}},
                                        {"glPointSize", {5}},
                                        {"glNormal3f", {0, 0, 1}}};
        EXPECT_EQ(gltrace::to_string(gltrace::calls()), gltrace::to_string(want));
    }
    GLVERT3FREMOVE = false;
    float size = 0;
    glGetFloatv(GL_POINT_SIZE, &size);
    EXPECT_EQ(size, 5.0f);  // left at SIZE

    gltrace::Scope scope;
    PUTGLPOINTLIGHT(GL_LIGHT0, -0.0f, 1, 2, 3, 1);
    ASSERT_EQ(gltrace::calls().size(), 1u);
    glGetFloatv(GL_POINT_SIZE, &size);
    EXPECT_EQ(size, 5.0f);
}

// ---------------------------------------------------------------- switches

TEST_F(Render, SwitchesSetTheirStates) {
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    glDisable(GL_ALPHA_TEST);
    SETGLSPRITE();
    GLint func = 0;
    float ref = 0;
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &func);
    glGetFloatv(GL_ALPHA_TEST_REF, &ref);
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_EQ(func, GL_GREATER);
    EXPECT_FLOAT_EQ(ref, 0.4f);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));  // SETGLSPRITE leaves blending alone

    // SETGLSPRITEOFF returns to opaque drawing, called once or twice.
    for (int i = 0; i < 2; ++i) {
        SETGLSPRITEOFF();
        GLboolean mask = GL_FALSE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
        EXPECT_EQ(mask, GL_TRUE);
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    }

    glDisable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    glFrontFace(GL_CW);
    SETGLREFRACTIVE();
    GLint cull = 0, front = 0;
    glGetIntegerv(GL_CULL_FACE_MODE, &cull);
    glGetIntegerv(GL_FRONT_FACE, &front);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(cull, GL_BACK);
    EXPECT_EQ(front, GL_CCW);

    GLint two = -1;
    TWOSIDEON();
    glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &two);
    EXPECT_EQ(two, 1);
    TWOSIDEOFF();
    glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &two);
    EXPECT_EQ(two, 0);
}

// ---------------------------------------------------------------- billboards

// The angle (degrees) BILLBOARDBEGIN turns by, with the camera transform
// `camera` already on the model-view matrix; the billboard is closed again.
float billboard_angle(float x, float y, float z) {
    gltrace::Scope scope;
    BILLBOARDBEGIN(x, y, z);
    const auto calls = gltrace::calls();
    BILLBOARDEND();
    EXPECT_EQ(calls.back().name, "glRotatef");
    return static_cast<float>(calls.back().args[0]);
}

TEST_F(Render, BillboardTurnsTowardsTheCameraAboutTheVertical) {
    struct Case {
        const char* name;
        float cx, cy, cz;  // camera position in the frame (a pure translation)
        float bx, by, bz;  // billboard position
        float angle;
    };
    const Case cases[] = {
        {"camera on +Z", 0, 0, 10, 0, 0, 0, 0},
        {"camera on +X", 10, 0, 0, 0, 0, 0, 90},
        {"camera on -X", -10, 0, 0, 0, 0, 0, -90},
        {"camera on -Z", 0, 0, -10, 0, 0, 0, 180},
        {"camera on -Z, billboard moved", 3, 1, -4, 3, -2, 6, 180},
        {"camera straight above", 0, 10, 0, 0, 0, 0, 0},
        {"camera straight below", 2, -10, 3, 2, 5, 3, 0},
        {"camera at the billboard", 1, 2, 3, 1, 2, 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        glLoadIdentity();
        glTranslatef(-c.cx, -c.cy, -c.cz);
        EXPECT_EQ(billboard_angle(c.bx, c.by, c.bz), c.angle);
    }
}

TEST_F(Render, BillboardFollowsOnlyTheHorizontalBearing) {
    // Camera at (3, y, 4) from a billboard at the origin: bearing atan2(3, 4).
    const float want = static_cast<float>(std::atan2(3.0, 4.0) * 180 / M_PI);
    for (float y : {-40.0f, -7.0f, 0.0f, 2.5f, 40.0f}) {
        glLoadIdentity();
        glTranslatef(-3, -y, -4);
        EXPECT_NEAR(billboard_angle(0, 0, 0), want, 1e-4) << "camera height " << y;
    }
    // A rotated camera as the demo builds it: pushed back, tilted, turned by
    // 40 degrees about the vertical.  The camera then sits at bearing -40.
    glLoadIdentity();
    glTranslatef(0, 0, -30);
    glRotatef(25, 1, 0, 0);
    glRotatef(40, 0, 1, 0);
    EXPECT_NEAR(billboard_angle(0, 0, 0), -40.0f, 1e-3);
}

TEST_F(Render, BillboardFrameAndRestore) {
    glLoadIdentity();
    glTranslatef(0, 0, -30);
    glRotatef(25, 1, 0, 0);
    GLuint tex[2];
    glGenTextures(2, tex);
    glBindTexture(GL_TEXTURE_2D, tex[0]);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glColor4f(0.25f, 0.5f, 0.75f, 1);
    glBlendFunc(GL_ONE, GL_ZERO);
    const Mat mv = get_matrix(GL_MODELVIEW_MATRIX);

    BILLBOARDBEGIN(4, 0, -2);
    GLint depth = 0;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 2);
    // The local origin lands where (4, 0, -2) did.
    const Mat inside = get_matrix(GL_MODELVIEW_MATRIX);
    for (int r = 0; r < 3; ++r)
        EXPECT_NEAR(inside.m[12 + r], mv.m[r] * 4 + mv.m[8 + r] * -2 + mv.m[12 + r], 1e-4);
    // The drawing in between changes texture, blending, enables, colour, depth.
    glBindTexture(GL_TEXTURE_2D, tex[1]);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_ALPHA_TEST);
    glDepthMask(GL_FALSE);
    glColor4f(1, 0, 0, 0.5f);
    glScalef(2, 2, 2);
    BILLBOARDEND();

    const Mat after = get_matrix(GL_MODELVIEW_MATRIX);
    EXPECT_EQ(std::memcmp(after.m, mv.m, sizeof mv.m), 0);
    GLint bound = 0, src = 0, dst = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(static_cast<GLuint>(bound), tex[0]);
    EXPECT_EQ(src, GL_ONE);
    EXPECT_EQ(dst, GL_ZERO);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(mask, GL_TRUE);
    float col[4];
    glGetFloatv(GL_CURRENT_COLOR, col);
    EXPECT_EQ(std::vector<float>(col, col + 4), (std::vector<float>{0.25f, 0.5f, 0.75f, 1}));
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 0);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
