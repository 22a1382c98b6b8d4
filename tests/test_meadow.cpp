// Tests of the meadow demo's scene: the field layout, the data files it loads,
// the grass tuft's sway and selections, the ground quad and the order of one
// frame.  OpenGL runs on the headless test context; the calls that reach it
// are observed with the gltrace seam, the tick counter comes from the
// platform's tick seam.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Kalvox/KvxGeometry.h"
#include "Kalvox/KvxTextures.h"
#include "Kalvox/KvxWindow.h"
#include "demo/scene.h"
#include "platform/seams.h"
#include "tests/support/egl_context.h"
#include "tests/support/gltrace.h"

namespace {

using ld = long double;
constexpr ld PI_L = 3.141592653589793238462643383279502884L;

struct V3 {
    float x, y, z;
    bool operator==(const V3&) const = default;
};
std::ostream& operator<<(std::ostream& o, const V3& v) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "(%.9g, %.9g, %.9g)", v.x, v.y, v.z);
    return o << buf;
}

// An independent model of what the vertex table does to one vertex with zero
// offset, unit scale and the angles (ax, ay, az) in degrees: each angle to
// radians in extended precision rounded to single, its sine and cosine
// rounded to single, the matrix entries rounded to single, the product summed
// in extended precision and rounded once.
V3 rotated(V3 v, float ax, float ay, float az) {
    auto rad = [](float d) { return static_cast<float>(static_cast<ld>(d) * PI_L / 180.0L); };
    auto f = [](ld x) { return static_cast<float>(x); };
    const float rx = rad(ax), ry = rad(ay), rz = rad(az);
    const float CR = f(cosl(rx)), SR = f(sinl(rx)), CP = f(cosl(ry)), SP = f(sinl(ry));
    const float CY = f(cosl(rz)), SY = f(sinl(rz));
    float m[3][3];
    m[0][0] = f(static_cast<ld>(CY) * CP);
    m[0][1] = f(static_cast<ld>(SY) * CP);
    m[0][2] = -SP == 0 ? 0.0f : -SP;
    const float SRSP = f(static_cast<ld>(SP) * SR), CRSP = f(static_cast<ld>(SP) * CR);
    m[1][0] = f(static_cast<ld>(CY) * SRSP - static_cast<ld>(SY) * CR);
    m[1][1] = f(static_cast<ld>(SY) * SRSP + static_cast<ld>(CY) * CR);
    m[1][2] = f(static_cast<ld>(CP) * SR);
    m[2][0] = f(static_cast<ld>(CY) * CRSP + static_cast<ld>(SY) * SR);
    m[2][1] = f(static_cast<ld>(SY) * CRSP - static_cast<ld>(CY) * SR);
    m[2][2] = f(static_cast<ld>(CP) * CR);
    V3 r{};
    r.x = f(static_cast<ld>(m[0][0]) * v.x + static_cast<ld>(m[1][0]) * v.y + static_cast<ld>(m[2][0]) * v.z);
    r.y = f(static_cast<ld>(m[0][1]) * v.x + static_cast<ld>(m[1][1]) * v.y + static_cast<ld>(m[2][1]) * v.z);
    r.z = f(static_cast<ld>(m[0][2]) * v.x + static_cast<ld>(m[1][2]) * v.y + static_cast<ld>(m[2][2]) * v.z);
    return r;
}

// The sixteen vertices of a size-4 tuft in slot order, and the row boundary
// (0 at the foot .. 4 at the top) each belongs to; negative x is T0's side.
const V3 kTuft[16] = {{-4, 0, 0}, {4, 0, 0}, {4, 2, 0}, {-4, 2, 0}, {-4, 2, 0}, {4, 2, 0},
                      {4, 4, 0},  {-4, 4, 0}, {-4, 4, 0}, {4, 4, 0}, {4, 6, 0}, {-4, 6, 0},
                      {-4, 6, 0}, {4, 6, 0}, {4, 8, 0},  {-4, 8, 0}};
int boundary(int slot) { return static_cast<int>(kTuft[slot - 1].y) / 2; }

