// The vertex table against a plain model of the same rules (full copy at every
// installation, a fresh matrix for every vertex): random installations, vertex
// streams, per-slot values, scans and changes to the caller's records between
// calls, compared bit for bit in every field and every call that reaches
// OpenGL.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "KVX_Tutorial/KvxTutorial.h"
#include "Kalvox/KvxGeometry.h"
#include "tests/support/gltrace.h"
#include "tests/support/reference_geometry.h"

using namespace kvx;

namespace {

constexpr int RECORDS = 3;
constexpr int SELECTIONS = 2;

TGLVECTORARRAY& lib_array(TGLVERTEX3F& r, int k) {
    switch (k) {
    case 0: return r.GLVERT3F;
    case 1: return r.GLVERT3FTMP;
    case 2: return r.GLVERT3FTMPROTATE;
    case 3: return r.GLVERT3FTMPPOSROT;
    case 4: return r.GLVERT3FTMPSCALE;
    default: return r.GLVERT3FOFFSET;
    }
}
const TGLVECTORARRAY& lib_array(const TGLVERTEX3F& r, int k) {
    return lib_array(const_cast<TGLVERTEX3F&>(r), k);  // only read below
}
refgeom::Vec* ref_array(refgeom::Table& t, int k) {
    refgeom::Vec* a[6] = {t.vert, t.tmp, t.rotate, t.posrot, t.scale, t.offset};
    return a[k];
}

// Every call's name and argument bits.
std::vector<std::string> call_bits() {
    std::vector<std::string> out;
    for (const auto& c : gltrace::calls()) {
        std::string s = c.name;
        for (double a : c.args) {
            std::uint64_t u;
            std::memcpy(&u, &a, sizeof u);
            s += ' ';
            s += std::to_string(u);
        }
        out.push_back(s);
    }
    return out;
}

class Harness {
public:
    explicit Harness(unsigned seed) : rng_(seed) {
        model_ = std::make_unique<refgeom::Model>();
        for (int i = 0; i < RECORDS; ++i) {
            lib_[i] = std::make_unique<TGLVERTEX3F>();
            ref_[i] = std::make_unique<refgeom::Table>();
        }
        for (int i = 0; i < SELECTIONS; ++i) {
            lfv_[i] = std::make_unique<TGLFINDVERTEX3F>();
            rfv_[i] = std::make_unique<refgeom::Find>();
        }
        // Both start from a blank installation.
        VERTEXEDITOFF();
        GLVERT3FREMOVE = false;
        GLSETMAXVERTEX3F(*lib_[0], 0);
        refgeom::install(*model_, *ref_[0], 0);
    }
    ~Harness() {
        VERTEXEDITOFF();
        GLVERT3FREMOVE = false;
    }

