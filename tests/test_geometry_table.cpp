// The recorded-vertex table, its deformation, the textured line and the
// subdivided quad: worked examples, calls reaching OpenGL (null sink), stops.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "KVX_Tutorial/KvxTutorial.h"
#include "Kalvox/KvxGeometry.h"
#include "tests/support/float_bits.h"
#include "Kalvox/KvxRender.h"
#include "tests/support/gltrace.h"

using namespace kvx;

namespace {

const float COS_HALF_PI_F = from_bits(0xB33BBD2Eu);  // single(cos(single(pi/2))), about -4.4e-8

const TGLVERTEX3F& blank() {
    static const TGLVERTEX3F b;
    return b;
}

std::unique_ptr<TGLVERTEX3F> record() { return std::make_unique<TGLVERTEX3F>(); }
std::unique_ptr<TGLFINDVERTEX3F> selection() { return std::make_unique<TGLFINDVERTEX3F>(); }

const TGLVERTEX3F& table() { return GLBASEVERTEX3F; }  // const: reading notes nothing

void expect_vec(const TGLVECTOR& v, float x, float y, float z) {
    EXPECT_EQ(bits(v.X), bits(x)) << v.X << " vs " << x;
    EXPECT_EQ(bits(v.Y), bits(y)) << v.Y << " vs " << y;
    EXPECT_EQ(bits(v.Z), bits(z)) << v.Z << " vs " << z;
}

// The calls that reached OpenGL, one per line.
std::string trace() { return gltrace::to_string(gltrace::calls()); }
int count_of(const char* name) {
    int n = 0;
    for (const auto& c : gltrace::calls()) n += c.name == name;
    return n;
}

class VertexTable : public testing::Test {
protected:
    void SetUp() override {
        VERTEXEDITOFF();
        GLVERT3FREMOVE = false;
        GLSETMAXVERTEX3F(blank(), 0);
    }
    void TearDown() override { SetUp(); }
    gltrace::Scope gl{false};  // null sink: records, forwards nothing
};

}  // namespace

// ---------------------------------------------------------------- recording
TEST_F(VertexTable, EditingOffPassesThroughButGlBeginArmsTheCap) {
    GLSETMAXVERTEX3F(blank(), 36);
    gltrace::clear();
    GLBEGIN(GL_TRIANGLES);
    GLVERTEX3F(1.5f, -2, 3);
    GLEND();
    EXPECT_EQ(trace(), "glBegin(4)\nglVertex3f(1.5, -2, 3)\nglEnd()\n");
    EXPECT_EQ(table().GLVERT3FCOUNT, 0);
    EXPECT_EQ(table().GLVERT3FMAX, 37);
    expect_vec(table().GLVERT3FOFFSET[1], 0, 0, 0);
    expect_vec(table().GLVERT3FTMPSCALE[1], 0, 0, 0);
}

TEST_F(VertexTable, FirstVertexTakesSlotOneUnchangedAndWritesScaleDefault) {
    VERTEXEDITON();
    GLSETMAXVERTEX3F(blank(), 36);
    EXPECT_EQ(table().GLVERT3FSETNUM, 37);
    EXPECT_EQ(table().GLVERT3FMAX, 0);
    gltrace::clear();
    GLBEGIN(GL_POINTS);
    GLVERTEX3F(0.25f, 7, -3);
    GLEND();
    EXPECT_EQ(trace(), "glBegin(0)\nglVertex3f(0.25, 7, -3)\nglEnd()\n");
    EXPECT_EQ(table().GLVERT3FCOUNT, 1);
    expect_vec(table().GLVERT3FOFFSET[1], 0.25f, 7, -3);
    expect_vec(table().GLVERT3F[1], 0.25f, 7, -3);
    expect_vec(table().GLVERT3FTMPSCALE[1], 1, 1, 1);
    expect_vec(table().GLVERT3FTMPSCALE[2], 0, 0, 0);
}

