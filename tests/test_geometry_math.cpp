// Vectors, rotation matrices and face normals: the worked numbers to the bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "Kalvox/KvxGeometry.h"
#include "tests/support/float_bits.h"

using namespace kvx;

namespace {


// Expected values worked out independently (multi-precision arithmetic,
// rounded the way the rules say).
const float COS_HALF_PI_F = from_bits(0xB33BBD2Eu);  // cos of single(pi/2), as single: -4.3711388e-8
const float SIN_PI_F = from_bits(0xB3BBBD2Eu);       // sin of single(pi), as single: -8.7422777e-8
const float EIGHT_COS_40 = from_bits(0x40C41B7Du);   // 8 * single(cos single(40 deg))
const float EIGHT_SIN_40 = from_bits(0x40A48DBAu);   // 8 * single(sin single(40 deg))

void expect_vec(const TGLVECTOR& v, float x, float y, float z) {
    EXPECT_EQ(bits(v.X), bits(x)) << v.X << " vs " << x;
    EXPECT_EQ(bits(v.Y), bits(y)) << v.Y << " vs " << y;
    EXPECT_EQ(bits(v.Z), bits(z)) << v.Z << " vs " << z;
}

}  // namespace

TEST(Geometry, DegToRadRoundsExtendedProductOnce) {
    EXPECT_EQ(bits(DEGTORAD(90)), 0x3FC90FDBu);   // pi/2 rounded to single
    EXPECT_EQ(bits(DEGTORAD(180)), 0x40490FDBu);  // pi rounded to single, above pi
    EXPECT_GT(static_cast<double>(DEGTORAD(180)), 3.141592653589793);
    EXPECT_EQ(DEGTORAD(0), 0.0f);
    EXPECT_DOUBLE_EQ(PIDIV180, 0.017453292519943296);
}

TEST(Geometry, GlVectorRoundsToSingle) {
    const TGLVECTOR v = GLVECTOR(0.1, -2.5, 1e40);
    EXPECT_EQ(v.X, 0.1f);
    EXPECT_EQ(v.Y, -2.5f);
    EXPECT_TRUE(std::isinf(v.Z));
}

TEST(Geometry, ZeroAnglesGiveIdentityWithPositiveZero) {
    const TGLBASEMATRIX m = MATRIXEULERDEG(GLVECTOR(0, 0, 0));
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_EQ(bits(m[i][j]), bits(i == j ? 1.0f : 0.0f)) << i << "," << j;
    // -0 angles give -0 sines: M[0][2] is still +0.
    const TGLBASEMATRIX n = MATRIXEULERDEG(TGLVECTOR{-0.0f, -0.0f, -0.0f});
    EXPECT_FALSE(std::signbit(n[0][2]));
}

TEST(Geometry, EulerTurnsCounterClockwiseXThenYThenZ) {
    // Radians for the ...DEG routine: +90 degrees about y takes +z to +x.
    const TGLVECTOR r = MATRIXVECROT(GLVECTOR(0, 0, 1), MATRIXEULERDEG(GLVECTOR(0, DEGTORAD(90), 0)));
    EXPECT_NEAR(r.X, 1, 1e-6);
    EXPECT_NEAR(r.Y, 0, 1e-6);
    EXPECT_NEAR(r.Z, 0, 1e-6);
    // x first, then z: (0, 1, 0) -> x 90 -> (0, 0, 1) -> z 90 stays.
    const TGLVECTOR s = MATRIXVECROT(GLVECTOR(0, 1, 0), MATRIXEULERRAD(GLVECTOR(90, 0, 90)));
    EXPECT_NEAR(s.X, 0, 1e-6);
    EXPECT_NEAR(s.Y, 0, 1e-6);
    EXPECT_NEAR(s.Z, 1, 1e-6);
}

TEST(Geometry, WorkedRotationsToTheBit) {
    struct Case {
        TGLVECTOR ang, vec;
        float x, y, z;
    };
    const Case cases[] = {
        {{90, 0, 0}, {0, 1, 0}, 0.0f, COS_HALF_PI_F, 1.0f},
        {{0, 0, 90}, {1, 0, 0}, COS_HALF_PI_F, 1.0f, 0.0f},
        {{40, 0, 0}, {4, 8, 0}, 4.0f, EIGHT_COS_40, EIGHT_SIN_40},
        {{180, 0, 0}, {0, 1, 0}, 0.0f, -1.0f, SIN_PI_F},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ang.X << "," << c.ang.Y << "," << c.ang.Z);
        expect_vec(MATRIXVECROT(c.vec, MATRIXEULERRAD(c.ang)), c.x, c.y, c.z);
    }
    EXPECT_NEAR(COS_HALF_PI_F, -4.4e-8, 0.1e-8);
    EXPECT_NEAR(SIN_PI_F, -8.7e-8, 0.1e-8);
}

TEST(Geometry, FindNormalUnitAndDegenerate) {
    FINDNORMAL(0, 0, 0, 1, 0, 0, 1, 1, 0);
    EXPECT_EQ(FNORMAL[1], 0.0);
    EXPECT_EQ(FNORMAL[2], 0.0);
    EXPECT_EQ(FNORMAL[3], 1.0);

    FINDNORMAL(2, 3, 4, 2, 3, 4, 2, 3, 4);  // coincident
    EXPECT_EQ(FNORMAL[1], 0.0);
    EXPECT_EQ(FNORMAL[2], 0.0);
    EXPECT_EQ(FNORMAL[3], 0.0);
    FINDNORMAL(0, 0, 0, 1, 1, 1, 2, 2, 2);  // collinear
    EXPECT_EQ(FNORMAL[1], 0.0);
    EXPECT_EQ(FNORMAL[2], 0.0);
    EXPECT_EQ(FNORMAL[3], 0.0);

    // Length 1e-60 rounds to 0 in single: left undivided.
    FINDNORMAL(0, 0, 0, 1e-30, 0, 0, 1e-30, 1e-30, 0);
    EXPECT_EQ(FNORMAL[1], 0.0);
    EXPECT_DOUBLE_EQ(FNORMAL[3], 1e-60);

    // The length is stored as single: 1 / single(sqrt 2), not 1 / sqrt 2.
    FINDNORMAL(0, 0, 0, 1, 0, 0, 1, 1, 1);
    EXPECT_EQ(FNORMAL[1], 0.0);
    EXPECT_NEAR(FNORMAL[2], -0.70710679328816484, 1e-16);
    EXPECT_NEAR(FNORMAL[3], 0.70710679328816484, 1e-16);
}

TEST(Geometry, ReduceToUnitKeepsZeroVector) {
    rt::Array<double, 1, 3> v{{0, 0, 0}};
    REDUCETOUNIT(v);
    EXPECT_EQ(v[1], 0.0);
    rt::Array<double, 1, 3> w{{3, 0, 4}};
    REDUCETOUNIT(w);
    EXPECT_EQ(w[1], 0.6);
    EXPECT_EQ(w[3], 0.8);
}