    void step(int n) {
        const int op = pick(100);
        if (op < 22) install();
        else if (op < 40) emit();
        else if (op < 52) write_record();
        else if (op < 56) assign_record();
        else if (op < 59) recreate_record();
        else if (op < 62) assign_array();
        else if (op < 65) write_counters();
        else if (op < 73) rotate_scan();
        else if (op < 81) check_scan();
        else if (op < 86) set_rotate();
        else if (op < 91) write_table();
        else switches();
        compare(n, op);
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    float value() {
        static const float pool[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 2.0f, 90.0f, 45.0f, 30.0f,
                                     180.0f, 1e-3f, 1.25f, -4.0f, 8.0f, 3e38f,
                                     std::numeric_limits<float>::quiet_NaN()};
        if (pick(3) == 0) return std::uniform_real_distribution<float>(-200, 200)(rng_);
        return pool[pick(static_cast<int>(sizeof pool / sizeof pool[0]) - (pick(20) ? 1 : 0))];
    }
    std::int32_t slot() { return pick(10) ? 1 + pick(45) : 1 + pick(refgeom::SLOTS); }

    void install() {
        const int i = pick(RECORDS);
        const std::int32_t maxnum = pick(50);
        {
            gltrace::Scope s(false);
            GLSETMAXVERTEX3F(*lib_[i], maxnum);
            EXPECT_TRUE(gltrace::calls().empty());
        }
        refgeom::install(*model_, *ref_[i], maxnum);
    }

    // Whether n vertices after a GLBEGIN all get a slot in 1..10000.
    bool can_emit(int n) const {
        if (!model_->edit || n == 0) return true;
        const refgeom::Table& t = model_->table;
        const std::int32_t cap = t.setnum;
        const std::int64_t first = t.count < cap ? std::int64_t{t.count} + 1 : t.count;
        const std::int64_t last = t.count < cap ? std::min<std::int64_t>(std::int64_t{t.count} + n, cap)
                                                : t.count;
        return first >= 1 && last <= refgeom::SLOTS;
    }

    void emit() {
        std::vector<std::string> lib_calls, ref_calls;
        if (pick(3) == 0) {
            const float w = value(), h = pick(2) ? 8.0f : value();
            const std::int32_t div = pick(6);
            if (!can_emit(4 * div)) return;
            {
                gltrace::Scope s(false);
                MULTIQUAD(w, h, div);
                lib_calls = call_bits();
            }
            {
                gltrace::Scope s(false);
                refgeom::multiquad(*model_, w, h, div);
                ref_calls = call_bits();
            }
        } else {
            const int n = pick(14);
            if (!can_emit(n)) return;
            std::vector<float> xyz;
            for (int k = 0; k < 3 * n; ++k) xyz.push_back(value());
            {
                gltrace::Scope s(false);
                GLBEGIN(GL_TRIANGLES);
                for (int k = 0; k < n; ++k) GLVERTEX3F(xyz[3 * k], xyz[3 * k + 1], xyz[3 * k + 2]);
                GLEND();
                lib_calls = call_bits();
            }
            {
                gltrace::Scope s(false);
                refgeom::begin(*model_, GL_TRIANGLES);
                for (int k = 0; k < n; ++k)
                    refgeom::vertex(*model_, xyz[3 * k], xyz[3 * k + 1], xyz[3 * k + 2]);
                refgeom::end(*model_);
                ref_calls = call_bits();
            }
        }
        EXPECT_EQ(lib_calls, ref_calls);
    }

    void write_record() {
        const int i = pick(RECORDS), k = pick(6);
        const std::int32_t s = slot();
        const refgeom::Vec v{value(), value(), value()};
        if (pick(2)) {
            lib_array(*lib_[i], k)[s] = TGLVECTOR{v.X, v.Y, v.Z};
            ref_array(*ref_[i], k)[s - 1] = v;
        } else {
            lib_array(*lib_[i], k)[s].Y = v.Y;
            ref_array(*ref_[i], k)[s - 1].Y = v.Y;
        }
    }
    void assign_record() {
        const int i = pick(RECORDS), j = pick(RECORDS);
        *lib_[i] = *lib_[j];
        *ref_[i] = *ref_[j];
    }
    // A new record at the address of an old one.
    void recreate_record() {
        const int i = pick(RECORDS), j = pick(RECORDS);
        TGLVERTEX3F* p = lib_[i].get();
        if (i != j && pick(2)) {
            p->~TGLVERTEX3F();
            new (p) TGLVERTEX3F(*lib_[j]);
            *ref_[i] = *ref_[j];
        } else {
            p->~TGLVERTEX3F();
            new (p) TGLVERTEX3F();
            std::memset(ref_[i].get(), 0, sizeof(refgeom::Table));
        }
    }
    void assign_array() {
        const int i = pick(RECORDS), j = pick(RECORDS), k = pick(6);
        lib_array(*lib_[i], k) = lib_array(*lib_[j], k);
        std::memmove(ref_array(*ref_[i], k), ref_array(*ref_[j], k),
                     sizeof(refgeom::Vec) * refgeom::SLOTS);
    }
    void write_counters() {
        const int i = pick(RECORDS);
        const std::int32_t c = pick(40), m = pick(40);
        lib_[i]->GLVERT3FCOUNT = ref_[i]->count = c;
        lib_[i]->GLVERT3FMAX = ref_[i]->max = m;
        lib_[i]->GLVERT3FSETNUM = ref_[i]->setnum = pick(40);
    }
    void rotate_scan() {
        const int f = pick(SELECTIONS);
        const float x = value(), y = value(), z = value(), rx = value(), ry = value(), rz = value();
        const std::int32_t maxnum = pick(50) - 2;
        GLROTATEVERTEX3F(*lib_[pick(RECORDS)], *lfv_[f], x, y, z, rx, ry, rz, maxnum);
        refgeom::rotate_scan(*model_, *rfv_[f], x, y, z, rx, ry, rz, maxnum);
    }
    void check_scan() {
        const int f = pick(SELECTIONS);
        float x = value(), y = value(), z = value(), r = value();
        std::int32_t maxnum = pick(50) - 2;
        if (pick(2)) {  // a few fixed scans, repeated while the positions change
            static const float fixed[4][5] = {
                {0, 0, 0, 1.25f, 36}, {1, -1, 0.5f, 2, 12}, {-4, 8, 0, 200, 45}, {0.5f, 0, 0, 0.5f, 7}};
            const float* k = fixed[pick(4)];
            x = k[0], y = k[1], z = k[2], r = k[3], maxnum = static_cast<std::int32_t>(k[4]);
        }
        GLCHECKROTATEV3F(*lfv_[f], x, y, z, r, maxnum);
        refgeom::check(*model_, *rfv_[f], x, y, z, r, maxnum);
        if (pick(4) == 0) {  // flags set by hand as well
            const std::int32_t s = 1 + pick(45);
            lfv_[f]->GLVERT3FFINDV3FFORROTATE[s] = rfv_[f]->rotate[s - 1] = pick(2);
        }
    }
    void set_rotate() {
        const std::int32_t s = slot();
        const float x = value(), y = value(), z = value(), rx = value(), ry = value(), rz = value();
        GLSETROTATEVERTEX3F(x, y, z, rx, ry, rz, s);
        refgeom::set_rotate(*model_, x, y, z, rx, ry, rz, s);
    }
    void write_table() {
        const int k = pick(6);
        const std::int32_t s = slot();
        const refgeom::Vec v{value(), value(), value()};
        if (pick(8) == 0) {  // a whole array of the table replaced
            const int j = pick(RECORDS);
            lib_array(GLBASEVERTEX3F, k) = lib_array(*lib_[j], k);
            std::memcpy(ref_array(model_->table, k), ref_array(*ref_[j], k),
                        sizeof(refgeom::Vec) * refgeom::SLOTS);
        } else {
            lib_array(GLBASEVERTEX3F, k)[s] = TGLVECTOR{v.X, v.Y, v.Z};
            ref_array(model_->table, k)[s - 1] = v;
        }
    }
    void switches() {
        if (pick(2)) {
            model_->edit = !model_->edit;
            if (model_->edit) VERTEXEDITON();
            else VERTEXEDITOFF();
        } else {
            GLVERT3FREMOVE = model_->remove = !model_->remove;
        }
    }

    void compare(int n, int op) {
        const TGLVERTEX3F& t = GLBASEVERTEX3F;
        const refgeom::Table& r = model_->table;
        bool same = t.GLVERT3FCOUNT == r.count && t.GLVERT3FMAX == r.max &&
                    t.GLVERT3FSETNUM == r.setnum && GLVERT3FENABLEEDIT == model_->edit;
        for (int k = 0; k < 6; ++k)
            same = same && std::memcmp(lib_array(t, k).data(), ref_array(model_->table, k),
                                       sizeof(refgeom::Vec) * refgeom::SLOTS) == 0;
        for (int f = 0; f < SELECTIONS; ++f)
            same = same && std::memcmp(lfv_[f]->GLVERT3FFINDV3FFORROTATE.data(), rfv_[f]->rotate,
                                       refgeom::SLOTS) == 0;
        ASSERT_TRUE(same) << "step " << n << ", operation " << op;
    }

    std::mt19937 rng_;
    std::unique_ptr<refgeom::Model> model_;
    std::unique_ptr<TGLVERTEX3F> lib_[RECORDS];
    std::unique_ptr<refgeom::Table> ref_[RECORDS];
    std::unique_ptr<TGLFINDVERTEX3F> lfv_[SELECTIONS];
    std::unique_ptr<refgeom::Find> rfv_[SELECTIONS];
};

}  // namespace

TEST(VertexTableModel, MatchesThePlainModelBitForBit) {
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(seed);
        Harness h(seed);
        for (int n = 0; n < 2500 && !testing::Test::HasFatalFailure(); ++n) h.step(n);
        if (testing::Test::HasFatalFailure()) return;
    }
}