TEST_F(VertexTable, PerSlotValuesApplyScaleTranslationOffsetRotation) {
    auto r = record();
    r->GLVERT3FTMPSCALE[1] = {0, 0, 2};  // not all zero: applied as is
    r->GLVERT3FTMPSCALE[2] = {2, 2, 2};
    r->GLVERT3FTMP[2] = {1, 0, 0};
    r->GLVERT3FTMPPOSROT[2] = {0, 1, 0};
    r->GLVERT3FTMPROTATE[2] = {0, 0, 90};
    r->GLVERT3FTMPROTATE[3] = {0, 0, 90};
    VERTEXEDITON();
    GLSETMAXVERTEX3F(*r, 36);
    GLBEGIN(GL_POINTS);
    GLVERTEX3F(3, 4, 5);
    GLVERTEX3F(1, 0, 0);
    GLVERTEX3F(1, 0, 0);
    GLEND();
    expect_vec(table().GLVERT3F[1], 0, 0, 10);
    expect_vec(table().GLVERT3FTMPSCALE[1], 0, 0, 2);
    // (2*1 + 1, 0, 0) + (0, 1, 0) = (3, 1, 0), turned 90 degrees about z:
    // (3c - 1, 3 + c, 0) with c the tiny negative cosine.
    expect_vec(table().GLVERT3F[2], -1.00000012f, 3, 0);
    expect_vec(table().GLVERT3F[3], COS_HALF_PI_F, 1, 0);
    expect_vec(table().GLVERT3FOFFSET[3], 1, 0, 0);
    const auto& calls = gltrace::calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[3].args, (std::vector<double>{COS_HALF_PI_F, 1, 0}));
}

TEST_F(VertexTable, CapIsMaxnumPlusOneAndExtraVerticesShareTheLastSlot) {
    VERTEXEDITON();
    GLSETMAXVERTEX3F(blank(), 36);
    GLBEGIN(GL_POINTS);
    for (int k = 1; k <= 40; ++k) GLVERTEX3F(static_cast<float>(k), 0, 0);
    GLEND();
    EXPECT_EQ(count_of("glVertex3f"), 40);
    EXPECT_EQ(table().GLVERT3FCOUNT, 37);
    expect_vec(table().GLVERT3FOFFSET[36], 36, 0, 0);
    expect_vec(table().GLVERT3FOFFSET[37], 40, 0, 0);
    expect_vec(table().GLVERT3FOFFSET[38], 0, 0, 0);
}

TEST_F(VertexTable, GroupsNumberOnAndRemoveSendsNothing) {
    VERTEXEDITON();
    GLVERT3FREMOVE = true;
    auto r = record();
    r->GLVERT3FTMP[5] = {0, 0, 1};
    GLSETMAXVERTEX3F(*r, 36);
    GLBEGIN(GL_QUADS);
    for (int k = 0; k < 4; ++k) GLVERTEX3F(1, 1, 1);
    GLEND();
    GLBEGIN(GL_POINTS);
    GLVERTEX3F(2, 2, 2);
    GLEND();
    EXPECT_EQ(gltrace::calls().size(), 0u) << trace();
    EXPECT_EQ(table().GLVERT3FCOUNT, 5);
    expect_vec(table().GLVERT3F[5], 2, 2, 3);  // stored and transformed all the same
}

TEST_F(VertexTable, InstallationCopiesCountersAndEveryField) {
    auto r = record();
    r->GLVERT3FCOUNT = 7;
    r->GLVERT3FMAX = 9;
    r->GLVERT3FSETNUM = 123;
    r->GLVERT3FOFFSET[10000] = {1, 2, 3};
    GLSETMAXVERTEX3F(*r, 4);
    EXPECT_EQ(table().GLVERT3FCOUNT, 7);
    EXPECT_EQ(table().GLVERT3FMAX, 9);
    EXPECT_EQ(table().GLVERT3FSETNUM, 5);
    expect_vec(table().GLVERT3FOFFSET[10000], 1, 2, 3);
    // Numbering goes on from the installed count; at or above the cap (5) the
    // vertex stays in the count's slot.
    VERTEXEDITON();
    GLBEGIN(GL_POINTS);
    EXPECT_EQ(table().GLVERT3FMAX, 5);
    GLVERTEX3F(4, 4, 4);
    EXPECT_EQ(table().GLVERT3FCOUNT, 7);
    expect_vec(table().GLVERT3FOFFSET[7], 4, 4, 4);
    // The caller writing the table directly is seen by the next installation.
    GLBASEVERTEX3F.GLVERT3FTMPROTATE[200] = {1, 2, 3};
    GLSETMAXVERTEX3F(*r, 4);
    expect_vec(table().GLVERT3FTMPROTATE[200], 0, 0, 0);
    expect_vec(table().GLVERT3FOFFSET[7], 0, 0, 0);
    expect_vec(table().GLVERT3FTMPSCALE[7], 0, 0, 0);
}