// Where a tuft's vertex in `slot` goes for wind phase `phase`.
V3 swayed(int slot, float phase) {
    const int B = boundary(slot);
    const float RX = static_cast<float>(cosl(phase) * 10.0L * B);
    const float RZ = static_cast<float>(sinl(phase) * 5.0L * B);
    return rotated(kTuft[slot - 1], RX, 0, RZ);
}

std::vector<V3> vertices(const std::vector<gltrace::Call>& calls) {
    std::vector<V3> out;
    for (const auto& c : calls)
        if (c.name == "glVertex3f")
            out.push_back({static_cast<float>(c.args[0]), static_cast<float>(c.args[1]),
                           static_cast<float>(c.args[2])});
    return out;
}

// Walks a call list forwards: each find() looks for the next call with that
// name (and those arguments, when given) after the previous match.
struct Landmarks {
    const std::vector<gltrace::Call>& calls;
    std::size_t at = 0;
    ::testing::AssertionResult find(const std::string& name,
                                    std::optional<std::vector<double>> args = std::nullopt) {
        for (std::size_t i = at; i < calls.size(); ++i) {
            if (calls[i].name == name && (!args || calls[i].args == *args)) {
                at = i + 1;
                return ::testing::AssertionSuccess();
            }
        }
        gltrace::Call want{name, args.value_or(std::vector<double>{})};
        return ::testing::AssertionFailure()
               << "no " << gltrace::to_string(want) << " after call #" << at;
    }
};

void clear_selections() {
    for (auto* t : {&meadow::T0, &meadow::T1})
        for (auto& fv : *t) {
            for (bool& b : fv.GLVERT3FFINDV3FFORROTATE) b = false;
        }
}

class Meadow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testgl::make_current(64, 64));
        plat::seams::answer_message_boxes(1);
        plat::seams::clear_recorded_boxes();
        kvx::WIDTH = 64;
        kvx::HEIGHT = 64;
    }
    void TearDown() override {
        kvx::VERTEXEDITOFF();
        plat::seams::clear_tick_source();
        plat::seams::stop_answering_message_boxes();
        meadow::detail::seed_field = rt::randomize;
    }
};

// ---------------------------------------------------------------- layout
using Field = std::vector<float>;
Field snapshot() {
    Field f;
    for (int i = 0; i <= 14; ++i)
        for (int l = 0; l <= 14; ++l) {
            f.push_back(meadow::POS[i][l].X);
            f.push_back(meadow::POS[i][l].Y);
            f.push_back(meadow::POS[i][l].Z);
            f.push_back(meadow::ROT[i][l]);
        }
    return f;
}

void expect_valid_layout() {
    for (int i = 0; i <= 14; ++i)
        for (int l = 0; l <= 14; ++l) {
            const auto& p = meadow::POS[i][l];
            const float r = meadow::ROT[i][l];
            if (i <= 5 && l <= 5) {
                EXPECT_EQ(p.X, std::floor(p.X)) << i << "," << l;
                EXPECT_EQ(p.Z, std::floor(p.Z)) << i << "," << l;
                EXPECT_TRUE(p.X >= -7 && p.X <= 8 && p.Z >= -7 && p.Z <= 8) << i << "," << l;
                EXPECT_EQ(p.Y, 0.0f);
                EXPECT_TRUE(r == 0 || r == 180) << r;
            } else {
                EXPECT_TRUE(p.X == 0 && p.Y == 0 && p.Z == 0 && r == 0) << i << "," << l;
            }
        }
    EXPECT_EQ(meadow::I, 5);
    EXPECT_EQ(meadow::L, 5);
}

TEST_F(Meadow, LayoutWithoutDataFilesFillsOnlyTheGridAndDiffersBetweenRuns) {
    // The tests run where the data files are not.
    ASSERT_FALSE(rt::file_exists("grass.tga"));
    meadow::OPENGL_CREATELIST();
    expect_valid_layout();
    const Field first = snapshot();
    meadow::OPENGL_CREATELIST();  // seeded from the clock again
    expect_valid_layout();
    EXPECT_NE(snapshot(), first);
    EXPECT_TRUE(plat::seams::recorded_boxes().empty());
}