// The demo's cycle, many tufts at different phases: every emitted vertex and
// field against the model.
TEST(VertexTableModel, WindCycleMatchesThePlainModel) {
    auto model = std::make_unique<refgeom::Model>();
    auto blank = std::make_unique<TGLVERTEX3F>();
    auto rblank = std::make_unique<refgeom::Table>();
    auto T0 = std::make_unique<TGLFINDVERTEX3F[]>(5), T1 = std::make_unique<TGLFINDVERTEX3F[]>(5);
    auto R0 = std::make_unique<refgeom::Find[]>(5), R1 = std::make_unique<refgeom::Find[]>(5);
    VERTEXEDITON();
    model->edit = true;
    for (int tuft = 0; tuft < 200; ++tuft) {
        const float time = static_cast<float>(0.37L * (tuft / 6) + 0.01L * tuft);
        GLSETMAXVERTEX3F(*blank, 36);
        refgeom::install(*model, *rblank, 36);
        for (int I = 0; I <= 4; ++I) {
            const float rx = static_cast<float>(cosl(time) * 10 * I);
            const float rz = static_cast<float>(sinl(time) * 5 * I);
            GLROTATEVERTEX3F(*blank, T0[I], 0, 0, 0, rx, 0, rz, 36);
            GLROTATEVERTEX3F(*blank, T1[I], 0, 0, 0, rx, 0, rz, 36);
            refgeom::rotate_scan(*model, R0[I], 0, 0, 0, rx, 0, rz, 36);
            refgeom::rotate_scan(*model, R1[I], 0, 0, 0, rx, 0, rz, 36);
        }
        std::vector<std::string> a, b;
        {
            gltrace::Scope s(false);
            MULTIQUAD(4, 8, 4);
            a = call_bits();
        }
        {
            gltrace::Scope s(false);
            refgeom::multiquad(*model, 4, 8, 4);
            b = call_bits();
        }
        ASSERT_EQ(a, b) << tuft;
        for (int I = 0; I <= 4; ++I) {
            GLCHECKROTATEV3F(T0[I], -4, 2.0f * I, 0, 1.25f, 36);
            GLCHECKROTATEV3F(T1[I], 4, 2.0f * I, 0, 1.25f, 36);
            refgeom::check(*model, R0[I], -4, 2.0f * I, 0, 1.25f, 36);
            refgeom::check(*model, R1[I], 4, 2.0f * I, 0, 1.25f, 36);
        }
        for (int k = 0; k < 6; ++k)
            ASSERT_EQ(std::memcmp(lib_array(std::as_const(GLBASEVERTEX3F), k).data(), ref_array(model->table, k),
                                  sizeof(refgeom::Vec) * refgeom::SLOTS),
                      0)
                << tuft << " array " << k;
    }
    VERTEXEDITOFF();
}