// ---------------------------------------------------------------- deformation
TEST_F(VertexTable, DistanceTestIsStrictAndUsesTheRadiusSquared) {
    VERTEXEDITON();
    GLSETMAXVERTEX3F(blank(), 36);
    GLBEGIN(GL_POINTS);
    GLVERTEX3F(1.25f, 0, 0);  // slot 1: exactly 1.25 from the origin
    GLVERTEX3F(0, 0, 0);      // slot 2: at the centre
    GLVERTEX3F(0, 1.2f, 0);   // slot 3
    GLEND();
    const TGLVECTOR o{0, 0, 0};
    struct Case {
        float radius;
        bool s1, s2, s3;
    };
    for (const Case c : {Case{1.25f, false, true, true}, Case{0, false, false, false},
                         Case{-1.25f, false, true, true}, Case{1.2500001f, true, true, true}}) {
        SCOPED_TRACE(c.radius);
        EXPECT_EQ(GLFINDVERTEX3F(o, c.radius, 1), c.s1);
        EXPECT_EQ(GLFINDVERTEX3F(o, c.radius, 2), c.s2);
        EXPECT_EQ(GLFINDVERTEX3F(o, c.radius, 3), c.s3);
    }
    // The test is on the positions given, not the transformed ones.
    GLSETROTATEVERTEX3F(100, 0, 0, 0, 0, 0, 2);
    GLSETMAXVERTEX3F(GLBASEVERTEX3F, 36);  // installing the table itself changes nothing
    EXPECT_TRUE(GLFINDVERTEX3F(o, 0.5f, 2));
}

TEST_F(VertexTable, ScansCoverOneToMaxnumAndTheLastCallDecides) {
    VERTEXEDITON();
    GLSETMAXVERTEX3F(blank(), 36);
    auto a = selection(), b = selection();
    a->GLVERT3FFINDV3FFORROTATE[37] = true;
    a->GLVERT3FFINDV3FFORROTATE[3] = true;
    a->GLVERT3FFINDV3FFORROTATE[4] = true;
    b->GLVERT3FFINDV3FFORROTATE[4] = true;
    GLROTATEVERTEX3F(blank(), *a, 1, 2, 3, 10, 20, 30, 36);
    GLROTATEVERTEX3F(blank(), *b, 4, 5, 6, 40, 50, 60, 36);
    expect_vec(table().GLVERT3FTMPPOSROT[3], 1, 2, 3);
    expect_vec(table().GLVERT3FTMPROTATE[3], 10, 20, 30);
    expect_vec(table().GLVERT3FTMPPOSROT[4], 4, 5, 6);
    expect_vec(table().GLVERT3FTMPROTATE[4], 40, 50, 60);
    expect_vec(table().GLVERT3FTMPROTATE[37], 0, 0, 0);  // slot 37 is not scanned
    // Slots whose flag is clear keep what they hold (slot 3 under selection b).
    expect_vec(table().GLVERT3FTMPROTATE[3], 10, 20, 30);

    // GLCHECKROTATEV3F overwrites flags 1..MAXNUM only, and only rotation flags.
    auto c = selection();
    c->GLVERT3FFINDV3FFORROTATE[2] = true;
    c->GLVERT3FFINDV3FFORROTATE[37] = true;
    c->GLVERT3FFINDV3FFORSCALE[1] = true;
    GLCHECKROTATEV3F(*c, 0, 0, 0, 0, 36);  // radius 0: nothing selected
    for (int i = 1; i <= 36; ++i) EXPECT_FALSE(c->GLVERT3FFINDV3FFORROTATE[i]) << i;
    EXPECT_TRUE(c->GLVERT3FFINDV3FFORROTATE[37]);
    EXPECT_TRUE(c->GLVERT3FFINDV3FFORSCALE[1]);
    GLCHECKROTATEV3F(*c, 0, 0, 0, 1, 0);  // MAXNUM below 1: nothing
    EXPECT_TRUE(c->GLVERT3FFINDV3FFORROTATE[37]);
}