TEST_F(Meadow, FixedSeedsGiveRepeatableFieldsCoveringTheWholeRange) {
    static std::uint64_t seed;
    meadow::detail::seed_field = [] { rt::seed_random(seed); };
    seed = 1;
    meadow::OPENGL_CREATELIST();
    const Field a = snapshot();
    seed = 2;
    meadow::OPENGL_CREATELIST();
    EXPECT_NE(snapshot(), a);
    seed = 1;
    meadow::OPENGL_CREATELIST();
    EXPECT_EQ(snapshot(), a);
    // The draws, replayed: x, then z, then the turn, row by row.
    rt::seed_random(1);
    for (int i = 0; i <= 5; ++i)
        for (int l = 0; l <= 5; ++l) {
            const float x = static_cast<float>(8 - rt::random(16));
            const float z = static_cast<float>(8 - rt::random(16));
            const float r = static_cast<float>(180 - rt::random(360));
            EXPECT_EQ(meadow::POS[i][l].X, x);
            EXPECT_EQ(meadow::POS[i][l].Z, z);
            EXPECT_EQ(meadow::ROT[i][l], r < 180 ? 0.0f : 180.0f);
        }

    // Over many fields every whole x and z from -7 to 8 turns up, and so do
    // both turns (180 once in 360 draws).
    std::set<float> xs, zs, turns;
    for (seed = 100; seed < 300; ++seed) {
        meadow::OPENGL_CREATELIST();
        for (int i = 0; i <= 5; ++i)
            for (int l = 0; l <= 5; ++l) {
                xs.insert(meadow::POS[i][l].X);
                zs.insert(meadow::POS[i][l].Z);
                turns.insert(meadow::ROT[i][l]);
            }
    }
    EXPECT_EQ(xs.size(), 16u);
    EXPECT_EQ(zs.size(), 16u);
    EXPECT_EQ(*xs.begin(), -7.0f);
    EXPECT_EQ(*xs.rbegin(), 8.0f);
    EXPECT_EQ(turns, (std::set<float>{0.0f, 180.0f}));
}

// ---------------------------------------------------------------- data files
struct Image {
    int w = 0, h = 0;
    std::vector<unsigned char> px;  // RGBA, rows from t = 0
    const unsigned char* at(int x, int y) const { return &px[(static_cast<std::size_t>(y) * w + x) * 4]; }
};
Image read_texture(GLuint name) {
    Image im;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &im.w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &im.h);
    im.px.resize(static_cast<std::size_t>(im.w) * im.h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!im.px.empty()) glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, im.px.data());
    return im;
}
bool power_of_two(int n) { return n > 0 && (n & (n - 1)) == 0; }

std::vector<char> slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

class MeadowData : public Meadow {
protected:
    void SetUp() override {
        Meadow::SetUp();
        ASSERT_NE(getcwd(old_, sizeof old_), nullptr);
        ASSERT_EQ(chdir(MEADOW_DATA_DIR), 0);
    }
    void TearDown() override {
        EXPECT_EQ(chdir(old_), 0);
        Meadow::TearDown();
    }
    char old_[4096] = {};
};

TEST_F(MeadowData, TuftTextureHasCleanSilhouettesRootedAtTheFoot) {
    meadow::OPENGL_CREATELIST();
    EXPECT_TRUE(plat::seams::recorded_boxes().empty());
    const kvx::TGATEXTURE& slot = kvx::TEXTURETGA2[0];
    ASSERT_NE(slot.TEXID, 0u);
    EXPECT_EQ(slot.BPP, 32u);
    const Image im = read_texture(slot.TEXID);
    ASSERT_TRUE(power_of_two(im.w) && power_of_two(im.h)) << im.w << "x" << im.h;

    long opaque = 0, foot = 0, border = 0;
    for (int y = 0; y < im.h; ++y)
        for (int x = 0; x < im.w; ++x) {
            const unsigned char* p = im.at(x, y);
            ASSERT_TRUE(p[3] == 0 || p[3] == 255) << x << "," << y << ": alpha " << int(p[3]);
            if (p[3] == 255) {
                ++opaque;
                if (y == 1) ++foot;
                if (x == 0 || x == im.w - 1 || y == 0 || y == im.h - 1) ++border;
                EXPECT_TRUE(p[1] > p[0] && p[1] > p[2]) << "blade not green at " << x << "," << y;
            } else {
                // Dark green under the cut-away texels.
                EXPECT_TRUE(p[1] > p[0] && p[1] > p[2] && p[1] < 100) << x << "," << y;
            }
        }
    EXPECT_GT(foot, im.w / 8) << "blades must stand at the bottom";
    // The texture repeats: opaque texels on an edge would be filtered into the
    // opposite edge (a line above every tuft).
    EXPECT_EQ(border, 0) << "edge rows and columns must stay clear";
    const double cover = static_cast<double>(opaque) / (im.w * im.h);
    EXPECT_TRUE(cover > 0.1 && cover < 0.6) << cover;
}