// Many angle triples that share two of their angles, each seen twice: every
// vertex turned exactly as a matrix built afresh turns it.
TEST(VertexTableModel, RepeatedAndNearlyRepeatedAnglesTurnLikeFreshMatrices) {
    auto model = std::make_unique<refgeom::Model>();
    auto blank = std::make_unique<TGLVERTEX3F>();
    auto rblank = std::make_unique<refgeom::Table>();
    // 20 values per axis, in shuffled order: many lookups meet a cached
    // triple that differs in one angle only.
    std::vector<float> pool = {0.0f, -0.0f, 40.0f, -17.5f, 90.0f, 180.0f};
    for (int k = 0; k < 14; ++k) pool.push_back(static_cast<float>(k) * 7.31f - 33.0f);
    std::vector<refgeom::Vec> angles;
    for (float z : pool)
        for (float x : pool)
            for (float y : pool) angles.push_back({x, y, z});
    std::mt19937 rng(7);
    std::shuffle(angles.begin(), angles.end(), rng);
    const int n = static_cast<int>(angles.size());
    VERTEXEDITON();
    model->edit = true;
    for (int pass = 0; pass < 2; ++pass) {
        GLSETMAXVERTEX3F(*blank, 9999);
        refgeom::install(*model, *rblank, 9999);
        for (int k = 0; k < n; ++k) {
            const refgeom::Vec& a = angles[pass ? n - 1 - k : k];
            GLSETROTATEVERTEX3F(0, 0, 0, a.X, a.Y, a.Z, k + 1);
            refgeom::set_rotate(*model, 0, 0, 0, a.X, a.Y, a.Z, k + 1);
        }
        std::vector<std::string> a, b;
        {
            gltrace::Scope s(false);
            GLBEGIN(GL_POINTS);
            for (int k = 0; k < n; ++k) GLVERTEX3F(1.5f, -2.25f, 3.125f);
            GLEND();
            a = call_bits();
        }
        {
            gltrace::Scope s(false);
            refgeom::begin(*model, GL_POINTS);
            for (int k = 0; k < n; ++k) refgeom::vertex(*model, 1.5f, -2.25f, 3.125f);
            refgeom::end(*model);
            b = call_bits();
        }
        ASSERT_EQ(a, b) << "pass " << pass;
    }
    VERTEXEDITOFF();
}