TEST_F(VertexTable, EditingOffMakesTheDeformationSilent) {
    GLSETMAXVERTEX3F(blank(), 36);
    auto fv = selection();
    fv->GLVERT3FFINDV3FFORROTATE[1] = true;
    fv->GLVERT3FFINDV3FFORROTATE[2] = false;
    GLCHECKROTATEV3F(*fv, 0, 0, 0, 5, 36);  // would select every blank slot
    EXPECT_TRUE(fv->GLVERT3FFINDV3FFORROTATE[1]);
    EXPECT_FALSE(fv->GLVERT3FFINDV3FFORROTATE[2]);
    GLROTATEVERTEX3F(blank(), *fv, 1, 1, 1, 9, 9, 9, 36);
    GLSETROTATEVERTEX3F(1, 1, 1, 9, 9, 9, 2);
    GLSETROTATEVERTEX3F(1, 1, 1, 9, 9, 9, 0);  // not even a range check
    expect_vec(table().GLVERT3FTMPROTATE[1], 0, 0, 0);
    expect_vec(table().GLVERT3FTMPPOSROT[2], 0, 0, 0);
    EXPECT_FALSE(GLFINDVERTEX3F(TGLVECTOR{0, 0, 0}, 5, 1));  // chosen: false while off
}

// ---------------------------------------------------------------- lines and quads
TEST_F(VertexTable, LineFreeWithoutTextureEmitsOnlyTwoVertices) {
    VERTEXEDITON();
    GLSETMAXVERTEX3F(blank(), 36);
    GLBEGIN(GL_QUADS);
    gltrace::clear();
    LINEFREE(5, 6, 7, 8, 1, 2, 3, 4, 5, 6, false);
    LINEFREE(5, 6, 7, 8, 1, 2, 3, 4, 5, 6, true);
    EXPECT_EQ(trace(),
              "glVertex3f(1, 2, 3)\nglVertex3f(4, 5, 6)\n"
              "glTexCoord2f(5, 6)\nglVertex3f(1, 2, 3)\nglTexCoord2f(7, 8)\nglVertex3f(4, 5, 6)\n");
    EXPECT_EQ(table().GLVERT3FCOUNT, 4);
    expect_vec(table().GLVERT3FOFFSET[2], 4, 5, 6);
}

TEST_F(VertexTable, MultiQuadRowsTextureAndNormals) {
    VERTEXEDITON();
    GLSETMAXVERTEX3F(blank(), 36);
    gltrace::clear();
    MULTIQUAD(1, 2, 4);
    std::string want = "glBegin(7)\n";
    const char* ys[] = {"0", "0.5", "1", "1.5", "2"};
    const char* ts[] = {"1", "1.25", "1.5", "1.75", "2"};
    for (int i = 0; i < 4; ++i) {
        want += "glNormal3f(0, 0, 1)\n";
        want += std::string("glTexCoord2f(0, ") + ts[i] + ")\nglVertex3f(-1, " + ys[i] + ", 0)\n";
        want += std::string("glTexCoord2f(1, ") + ts[i] + ")\nglVertex3f(1, " + ys[i] + ", 0)\n";
        want += std::string("glTexCoord2f(1, ") + ts[i + 1] + ")\nglVertex3f(1, " + ys[i + 1] +
                ", 0)\n";
        want += std::string("glTexCoord2f(0, ") + ts[i + 1] + ")\nglVertex3f(-1, " + ys[i + 1] +
                ", 0)\n";
    }
    want += "glEnd()\n";
    EXPECT_EQ(trace(), want);
    EXPECT_EQ(table().GLVERT3FCOUNT, 16);
    expect_vec(table().GLVERT3FOFFSET[11], 1, 1.5f, 0);
    expect_vec(table().GLVERT3FOFFSET[16], -1, 2, 0);

    GLSETMAXVERTEX3F(blank(), 36);
    gltrace::clear();
    MULTIQUAD(3, 5, 1);
    EXPECT_EQ(trace(),
              "glBegin(7)\nglNormal3f(0, 0, 1)\n"
              "glTexCoord2f(0, 1)\nglVertex3f(-3, 0, 0)\nglTexCoord2f(1, 1)\nglVertex3f(3, 0, 0)\n"
              "glTexCoord2f(1, 2)\nglVertex3f(3, 5, 0)\nglTexCoord2f(0, 2)\nglVertex3f(-3, 5, 0)\n"
              "glEnd()\n");

    for (int n : {0, -3}) {
        GLSETMAXVERTEX3F(blank(), 36);
        gltrace::clear();
        MULTIQUAD(3, 5, n);
        EXPECT_EQ(trace(), "glBegin(7)\nglEnd()\n");
        EXPECT_EQ(table().GLVERT3FCOUNT, 0);
    }
}