TEST_F(MeadowData, GroundTextureTilesSeamlesslyInEarthAndGrassColours) {
    meadow::OPENGL_CREATELIST();
    const Image im = read_texture(kvx::TEXTUREID2[0]);
    ASSERT_TRUE(power_of_two(im.w) && power_of_two(im.h) && im.w >= 256 && im.h >= 256)
        << im.w << "x" << im.h;
    // The step across the wrap-around edge is no larger than a typical step
    // between neighbouring columns or rows inside the picture.
    auto step = [&](int x0, int y0, int x1, int y1) {
        const unsigned char *a = im.at(x0, y0), *b = im.at(x1, y1);
        return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
    };
    double seam_x = 0, inner_x = 0, seam_y = 0, inner_y = 0;
    for (int i = 0; i < im.h; ++i) {
        seam_x += step(im.w - 1, i, 0, i);
        inner_x += step(im.w / 2 - 1, i, im.w / 2, i);
    }
    for (int i = 0; i < im.w; ++i) {
        seam_y += step(i, im.h - 1, i, 0);
        inner_y += step(i, im.h / 2 - 1, i, im.h / 2);
    }
    EXPECT_LT(seam_x, 2 * inner_x + 3 * im.h);
    EXPECT_LT(seam_y, 2 * inner_y + 3 * im.w);

    long green = 0, earth = 0;
    for (int y = 0; y < im.h; ++y)
        for (int x = 0; x < im.w; ++x) {
            const unsigned char* p = im.at(x, y);
            if (p[1] > p[0] + 8 && p[1] > p[2] + 8) ++green;
            else if (p[0] >= p[2]) ++earth;  // browns and warm greys
        }
    const double n = static_cast<double>(im.w) * im.h;
    EXPECT_TRUE(green / n > 0.15 && green / n < 0.7) << green / n;
    EXPECT_GT(earth / n, 0.25);
}

TEST_F(MeadowData, GeneratorRepaintsTheSameBytes) {
    char dir[] = "/tmp/meadow-data-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string cmd = std::string("'") + MEADOW_GENERATOR + "' " + dir;
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    for (const char* name : {"rockgrass.bmp", "grass.tga"}) {
        const std::string fresh = std::string(dir) + "/" + name;
        EXPECT_EQ(slurp(fresh), slurp(name)) << name;
        std::remove(fresh.c_str());
    }
    rmdir(dir);
}