// Sines and cosines are evaluated more cheaply where that provably gives the
// same singles: every matrix entry, for awkward angles and many random ones,
// equals the plain model's.
TEST(VertexTableModel, EulerMatricesMatchThePlainModel) {
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> angles = {0.0f, -0.0f, 1.5707964f, -1.5707964f, 3.1415927f, 1e-30f, -1e-30f,
                                 1e-45f, 1e30f, -7e22f, inf, -inf,
                                 std::numeric_limits<float>::quiet_NaN(), 0.6981317f};
    std::mt19937 rng(11);
    for (int k = 0; k < 60000; ++k) {
        const int scale = k % 4;
        std::uniform_real_distribution<float> d(scale == 0 ? -7.0f : scale == 1 ? -1e-3f : scale == 2 ? -1e4f : -200.0f,
                                                scale == 0 ? 7.0f : scale == 1 ? 1e-3f : scale == 2 ? 1e4f : 200.0f);
        angles.push_back(d(rng));
    }
    auto check = [](float x, float y, float z) {
        float want[3][3];
        refgeom::euler(refgeom::Vec{x, y, z}, want);
        const TGLBASEMATRIX got = MATRIXEULERDEG(TGLVECTOR{x, y, z});
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                if (std::memcmp(&got[i][j], &want[i][j], sizeof(float)) != 0) {
                    ADD_FAILURE() << "angles " << x << ", " << y << ", " << z << " entry " << i << j
                                  << ": " << got[i][j] << " vs " << want[i][j];
                    return false;
                }
        return true;
    };
    for (std::size_t k = 0; k < angles.size(); ++k)
        if (!check(angles[k], angles[(k * 7) % angles.size()], angles[(k * 13 + 5) % angles.size()]))
            return;
    for (float x : {0.0f, -0.0f, 1.5707964f})
        for (float y : {0.0f, -0.0f, -1.5707964f})
            for (float z : {0.0f, -0.0f, 3.1415927f})
                if (!check(x, y, z)) return;
}