// The demo's tuft cycle: selections after one pass, then the sway of the top.
TEST_F(VertexTable, TuftCycleSelectsRowBoundariesAndSwaysTheTop) {
    auto T0 = std::make_unique<TGLFINDVERTEX3F[]>(5), T1 = std::make_unique<TGLFINDVERTEX3F[]>(5);
    VERTEXEDITON();
    for (int pass = 0; pass < 2; ++pass) {
        GLSETMAXVERTEX3F(blank(), 36);
        for (int I = 0; I <= 4; ++I) {
            const float RX = static_cast<float>(cosl(0.0L) * 10 * I);
            const float RZ = static_cast<float>(sinl(0.0L) * 5 * I);
            GLROTATEVERTEX3F(blank(), T0[I], 0, 0, 0, RX, 0, RZ, 36);
            GLROTATEVERTEX3F(blank(), T1[I], 0, 0, 0, RX, 0, RZ, 36);
        }
        gltrace::clear();
        MULTIQUAD(4, 8, 4);
        if (pass == 0) {  // empty selections: drawn straight
            expect_vec(table().GLVERT3F[15], 4, 8, 0);
        } else {
            // 8 cos 40 and 8 sin 40 as the rules round them (worked out independently).
            const float c40x8 = from_bits(0x40C41B7Du), s40x8 = from_bits(0x40A48DBAu);
            expect_vec(table().GLVERT3F[15], 4, c40x8, s40x8);
            expect_vec(table().GLVERT3F[16], -4, c40x8, s40x8);
            expect_vec(table().GLVERT3F[1], -4, 0, 0);
            EXPECT_NEAR(table().GLVERT3F[15].Y, 8 * std::cos(40 * M_PI / 180), 1e-5);
        }
        for (int I = 0; I <= 4; ++I) {
            GLCHECKROTATEV3F(T0[I], -4, 2.0f * I, 0, 1.25f, 36);
            GLCHECKROTATEV3F(T1[I], 4, 2.0f * I, 0, 1.25f, 36);
        }
    }
    const std::vector<int> left[5] = {{1}, {4, 5}, {8, 9}, {12, 13}, {16}};
    const std::vector<int> right[5] = {{2}, {3, 6}, {7, 10}, {11, 14}, {15}};
    for (int I = 0; I <= 4; ++I) {
        std::vector<int> l, r;
        for (int s = 1; s <= 10000; ++s) {
            if (T0[I].GLVERT3FFINDV3FFORROTATE[s]) l.push_back(s);
            if (T1[I].GLVERT3FFINDV3FFORROTATE[s]) r.push_back(s);
        }
        EXPECT_EQ(l, left[I]) << I;
        EXPECT_EQ(r, right[I]) << I;
    }
}

// ---------------------------------------------------------------- run-time stops
using VertexTableDeathTest = VertexTable;

TEST_F(VertexTableDeathTest, RangeAndOverflowStops) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto range = testing::ExitedWithCode(201);
    // Editing on with no slot to give (count 0, cap 0).
    EXPECT_EXIT({ VERTEXEDITON(); GLVERTEX3F(1, 2, 3); }, range, "range check");
    // A cap above 10000 reached.
    EXPECT_EXIT(
        {
            static TGLVERTEX3F r;
            r.GLVERT3FCOUNT = 10000;
            VERTEXEDITON();
            GLSETMAXVERTEX3F(r, 10000);
            GLVERT3FREMOVE = true;
            GLBEGIN(GL_POINTS);
            GLVERTEX3F(1, 2, 3);
        },
        range, "range check");
    EXPECT_EXIT(GLSETMAXVERTEX3F(blank(), std::numeric_limits<std::int32_t>::max()),
                testing::ExitedWithCode(215), "overflow");
    EXPECT_EXIT({ VERTEXEDITON(); GLSETROTATEVERTEX3F(0, 0, 0, 0, 0, 0, 10001); }, range, "range check");
    EXPECT_EXIT({ VERTEXEDITON(); GLFINDVERTEX3F(TGLVECTOR{}, 1, 0); }, range, "range check");
    EXPECT_EXIT(
        {
            static TGLFINDVERTEX3F fv;
            VERTEXEDITON();
            GLCHECKROTATEV3F(fv, 0, 0, 0, 1, 10001);
        },
        range, "range check");
    EXPECT_EXIT(
        {
            static TGLFINDVERTEX3F fv;
            VERTEXEDITON();
            GLROTATEVERTEX3F(blank(), fv, 0, 0, 0, 0, 0, 0, 10001);
        },
        range, "range check");
    EXPECT_EXIT(
        {
            static TGLVERTEX3F r;
            r.GLVERT3FTMP[10001].X = 1;
        },
        range, "range check");
}