// ---------------------------------------------------------------- tuft
TEST_F(Meadow, FirstTuftIsStraightThenSelectionsHoldEachBoundarysSlots) {
    clear_selections();  // as at start
    kvx::VERTEXEDITON();
    {
        gltrace::Scope scope;
        meadow::FOGLIE(meadow::VERT[0], 1, 2, 3, 4, 180, 0.0f);
        Landmarks lm{gltrace::calls()};
        EXPECT_TRUE(lm.find("glDisable", {{GL_CULL_FACE}}));
        EXPECT_TRUE(lm.find("glPushMatrix"));
        EXPECT_TRUE(lm.find("glTranslatef", {{1, 2, 3}}));
        EXPECT_TRUE(lm.find("glRotatef", {{180, 0, 1, 0}}));
        EXPECT_TRUE(lm.find("glBegin", {{GL_QUADS}}));
        EXPECT_TRUE(lm.find("glEnd"));
        EXPECT_TRUE(lm.find("glPopMatrix"));
        EXPECT_TRUE(lm.find("glEnable", {{GL_CULL_FACE}}));
        const std::vector<V3> v = vertices(gltrace::calls());
        EXPECT_EQ(v, std::vector<V3>(std::begin(kTuft), std::end(kTuft)));
    }
    EXPECT_EQ(meadow::MAXVERT, 36);
    for (int B = 0; B <= 4; ++B)
        for (int slot = 1; slot <= 36; ++slot) {
            const bool mine = slot <= 16 && boundary(slot) == B;
            EXPECT_EQ(meadow::T0[B].GLVERT3FFINDV3FFORROTATE[slot], mine && kTuft[slot - 1].x < 0)
                << "T0[" << B << "] slot " << slot;
            EXPECT_EQ(meadow::T1[B].GLVERT3FFINDV3FFORROTATE[slot], mine && kTuft[slot - 1].x > 0)
                << "T1[" << B << "] slot " << slot;
        }
}

TEST_F(Meadow, TuftSwaysEveryBoundaryByItsPhaseAndKeepsItsFoot) {
    kvx::VERTEXEDITON();
    meadow::FOGLIE(meadow::VERT[0], 0, 0, 0, 4, 0, 0.0f);  // fills the selections
    const float half_pi = static_cast<float>(PI_L / 2);
    for (float phase : {0.0f, half_pi, 1.0f, 2.5f, -4.0f, 1000.0f}) {
        gltrace::Scope scope;
        meadow::FOGLIE(meadow::VERT[0], 0, 0, 0, 4, 0, phase);
        const std::vector<V3> v = vertices(gltrace::calls());
        ASSERT_EQ(v.size(), 16u);
        for (int slot = 1; slot <= 16; ++slot)
            EXPECT_EQ(v[slot - 1], swayed(slot, phase)) << "phase " << phase << " slot " << slot;
        EXPECT_EQ(v[0], (V3{-4, 0, 0}));
        EXPECT_EQ(v[1], (V3{4, 0, 0}));
    }

    // The worked numbers, against plain trigonometry.
    auto near = [](V3 a, ld x, ld y, ld z) {
        return std::fabs(a.x - x) < 2e-6L && std::fabs(a.y - y) < 2e-6L && std::fabs(a.z - z) < 2e-6L;
    };
    const ld d40 = 40 * PI_L / 180, d20 = 20 * PI_L / 180;
    {
        gltrace::Scope scope;
        meadow::FOGLIE(meadow::VERT[0], 0, 0, 0, 4, 0, 0.0f);
        const auto v = vertices(gltrace::calls());
        EXPECT_TRUE(near(v[14], 4, 8 * cosl(d40), 8 * sinl(d40))) << v[14];
        EXPECT_TRUE(near(v[15], -4, 8 * cosl(d40), 8 * sinl(d40))) << v[15];
    }
    {
        gltrace::Scope scope;
        meadow::FOGLIE(meadow::VERT[0], 0, 0, 0, 4, 0, half_pi);
        const auto v = vertices(gltrace::calls());
        EXPECT_TRUE(near(v[14], 4 * cosl(d20) - 8 * sinl(d20), 4 * sinl(d20) + 8 * cosl(d20), 0)) << v[14];
        EXPECT_TRUE(near(v[15], -4 * cosl(d20) - 8 * sinl(d20), -4 * sinl(d20) + 8 * cosl(d20), 0)) << v[15];
        EXPECT_NE(v[14].z, 0.0f);  // RX is a tiny negative angle, not 0
        EXPECT_NE(v[15].z, 0.0f);
    }
}