namespace {
// Every field of the library's table against the model's.
bool same_tables(const refgeom::Table& r) {
    const TGLVERTEX3F& t = GLBASEVERTEX3F;
    bool same = t.GLVERT3FCOUNT == r.count && t.GLVERT3FMAX == r.max && t.GLVERT3FSETNUM == r.setnum;
    for (int k = 0; k < 6; ++k)
        same = same && std::memcmp(lib_array(t, k).data(), ref_array(const_cast<refgeom::Table&>(r), k),
                                   sizeof(refgeom::Vec) * refgeom::SLOTS) == 0;
    return same;
}
}  // namespace

// Rotation scans read their flags sixty-four and sixteen at a time: for counts
// at and around those groups and at the end of the selection, with flags set
// just inside and just outside the count, exactly the flagged slots up to the
// count change.
TEST(VertexTableModel, RotateScansAtGroupEdgesAndTheEnd) {
    auto model = std::make_unique<refgeom::Model>();
    auto blank = std::make_unique<TGLVERTEX3F>();
    auto rblank = std::make_unique<refgeom::Table>();
    auto fv = std::make_unique<TGLFINDVERTEX3F>();
    auto rfv = std::make_unique<refgeom::Find>();
    VERTEXEDITON();
    model->edit = true;
    std::mt19937 rng(5);
    const std::int32_t counts[] = {1,  2,   3,   4,   7,    8,    15,   16,   17,   31,  32,
                                   33, 36,  47,  48,  49,   63,   64,   65,   127,  128, 129,
                                   500, 9983, 9984, 9985, 9999, 10000};
    float angle = 1.0f;
    for (const std::int32_t maxnum : counts) {
        SCOPED_TRACE(maxnum);
        GLSETMAXVERTEX3F(*blank, 36);
        refgeom::install(*model, *rblank, 36);
        std::memset(fv->GLVERT3FFINDV3FFORROTATE.data(), 0, refgeom::SLOTS);
        std::memset(rfv->rotate, 0, refgeom::SLOTS);
        std::vector<std::int32_t> on = {1, maxnum, maxnum - 1, maxnum + 1, maxnum + 2, maxnum + 16};
        for (int k = 0; k < 12; ++k) on.push_back(1 + static_cast<std::int32_t>(rng() % refgeom::SLOTS));
        for (const std::int32_t s : on)
            if (s >= 1 && s <= refgeom::SLOTS) fv->GLVERT3FFINDV3FFORROTATE[s] = rfv->rotate[s - 1] = true;
        angle += 1.0f;
        GLROTATEVERTEX3F(*blank, *fv, 1, 2, 3, angle, 0, -angle, maxnum);
        refgeom::rotate_scan(*model, *rfv, 1, 2, 3, angle, 0, -angle, maxnum);
        ASSERT_TRUE(same_tables(model->table));
        // The slots written are noted: the next installation undoes them all.
        GLSETMAXVERTEX3F(*blank, 36);
        refgeom::install(*model, *rblank, 36);
        ASSERT_TRUE(same_tables(model->table));
    }
    VERTEXEDITOFF();
}

