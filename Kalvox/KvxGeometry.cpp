// Kalvox geometry and vertex editing: vectors, Euler rotation matrices, face
// normals, the recorded-vertex table (recording, transformation, emission)
// and the deformation of recorded vertex sets.
// Depends on: runtime (checked arrays, stops, checked arithmetic), OpenGL.
//
// Cost model.  An installation restores only the slots of the table that may
// differ from the installed record: when the record's six arrays carry the
// same change stamps as at the previous installation (or are untouched, all
// zero, on both sides), the table differs from the record only in the slots
// noted since then.  Rotation matrices are kept in a small cache keyed by the
// bit patterns of the three angles, so a matrix is built once per distinct
// triple of angles.  A distance scan over at most 64 slots remembers its flags
// by centre, radius and count while the recorded positions of those slots are
// bit-identical, and FINDNORMAL remembers its last few faces.  Every value
// stored or emitted is the one a full copy, a freshly built matrix and a fresh
// computation would give.
#include "Kalvox/KvxGeometry.h"

#include <GL/gl.h>

#include <bit>
#include <cmath>
#include <cstring>

namespace kvx {

rt::Array<double, 1, 3> FNORMAL{};
constinit TGLVERTEX3F GLBASEVERTEX3F{};
bool GLVERT3FENABLEEDIT = false;
bool GLVERT3FREMOVE = false;

namespace detail {
// The library's own access to an array's storage, without stamping.
class TableAccess {
public:
    static TGLVECTOR* raw(TGLVECTORARRAY& a) { return a.elems_; }
    static const TGLVECTOR* raw(const TGLVECTORARRAY& a) { return a.elems_; }
    static std::uint64_t stamp(const TGLVECTORARRAY& a) { return a.stamp_; }
};
}  // namespace detail

namespace {

using detail::TableAccess;

constexpr long double PI_EXT = 3.141592653589793238462643383279502884L;

// ---------------------------------------------------------------- the table's change log
// Slots of GLBASEVERTEX3F that may differ from the record installed last,
// and for each such slot which of the six arrays (bit k: array k in field
// order) may differ there.
enum : std::uint8_t {
    A_VERT = 1, A_TMP = 2, A_ROTATE = 4, A_POSROT = 8, A_SCALE = 16, A_OFFSET = 32, A_ALL = 63
};
struct ChangeLog {
    // A bulk write happened: the next installation copies everything.  At
    // start the table is all zero, as is any record whose arrays were never
    // changed (stamp 0), so the empty log with zero stamps is exact.
    bool all = false;
    std::int32_t count = 0;
    std::uint8_t mask[MAXVERTEX3F + 1] = {};
    std::int32_t list[MAXVERTEX3F + 1] = {};  // one spare: note_slot writes before it counts
    std::uint64_t source_stamp[6] = {};  // the installed record's array stamps
};
ChangeLog g_log;

inline void note_slot(std::int32_t slot, std::uint8_t arrays) {
    // Without a branch: the slot is appended, and kept only if it is new.
    g_log.list[g_log.count] = slot;
    g_log.count += g_log.mask[slot] ? 0 : 1;
    g_log.mask[slot] |= arrays;
}

void clear_log() {
    for (std::int32_t k = 0; k < g_log.count; ++k) g_log.mask[g_log.list[k]] = 0;
    g_log.count = 0;
    g_log.all = false;
}

// Bumped by everything that may write the table's recorded positions
// (GLVERT3FOFFSET): recording, installation, the caller's non-const access.
std::uint64_t g_offset_epoch = 1;

// ---------------------------------------------------------------- distance-scan memo
// Flags of earlier scans over slots 1..MAXNUM (MAXNUM <= SCAN_SLOTS), valid
// while the positions of slots 1..MAXNUM equal `positions` bit for bit.  Any
// difference found forgets every entry.
constexpr int SCAN_SLOTS = 64;
constexpr int SCAN_MEMO = 128;  // four-way: a key lives in one of 4 neighbouring entries
struct ScanEntry {
    std::uint64_t key[2];  // centre X, Y, Z and radius bit patterns, two to a word
    std::int32_t maxnum;   // 0: empty entry
    std::uint64_t flags;   // bit i-1: slot i selected
};
struct ScanMemo {
    std::uint64_t epoch = 0;  // g_offset_epoch when `positions` was last confirmed
    std::int32_t confirmed = 0;  // ... for slots 1..confirmed
    TGLVECTOR positions[SCAN_SLOTS];
    ScanEntry entries[SCAN_MEMO];
    unsigned victim = 0;  // round-robin replacement within a set
};
ScanMemo g_scans;

// Eight flags as eight bytes, for writing a memo's flags into a selection.
struct ByteSpread {
    std::uint64_t v[256];
    constexpr ByteSpread() : v() {
        for (int b = 0; b < 256; ++b)
            for (int k = 0; k < 8; ++k)
                if (b & (1 << k)) v[b] |= std::uint64_t{1} << (8 * k);
    }
};
constexpr ByteSpread BYTE_SPREAD{};

// ---------------------------------------------------------------- per-slot vertex memo
// For slots 1..VERTEX_SLOTS: the last inputs of the transformation (the
// vertex, then the slot's scale, translation, offset and angles, as bit
// patterns) and the vertex it gave.
constexpr int VERTEX_SLOTS = 64;
struct VertexEntry {
    TGLVECTOR v, s, t, p, a;  // vertex, scale, translation, offset, angles
    TGLVECTOR out;
    bool valid;
};
VertexEntry g_vertices[VERTEX_SLOTS + 1];

// Bit-pattern equality of two vectors (so -0 differs from +0, and a NaN
// equals only itself).
inline bool same_bits(const TGLVECTOR& a, const TGLVECTOR& b) {
    std::uint64_t a01, b01;
    std::uint32_t a2, b2;
    std::memcpy(&a01, &a.X, 8);
    std::memcpy(&b01, &b.X, 8);
    std::memcpy(&a2, &a.Z, 4);
    std::memcpy(&b2, &b.Z, 4);
    return ((a01 ^ b01) | (a2 ^ b2)) == 0;
}

// ---------------------------------------------------------------- face-normal memo
struct NormalEntry {
    std::uint64_t in[9];  // the nine coordinates' bit patterns
    double out[3];
    bool valid;
};
constexpr int NORMAL_MEMO = 64;  // sets of four, chosen by a hash of the coordinates
NormalEntry g_normals[NORMAL_MEMO];
unsigned g_normal_victim = 0;

// The six arrays of a record, in field order.
template <class R>
auto arrays(R& r) {
    struct Six {
        decltype(&r.GLVERT3F) a[6];
    };
    return Six{{&r.GLVERT3F, &r.GLVERT3FTMP, &r.GLVERT3FTMPROTATE, &r.GLVERT3FTMPPOSROT,
                &r.GLVERT3FTMPSCALE, &r.GLVERT3FOFFSET}};
}

// ---------------------------------------------------------------- sines and cosines
// single(cosl(x)) and single(sinl(x)) for a single x, evaluated in double
// first.  glibc's double sin and cos are within one unit in the last place
// (2^-52 relative) of the exact value and cosl/sinl within a few units of
// 2^-63; so the extended result lies within |d| * 2^-40 of the double result
// d, far more than both errors together.  Rounding to single is monotonic:
// when both ends of [d - e, d + e] round to the same single, so does every
// value between them, the extended result included.  Otherwise (a result
// near a rounding boundary, a zero, tiny or non-finite value) the extended
// function decides.
inline bool settle(double d, float& out) {
    const double a = std::fabs(d);
    if (!(a > 0x1p-100 && a < 0x1p100)) return false;
    const double e = a * 0x1p-40;
    const float f = static_cast<float>(d);
    if (static_cast<float>(d - e) != f || static_cast<float>(d + e) != f) return false;
    out = f;
    return true;
}
// cosl(+-0) is exactly 1 and sinl(+-0) exactly +-0.
inline float cos_single(float x) {
    if (x == 0.0f) return 1.0f;
    float f;
    if (settle(std::cos(static_cast<double>(x)), f)) return f;
    return static_cast<float>(cosl(x));
}
inline float sin_single(float x) {
    if (x == 0.0f) return x;
    float f;
    if (settle(std::sin(static_cast<double>(x)), f)) return f;
    return static_cast<float>(sinl(x));
}

// ---------------------------------------------------------------- rotation cache
struct Rotation {
    float m[3][3];
};

Rotation rotation_from(const TGLBASEMATRIX& M) {
    Rotation r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[i][j] = M[i][j];
    return r;
}

struct RotationEntry {
    std::uint32_t key[3];
    bool valid;
    Rotation rot;
};
constexpr int ROTATION_CACHE = 256;
RotationEntry g_rotations[ROTATION_CACHE];

inline std::uint32_t bits_of(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

// The rotation MATRIXEULERRAD(ANG) would build, from the cache when the same
// three angle bit patterns were seen before.
const Rotation& rotation_for(const TGLVECTOR& ang) {
    const std::uint32_t kx = bits_of(ang.X), ky = bits_of(ang.Y), kz = bits_of(ang.Z);
    std::uint64_t h = ((std::uint64_t{kx} << 32) | ky) * 0x9E3779B97F4A7C15ull;
    h ^= (h >> 29) ^ (std::uint64_t{kz} * 0xC2B2AE3D27D4EB4Full);
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    RotationEntry& e = g_rotations[h & (ROTATION_CACHE - 1)];
    if (!e.valid || e.key[0] != kx || e.key[1] != ky || e.key[2] != kz) {
        e.rot = rotation_from(MATRIXEULERRAD(ang));
        e.key[0] = kx;
        e.key[1] = ky;
        e.key[2] = kz;
        e.valid = true;
    }
    return e.rot;
}

// VEC.X * row 0 + VEC.Y * row 1 + VEC.Z * row 2, left to right in extended
// precision, rounded once.
inline TGLVECTOR rotate(const TGLVECTOR& v, const float (&m)[3][3]) {
    const long double x = v.X, y = v.Y, z = v.Z;
    TGLVECTOR r;
    r.X = static_cast<float>(static_cast<long double>(m[0][0]) * x +
                             static_cast<long double>(m[1][0]) * y +
                             static_cast<long double>(m[2][0]) * z);
    r.Y = static_cast<float>(static_cast<long double>(m[0][1]) * x +
                             static_cast<long double>(m[1][1]) * y +
                             static_cast<long double>(m[2][1]) * z);
    r.Z = static_cast<float>(static_cast<long double>(m[0][2]) * x +
                             static_cast<long double>(m[1][2]) * y +
                             static_cast<long double>(m[2][2]) * z);
    return r;
}

// The strict distance test against one recorded position.
inline bool within(const TGLVECTOR& pos, long double radius2, const TGLVECTOR& p) {
    const float dx = static_cast<float>(static_cast<long double>(pos.X) - p.X);
    const float dy = static_cast<float>(static_cast<long double>(pos.Y) - p.Y);
    const float dz = static_cast<float>(static_cast<long double>(pos.Z) - p.Z);
    const long double d = static_cast<long double>(dx) * dx + static_cast<long double>(dy) * dy +
                          static_cast<long double>(dz) * dz;
    return radius2 > d;
}

}  // namespace

// ---------------------------------------------------------------- stamped arrays
void detail::note_table_write(const TGLVECTORARRAY* arr, long long I) {
    const TGLVERTEX3F& T = GLBASEVERTEX3F;
    const std::uint8_t which = arr == &T.GLVERT3F            ? A_VERT
                               : arr == &T.GLVERT3FTMP       ? A_TMP
                               : arr == &T.GLVERT3FTMPROTATE ? A_ROTATE
                               : arr == &T.GLVERT3FTMPPOSROT ? A_POSROT
                               : arr == &T.GLVERT3FTMPSCALE  ? A_SCALE
                               : arr == &T.GLVERT3FOFFSET    ? A_OFFSET
                                                             : A_ALL;
    note_slot(static_cast<std::int32_t>(I), which);
    ++g_offset_epoch;
}
void detail::note_table_bulk(const TGLVECTORARRAY*) {
    g_log.all = true;
    ++g_offset_epoch;
}

TGLVECTORARRAY::TGLVECTORARRAY(const TGLVECTORARRAY& o)
    : stamp_(++detail::change_stamp) {
    std::memcpy(elems_, o.elems_, sizeof elems_);
}

TGLVECTORARRAY& TGLVECTORARRAY::operator=(const TGLVECTORARRAY& o) {
    if (this != &o) std::memcpy(elems_, o.elems_, sizeof elems_);
    touch_all();
    return *this;
}

// ---------------------------------------------------------------- vectors and matrices
TGLVECTOR GLVECTOR(double X, double Y, double Z) {
    return TGLVECTOR{static_cast<float>(X), static_cast<float>(Y), static_cast<float>(Z)};
}

float DEGTORAD(float DEGREE) {
    const long double product = static_cast<long double>(DEGREE) * PI_EXT;
    return static_cast<float>(product / 180.0L);
}

TGLBASEMATRIX MATRIXEULERDEG(const TGLVECTOR& ANG) {
    // Each is single(cosl(angle)) or single(sinl(angle)); see cos_single.
    const float CR = cos_single(ANG.X);
    const float SR = sin_single(ANG.X);
    const float CP = cos_single(ANG.Y);
    const float SP = sin_single(ANG.Y);
    const float CY = cos_single(ANG.Z);
    const float SY = sin_single(ANG.Z);
    using L = long double;

    TGLBASEMATRIX M{};
    M[3][3] = 1.0f;  // row 3 and column 3: those of the identity
    M[0][0] = static_cast<float>(L(CY) * CP);
    M[0][1] = static_cast<float>(L(SY) * CP);
    M[0][2] = -SP;
    if (M[0][2] == 0.0f) M[0][2] = 0.0f;  // never -0

    const float SRSP = static_cast<float>(L(SP) * SR);
    const float CRSP = static_cast<float>(L(SP) * CR);

    M[1][0] = static_cast<float>(L(CY) * SRSP - L(SY) * CR);
    M[1][1] = static_cast<float>(L(SY) * SRSP + L(CY) * CR);
    M[1][2] = static_cast<float>(L(CP) * SR);

    M[2][0] = static_cast<float>(L(CY) * CRSP + L(SY) * SR);
    M[2][1] = static_cast<float>(L(SY) * CRSP - L(CY) * SR);
    M[2][2] = static_cast<float>(L(CP) * CR);
    return M;
}

TGLBASEMATRIX MATRIXEULERRAD(const TGLVECTOR& ANG) {
    TGLVECTOR rad;
    rad.X = DEGTORAD(ANG.X);
    rad.Y = DEGTORAD(ANG.Y);
    rad.Z = DEGTORAD(ANG.Z);
    return MATRIXEULERDEG(rad);
}

TGLVECTOR MATRIXVECROT(const TGLVECTOR& VEC, const TGLBASEMATRIX& ANG) {
    return rotate(VEC, rotation_from(ANG).m);
}

void REDUCETOUNIT(rt::Array<double, 1, 3>& VECTOR) {
    using L = long double;
    float LENGTH = static_cast<float>(
        sqrtl(L(VECTOR[1]) * VECTOR[1] + L(VECTOR[2]) * VECTOR[2] + L(VECTOR[3]) * VECTOR[3]));
    if (LENGTH == 0.0f) LENGTH = 1.0f;
    for (int i = 1; i <= 3; ++i) VECTOR[i] = static_cast<double>(L(VECTOR[i]) / LENGTH);
}

void FINDNORMAL(double V1X, double V1Y, double V1Z, double V2X, double V2Y, double V2Z,
                double V3X, double V3Y, double V3Z) {
    using std::bit_cast;
    const std::uint64_t in[9] = {
        bit_cast<std::uint64_t>(V1X), bit_cast<std::uint64_t>(V1Y), bit_cast<std::uint64_t>(V1Z),
        bit_cast<std::uint64_t>(V2X), bit_cast<std::uint64_t>(V2Y), bit_cast<std::uint64_t>(V2Z),
        bit_cast<std::uint64_t>(V3X), bit_cast<std::uint64_t>(V3Y), bit_cast<std::uint64_t>(V3Z)};
    // A cheap, parallel hash: rotate-xor the words, one multiply.
    std::uint64_t h = in[0] ^ std::rotl(in[1], 7) ^ std::rotl(in[2], 14) ^ std::rotl(in[3], 21) ^
                      std::rotl(in[4], 28) ^ std::rotl(in[5], 35) ^ std::rotl(in[6], 42) ^
                      std::rotl(in[7], 49) ^ std::rotl(in[8], 56);
    h *= 0x9E3779B97F4A7C15ull;
    NormalEntry* set = &g_normals[(h >> 40) & (NORMAL_MEMO - 4)];
    for (int w = 0; w < 4; ++w) {
        const NormalEntry& m = set[w];
        std::uint64_t diff = 0;
        for (int k = 0; k < 9; ++k) diff |= m.in[k] ^ in[k];
        if (m.valid && diff == 0) {
            for (int i = 0; i < 3; ++i) FNORMAL[i + 1] = m.out[i];
            return;
        }
    }
    using L = long double;
    rt::Array<double, 1, 3> TEMP_V1, TEMP_V2;
    TEMP_V1[1] = static_cast<double>(L(V1X) - V2X);
    TEMP_V1[2] = static_cast<double>(L(V1Y) - V2Y);
    TEMP_V1[3] = static_cast<double>(L(V1Z) - V2Z);
    TEMP_V2[1] = static_cast<double>(L(V2X) - V3X);
    TEMP_V2[2] = static_cast<double>(L(V2Y) - V3Y);
    TEMP_V2[3] = static_cast<double>(L(V2Z) - V3Z);
    FNORMAL[1] = static_cast<double>(L(TEMP_V1[2]) * TEMP_V2[3] - L(TEMP_V1[3]) * TEMP_V2[2]);
    FNORMAL[2] = static_cast<double>(L(TEMP_V1[3]) * TEMP_V2[1] - L(TEMP_V1[1]) * TEMP_V2[3]);
    FNORMAL[3] = static_cast<double>(L(TEMP_V1[1]) * TEMP_V2[2] - L(TEMP_V1[2]) * TEMP_V2[1]);
    REDUCETOUNIT(FNORMAL);
    NormalEntry& e = set[g_normal_victim++ & 3];
    std::memcpy(e.in, in, sizeof in);
    for (int i = 0; i < 3; ++i) e.out[i] = FNORMAL[i + 1];
    e.valid = true;
}

// ---------------------------------------------------------------- vertex recording
void VERTEXEDITON() { GLVERT3FENABLEEDIT = true; }
void VERTEXEDITOFF() { GLVERT3FENABLEEDIT = false; }

void GLSETMAXVERTEX3F(const TGLVERTEX3F& VERT, std::int32_t MAXNUM) {
    TGLVERTEX3F& T = GLBASEVERTEX3F;
    if (&VERT != &T) {
        auto src = arrays(VERT);
        auto dst = arrays(T);
        bool unchanged = !g_log.all;
        for (int k = 0; k < 6 && unchanged; ++k)
            unchanged = TableAccess::stamp(*src.a[k]) == g_log.source_stamp[k];
        if (unchanged) {
            // The table equals the record except in the noted slots.
            for (std::int32_t n = 0; n < g_log.count; ++n) {
                const std::int32_t slot = g_log.list[n];
                const unsigned mask = g_log.mask[slot];
                for (int k = 0; k < 6; ++k)
                    if (mask & (1u << k))
                        TableAccess::raw(*dst.a[k])[slot - 1] = TableAccess::raw(*src.a[k])[slot - 1];
            }
        } else {
            for (int k = 0; k < 6; ++k) {
                std::memcpy(TableAccess::raw(*dst.a[k]), TableAccess::raw(*src.a[k]),
                            sizeof(TGLVECTOR) * MAXVERTEX3F);
                g_log.source_stamp[k] = TableAccess::stamp(*src.a[k]);
            }
        }
        clear_log();
        ++g_offset_epoch;
        T.GLVERT3FCOUNT = VERT.GLVERT3FCOUNT;
        T.GLVERT3FMAX = VERT.GLVERT3FMAX;
    }
    T.GLVERT3FSETNUM = rt::add(MAXNUM, std::int32_t{1});
}

void GLBEGIN(std::uint32_t MODE) {
    if (!GLVERT3FREMOVE) glBegin(MODE);
    GLBASEVERTEX3F.GLVERT3FMAX = GLBASEVERTEX3F.GLVERT3FSETNUM;
}

void GLEND() {
    if (!GLVERT3FREMOVE) glEnd();
}

void GLVERTEX3F(float X, float Y, float Z) {
    if (!GLVERT3FENABLEEDIT) {
        if (!GLVERT3FREMOVE) glVertex3f(X, Y, Z);
        return;
    }
    TGLVERTEX3F& T = GLBASEVERTEX3F;
    if (T.GLVERT3FCOUNT < T.GLVERT3FMAX) T.GLVERT3FCOUNT = T.GLVERT3FCOUNT + 1;
    const std::int32_t c = T.GLVERT3FCOUNT;
    rt::check_range(c, 1, MAXVERTEX3F);
    note_slot(c, A_VERT | A_OFFSET);
    const std::int32_t i = c - 1;
    using L = long double;

    TableAccess::raw(T.GLVERT3FOFFSET)[i] = TGLVECTOR{X, Y, Z};
    ++g_offset_epoch;
    TGLVECTOR& s = TableAccess::raw(T.GLVERT3FTMPSCALE)[i];
    if (s.X == 0.0f && s.Y == 0.0f && s.Z == 0.0f) {
        s = TGLVECTOR{1.0f, 1.0f, 1.0f};
        g_log.mask[c] |= A_SCALE;
    }
    const TGLVECTOR& t = TableAccess::raw(T.GLVERT3FTMP)[i];
    const TGLVECTOR& p = TableAccess::raw(T.GLVERT3FTMPPOSROT)[i];
    const TGLVECTOR& a = TableAccess::raw(T.GLVERT3FTMPROTATE)[i];
    const TGLVECTOR given{X, Y, Z};
    VertexEntry* memo = nullptr;
    if (c <= VERTEX_SLOTS) {
        memo = &g_vertices[c];
        if (memo->valid && same_bits(memo->v, given) && same_bits(memo->s, s) &&
            same_bits(memo->t, t) && same_bits(memo->p, p) && same_bits(memo->a, a)) {
            TableAccess::raw(T.GLVERT3F)[i] = memo->out;
            if (!GLVERT3FREMOVE) glVertex3f(memo->out.X, memo->out.Y, memo->out.Z);
            return;
        }
    }
    const TGLVECTOR v{static_cast<float>(L(s.X) * X + t.X), static_cast<float>(L(s.Y) * Y + t.Y),
                      static_cast<float>(L(s.Z) * Z + t.Z)};
    const TGLVECTOR moved{static_cast<float>(L(p.X) + v.X), static_cast<float>(L(p.Y) + v.Y),
                          static_cast<float>(L(p.Z) + v.Z)};
    const Rotation& r = rotation_for(a);
    const TGLVECTOR out = rotate(moved, r.m);
    TableAccess::raw(T.GLVERT3F)[i] = out;
    if (memo) {  // field by field: a whole-record temporary stalls the stores
        memo->v = given;
        memo->s = s;
        memo->t = t;
        memo->p = p;
        memo->a = a;
        memo->out = out;
        memo->valid = true;
    }
    if (!GLVERT3FREMOVE) glVertex3f(out.X, out.Y, out.Z);
}

// ---------------------------------------------------------------- deformation
namespace {
inline void set_rotate_slot(const TGLVECTOR& offset, const TGLVECTOR& angles, std::int32_t num) {
    note_slot(num, A_POSROT | A_ROTATE);
    TableAccess::raw(GLBASEVERTEX3F.GLVERT3FTMPPOSROT)[num - 1] = offset;
    TableAccess::raw(GLBASEVERTEX3F.GLVERT3FTMPROTATE)[num - 1] = angles;
}
}  // namespace

void GLSETROTATEVERTEX3F(float X, float Y, float Z, float RX, float RY, float RZ,
                         std::int32_t NUM) {
    if (!GLVERT3FENABLEEDIT) return;
    rt::check_range(NUM, 1, MAXVERTEX3F);
    set_rotate_slot(TGLVECTOR{X, Y, Z}, TGLVECTOR{RX, RY, RZ}, NUM);
}

bool GLFINDVERTEX3F(const TGLVECTOR& POS, float RADIUS, std::int32_t NUM) {
    if (!GLVERT3FENABLEEDIT) return false;
    rt::check_range(NUM, 1, MAXVERTEX3F);
    const long double r2 = static_cast<long double>(RADIUS) * RADIUS;
    return within(POS, r2, TableAccess::raw(GLBASEVERTEX3F.GLVERT3FOFFSET)[NUM - 1]);
}

void GLCHECKROTATEV3F(TGLFINDVERTEX3F& FV, float X, float Y, float Z, float RADIUS,
                      std::int32_t MAXNUM) {
    if (!GLVERT3FENABLEEDIT || MAXNUM < 1) return;
    if (MAXNUM > MAXVERTEX3F) rt::range_error();
    const TGLVECTOR pos{X, Y, Z};
    const long double r2 = static_cast<long double>(RADIUS) * RADIUS;
    const TGLVECTOR* offs = TableAccess::raw(GLBASEVERTEX3F.GLVERT3FOFFSET);
    bool* flags = FV.GLVERT3FFINDV3FFORROTATE.data();
    if (MAXNUM > SCAN_SLOTS) {
        for (std::int32_t i = 0; i < MAXNUM; ++i) flags[i] = within(pos, r2, offs[i]);
        return;
    }
    // Slots 1..MAXNUM unchanged since the memo was filled?
    if (g_scans.epoch != g_offset_epoch) {
        g_scans.epoch = g_offset_epoch;
        g_scans.confirmed = 0;
    }
    if (g_scans.confirmed < MAXNUM) {
        const std::int32_t from = g_scans.confirmed;
        if (std::memcmp(g_scans.positions + from, offs + from,
                        sizeof(TGLVECTOR) * static_cast<std::size_t>(MAXNUM - from)) != 0) {
            std::memcpy(g_scans.positions, offs, sizeof g_scans.positions);
            for (ScanEntry& e : g_scans.entries) e.maxnum = 0;
            g_scans.confirmed = SCAN_SLOTS;
        } else {
            g_scans.confirmed = MAXNUM;
        }
    }
    const std::uint64_t key[2] = {(std::uint64_t{bits_of(X)} << 32) | bits_of(Y),
                                  (std::uint64_t{bits_of(Z)} << 32) | bits_of(RADIUS)};
    std::uint64_t h = (key[0] ^ std::rotl(key[1], 23) ^ static_cast<std::uint32_t>(MAXNUM)) *
                      0x9E3779B97F4A7C15ull;
    h ^= h >> 32;
    ScanEntry* set = &g_scans.entries[h & (SCAN_MEMO - 4)];
    ScanEntry* found = nullptr;
    for (int w = 0; w < 4 && !found; ++w)
        if (set[w].maxnum == MAXNUM && set[w].key[0] == key[0] && set[w].key[1] == key[1])
            found = &set[w];
    if (!found) {
        found = &set[g_scans.victim++ & 3];
        for (int w = 0; w < 4; ++w)
            if (set[w].maxnum == 0) found = &set[w];
        ScanEntry& e = *found;
        std::uint64_t mask = 0;
        for (std::int32_t i = 0; i < MAXNUM; ++i)
            if (within(pos, r2, offs[i])) mask |= std::uint64_t{1} << i;
        e.key[0] = key[0];
        e.key[1] = key[1];
        e.maxnum = MAXNUM;
        e.flags = mask;
    }
    const ScanEntry& e = *found;
    // Eight flags at a time, then the rest one by one.
    std::int32_t i = 0;
    for (; i + 8 <= MAXNUM; i += 8) {
        const std::uint64_t spread = BYTE_SPREAD.v[(e.flags >> i) & 0xFF];
        std::memcpy(flags + i, &spread, sizeof spread);
    }
    if (i + 4 <= MAXNUM) {
        const std::uint32_t spread =
            static_cast<std::uint32_t>(BYTE_SPREAD.v[(e.flags >> i) & 0xF]);
        std::memcpy(flags + i, &spread, sizeof spread);
        i += 4;
    }
    for (; i < MAXNUM; ++i) flags[i] = (e.flags >> i) & 1;
}

void GLROTATEVERTEX3F(const TGLVERTEX3F& VERT, const TGLFINDVERTEX3F& FV, float X, float Y,
                      float Z, float RX, float RY, float RZ, std::int32_t MAXNUM) {
    (void)VERT;
    if (!GLVERT3FENABLEEDIT || MAXNUM < 1) return;
    if (MAXNUM > MAXVERTEX3F) rt::range_error();
    const bool* flags = FV.GLVERT3FFINDV3FFORROTATE.data();
    const TGLVECTOR offset{X, Y, Z}, angles{RX, RY, RZ};
    std::int32_t i = 1;
    for (; i + 7 <= MAXNUM; i += 8) {  // eight flags at a time; most are clear
        std::uint64_t word;
        std::memcpy(&word, flags + i - 1, sizeof word);
        if (word == 0) continue;
        // Gather the eight flag bytes (bools are 0 or 1) into one bit each:
        // bit k of `set` is the flag of slot i + k.
        unsigned set = static_cast<unsigned>((word * 0x0102040810204080ull) >> 56);
        while (set != 0) {
            set_rotate_slot(offset, angles, i + __builtin_ctz(set));
            set &= set - 1;
        }
    }
    if (i + 3 <= MAXNUM) {  // four more at once
        std::uint32_t word;
        std::memcpy(&word, flags + i - 1, sizeof word);
        unsigned set = static_cast<unsigned>((word * 0x00204081u) >> 21) & 0xFu;
        while (set != 0) {
            set_rotate_slot(offset, angles, i + __builtin_ctz(set));
            set &= set - 1;
        }
        i += 4;
    }
    for (; i <= MAXNUM; ++i)
        if (flags[i - 1]) set_rotate_slot(offset, angles, i);
}

}  // namespace kvx