TEST_F(Meadow, TuftWithEditingOffIsStraightAndLeavesTheSelections) {
    kvx::VERTEXEDITON();
    meadow::FOGLIE(meadow::VERT[0], 0, 0, 0, 4, 0, 0.0f);
    kvx::VERTEXEDITOFF();
    clear_selections();
    gltrace::Scope scope;
    meadow::FOGLIE(meadow::VERT[0], 0, 0, 0, 4, 0, 1.0f);
    EXPECT_EQ(vertices(gltrace::calls()), std::vector<V3>(std::begin(kTuft), std::end(kTuft)));
    for (int B = 0; B <= 4; ++B)
        for (int slot = 1; slot <= 36; ++slot) {
            EXPECT_FALSE(meadow::T0[B].GLVERT3FFINDV3FFORROTATE[slot]);
            EXPECT_FALSE(meadow::T1[B].GLVERT3FFINDV3FFORROTATE[slot]);
        }
}

// ---------------------------------------------------------------- ground
TEST_F(Meadow, QuadMapsTheTextureThreeTimesWithItsFaceNormal) {
    struct Case {
        float c[12];
        V3 normal;
    };
    const Case cases[] = {
        // The demo's ground: P1..P4 in the plane y = 0.
        {{-10, 0, -10, 10, 0, -10, -10, 0, 10, 10, 0, 10}, {0, 1, 0}},
        // An upright square facing +z (P2, P1, P3, P4 counter-clockwise from +z).
        {{0, 0, 0, 2, 0, 0, 0, 2, 0, 2, 2, 0}, {0, 0, -1}},
    };
    for (const Case& k : cases) {
        gltrace::Scope scope;
        meadow::QUAD(k.c[0], k.c[1], k.c[2], k.c[3], k.c[4], k.c[5], k.c[6], k.c[7], k.c[8], k.c[9],
                     k.c[10], k.c[11]);
        const auto& c = k.c;
        const std::vector<gltrace::Call> want = {
            {"glLightModeli", {GL_LIGHT_MODEL_TWO_SIDE, 1}},
            {"glDisable", {GL_CULL_FACE}},
            {"glBegin", {GL_QUADS}},
            {"glNormal3f", {k.normal.x, k.normal.y, k.normal.z}},
            {"glTexCoord2f", {3, 3}},
            {"glVertex3f", {c[3], c[4], c[5]}},
            {"glTexCoord2f", {0, 3}},
            {"glVertex3f", {c[0], c[1], c[2]}},
            {"glTexCoord2f", {0, 0}},
            {"glVertex3f", {c[6], c[7], c[8]}},
            {"glTexCoord2f", {3, 0}},
            {"glVertex3f", {c[9], c[10], c[11]}},
            {"glEnd", {}},
            {"glEnable", {GL_CULL_FACE}},
            {"glLightModeli", {GL_LIGHT_MODEL_TWO_SIDE, 0}},
        };
        // Compared as numbers: a normal component of -0 is 0.
        EXPECT_TRUE(gltrace::calls() == want) << gltrace::to_string(gltrace::calls());
    }
}

// ---------------------------------------------------------------- frame
// A table whose first slots turn every vertex by 90 degrees: anything drawn
// with editing on right after it is installed comes out turned.
kvx::TGLVERTEX3F g_trap{};