// Check scans over up to 64 slots copy remembered flags in overlapping moves:
// for every count from 1 to 70 the flags up to the count are the fresh
// results, and the flags past it (all set beforehand) stay set.
TEST(VertexTableModel, CheckScansWriteExactlyTheirCount) {
    auto model = std::make_unique<refgeom::Model>();
    auto blank = std::make_unique<TGLVERTEX3F>();
    auto rblank = std::make_unique<refgeom::Table>();
    auto fv = std::make_unique<TGLFINDVERTEX3F>();
    auto rfv = std::make_unique<refgeom::Find>();
    VERTEXEDITON();
    GLVERT3FREMOVE = true;
    model->edit = true;
    model->remove = true;
    GLSETMAXVERTEX3F(*blank, 80);
    refgeom::install(*model, *rblank, 80);
    // Positions on a line, every third one at the centre.
    GLBEGIN(GL_POINTS);
    refgeom::begin(*model, GL_POINTS);
    for (int k = 0; k < 80; ++k) {
        const float x = k % 3 == 0 ? 0.0f : static_cast<float>(k);
        GLVERTEX3F(x, 0, 0);
        refgeom::vertex(*model, x, 0, 0);
    }
    GLEND();
    refgeom::end(*model);
    for (int pass = 0; pass < 2; ++pass)  // the second pass meets remembered scans
        for (std::int32_t maxnum = 1; maxnum <= 70; ++maxnum) {
            SCOPED_TRACE(maxnum);
            std::memset(fv->GLVERT3FFINDV3FFORROTATE.data(), 1, refgeom::SLOTS);
            std::memset(rfv->rotate, 1, refgeom::SLOTS);
            const float radius = 0.5f + static_cast<float>(maxnum % 5) * 10.0f;
            GLCHECKROTATEV3F(*fv, 0, 0, 0, radius, maxnum);
            refgeom::check(*model, *rfv, 0, 0, 0, radius, maxnum);
            ASSERT_EQ(std::memcmp(fv->GLVERT3FFINDV3FFORROTATE.data(), rfv->rotate, refgeom::SLOTS), 0);
        }
    GLVERT3FREMOVE = false;
    VERTEXEDITOFF();
}

// An installation restores only the slots written since the last one: from a
// blank record (slot 10000 included, whose last bytes end the array) and from
// a record with values, every field reads as the record's again.
TEST(VertexTableModel, InstallationsRestoreWrittenSlotsUpToTheLast) {
    auto model = std::make_unique<refgeom::Model>();
    auto blank = std::make_unique<TGLVERTEX3F>();
    auto rblank = std::make_unique<refgeom::Table>();
    auto full = std::make_unique<TGLVERTEX3F>();
    auto rfull = std::make_unique<refgeom::Table>();
    for (int s = 1; s <= refgeom::SLOTS; s += 7) {
        for (int k = 0; k < 6; ++k) {
            const refgeom::Vec v{static_cast<float>(s), static_cast<float>(k), -0.0f};
            lib_array(*full, k)[s] = TGLVECTOR{v.X, v.Y, v.Z};
            ref_array(*rfull, k)[s - 1] = v;
        }
    }
    lib_array(*full, 5)[refgeom::SLOTS] = TGLVECTOR{1, 2, 3};
    ref_array(*rfull, 5)[refgeom::SLOTS - 1] = refgeom::Vec{1, 2, 3};
    const int slots[] = {1, 2, 64, 65, 9998, 9999, 10000};
    for (int round = 0; round < 4; ++round) {
        const bool from_blank = round % 2 == 0;
        TGLVERTEX3F& rec = from_blank ? *blank : *full;
        refgeom::Table& rrec = from_blank ? *rblank : *rfull;
        for (int again = 0; again < 2; ++again) {
            SCOPED_TRACE(testing::Message() << "round " << round << " again " << again);
            GLSETMAXVERTEX3F(rec, 10);
            refgeom::install(*model, rrec, 10);
            ASSERT_TRUE(same_tables(model->table));
            // Writes to the table through its arrays, then reinstallation.
            for (const int s : slots)
                for (int k = 0; k < 6; ++k) {
                    lib_array(GLBASEVERTEX3F, k)[s] = TGLVECTOR{7, 8, 9};
                    ref_array(model->table, k)[s - 1] = refgeom::Vec{7, 8, 9};
                }
            ASSERT_TRUE(same_tables(model->table));
        }
    }
    GLSETMAXVERTEX3F(*blank, 0);
}