TEST_F(Meadow, OneFrameDrawsGroundThenThirtySixSwayingTuftsInOrder) {
    for (int i = 0; i <= 5; ++i)
        for (int l = 0; l <= 5; ++l) {
            meadow::POS[i][l] = kvx::GLVECTOR(i - 2, 0, l - 3);
            meadow::ROT[i][l] = (i + l) % 7 == 0 ? 180.0f : 0.0f;
        }
    kvx::XROT = 12;
    kvx::YROT = 34;
    kvx::DEPTH = -5;
    plat::seams::set_tick_source([] { return plat::DWORD{5000}; });  // TIME = 2
    meadow::OPENGL_DRAW();  // the first frame of a run starts with empty selections

    for (int s = 1; s <= 10; ++s) g_trap.GLVERT3FTMPROTATE[s] = kvx::GLVECTOR(0, 90, 0);
    kvx::GLSETMAXVERTEX3F(g_trap, 36);
    {
        gltrace::Scope scope;
        meadow::OPENGL_DRAW();
        const auto& calls = gltrace::calls();
        Landmarks lm{calls};
        EXPECT_TRUE(lm.find("glClear", {{GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT}}));
        EXPECT_TRUE(lm.find("glLoadIdentity"));
        EXPECT_TRUE(lm.find("glOrtho"));
        EXPECT_TRUE(lm.find("gluPerspective"));
        EXPECT_TRUE(lm.find("glTranslatef", {{0, 0, -30}}));
        EXPECT_TRUE(lm.find("glRotatef", {{25, 1, 0, 0}}));
        EXPECT_TRUE(lm.find("glTranslatef", {{0, 0, 5}}));
        EXPECT_TRUE(lm.find("glRotatef", {{12, 1, 0, 0}}));
        EXPECT_TRUE(lm.find("glRotatef", {{34, 0, 1, 0}}));
        EXPECT_TRUE(lm.find("glLightfv", {{GL_LIGHT0, GL_POSITION, 0, 10, 5, 0.1f}}));
        EXPECT_TRUE(lm.find("glBindTexture", {{GL_TEXTURE_2D, static_cast<double>(kvx::TEXTUREID2[0])}}));
        EXPECT_TRUE(lm.find("glBegin", {{GL_QUADS}}));
        // The ground goes out untouched: it is drawn before editing is on.
        EXPECT_TRUE(lm.find("glVertex3f", {{10, 0, -10}}));
        EXPECT_TRUE(lm.find("glVertex3f", {{-10, 0, -10}}));
        EXPECT_TRUE(lm.find("glVertex3f", {{-10, 0, 10}}));
        EXPECT_TRUE(lm.find("glVertex3f", {{10, 0, 10}}));
        EXPECT_TRUE(lm.find("glEnd"));
        EXPECT_TRUE(lm.find("glEnable", {{GL_ALPHA_TEST}}));
        EXPECT_TRUE(lm.find("glBindTexture", {{GL_TEXTURE_2D, static_cast<double>(kvx::TEXTURETGA2[0].TEXID)}}));
        for (int i = 0; i <= 5; ++i)
            for (int l = 0; l <= 5; ++l) {
                SCOPED_TRACE("tuft " + std::to_string(i) + "," + std::to_string(l));
                const std::size_t start = lm.at;
                EXPECT_TRUE(lm.find("glPushAttrib"));
                EXPECT_TRUE(lm.find("glTranslated", {{static_cast<double>(i - 2), 0, static_cast<double>(l - 3)}}));
                EXPECT_TRUE(lm.find("glRotatef", {{meadow::ROT[i][l], 0, 1, 0}}));
                const std::size_t drawn = lm.at;
                EXPECT_TRUE(lm.find("glPopAttrib"));
                const std::vector<gltrace::Call> tuft(calls.begin() + static_cast<long>(drawn),
                                                      calls.begin() + static_cast<long>(lm.at));
                const auto v = vertices(tuft);
                ASSERT_EQ(v.size(), 16u);
                const float phase = static_cast<float>((i + 1) * 2.0L);  // (I + 1) * TIME
                EXPECT_EQ(v[14], swayed(15, phase));
                EXPECT_EQ(v[15], swayed(16, phase));
                EXPECT_GT(lm.at, start);
            }
        EXPECT_TRUE(lm.find("glDisable", {{GL_ALPHA_TEST}}));
        EXPECT_FALSE(lm.find("glVertex3f")) << "nothing is drawn after the sprite test is off";
    }
    EXPECT_EQ(meadow::TIME, 2.0f);
    EXPECT_FALSE(kvx::GLVERT3FENABLEEDIT);
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_EQ(meadow::I, 5);
    EXPECT_EQ(meadow::L, 5);
    kvx::XROT = kvx::YROT = kvx::DEPTH = 0;
}

TEST_F(Meadow, WindClockTakesTheTickCountAsUnsigned) {
    for (std::uint32_t ticks : {0u, 2500u, 123456789u, 0x80000000u, 0xFFFFFFFFu}) {
        plat::seams::set_tick_source([ticks] { return plat::DWORD{ticks}; });
        {
            gltrace::Scope sink(false);
            meadow::OPENGL_DRAW();
        }
        EXPECT_EQ(meadow::TIME, static_cast<float>(static_cast<ld>(ticks) / 2500.0L)) << ticks;
    }
}

}  // namespace
