// Kalvox geometry and vertex editing: vectors, Euler rotation matrices, face
// normals, the recorded-vertex table (recording, transformation, emission)
// and the deformation of recorded vertex sets.
// Depends on: runtime (checked arrays, stops, checked arithmetic), OpenGL.
//
// Cost model.  An installation restores only the slots of the table that may
// differ from the installed record: when the record's six arrays carry the
// same change stamps as at the previous installation (or are untouched, all
// zero, on both sides), the table differs from the record only in the slots
// noted since then, and those are copied back (zeroed, for an all-zero
// record) in all six arrays.  Rotation matrices are kept in a small cache
// keyed by the bit patterns of the three angles, so a matrix is built once per
// distinct triple of angles, and its sines and cosines are settled in double
// where that provably gives the extended result.  Each of slots 1..64
// remembers the inputs and result of its last transformation and reuses the
// result while the inputs are bit-identical.  A distance scan over at most 64
// slots remembers its flags by centre, radius and count while the recorded
// positions of those slots are bit-identical, and FINDNORMAL remembers its
// last few faces; both try first the entry that followed the previous one
// last time.  Rotation scans read their flags sixteen at a time.  Every value
// stored or emitted is the one a full copy, a freshly built matrix and a fresh
// computation would give.
#include "Kalvox/KvxGeometry.h"

#include <GL/gl.h>

#include <bit>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
// Slots of GLBASEVERTEX3F that may differ from the record installed last.
// Outside the noted slots every array of the table equals the record's; at a
// noted slot, copying all six arrays back is exact whichever of them changed.
struct ChangeLog {
    // A bulk write happened: the next installation copies everything.  At
    // start the table is all zero, as is any record whose arrays were never
    // changed (stamp 0), so the empty log with zero stamps is exact.
    bool all = false;
    // The installed record's six arrays all carry stamp 0: all zero, so a
    // restore writes zeros without reading the record.
    bool blank = true;
    std::int32_t count = 0;
    std::uint8_t noted[MAXVERTEX3F + 1] = {};  // 0 or 1
    std::int32_t list[MAXVERTEX3F + 1] = {};   // one spare: note_slot writes before it counts
    std::uint64_t source_stamp[6] = {};        // the installed record's array stamps
};
ChangeLog g_log;

inline void note_slot(std::int32_t slot) {
    // Without a branch: the slot is appended, and kept only if it is new.
    g_log.list[g_log.count] = slot;
    g_log.count += g_log.noted[slot] ^ 1;
    g_log.noted[slot] = 1;
}

// Bumped by everything that may write the table's recorded positions
// (GLVERT3FOFFSET): recording, installation, the caller's non-const access.
std::uint64_t g_offset_epoch = 1;

// ---------------------------------------------------------------- distance-scan memo
// Flags of earlier scans over slots 1..MAXNUM (MAXNUM <= SCAN_SLOTS), valid
// while the positions of slots 1..MAXNUM equal `positions` bit for bit.  Any
// difference found forgets every entry.  Scans tend to come in the same order
// again and again, so each entry also remembers which entry was asked for
// after it, and that one is tried before the hash.
constexpr int SCAN_SLOTS = 64;
constexpr int SCAN_MEMO = 128;  // four-way: a key lives in one of 4 neighbouring entries
struct ScanEntry {
    std::uint64_t key[2];  // centre X, Y, Z and radius bit patterns, two to a word
    std::int32_t maxnum;   // 0: empty entry
    std::int32_t next;     // the entry looked up after this one, last time
    alignas(16) std::uint8_t flags[SCAN_SLOTS];  // slot i at i-1: 1 selected, 0 not
};
struct ScanMemo {
    std::uint64_t epoch = 0;  // g_offset_epoch when `positions` was last confirmed
    std::int32_t confirmed = 0;  // ... for slots 1..confirmed
    std::int32_t last = 0;       // the entry looked up last
    TGLVECTOR positions[SCAN_SLOTS];
    ScanEntry entries[SCAN_MEMO];
    unsigned victim = 0;  // round-robin replacement within a set
};
ScanMemo g_scans;

// ---------------------------------------------------------------- per-slot vertex memo
// For slots 1..VERTEX_SLOTS: the last inputs of the transformation (the
// vertex, then the slot's scale, translation, offset and angles, as bit
// patterns) and the vertex it gave.  `out` comes last: the inputs are read
// sixteen bytes at a time.
constexpr int VERTEX_SLOTS = 64;
struct alignas(16) VertexEntry {
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
// Like the scan memo, each entry names the entry asked for after it.
struct NormalEntry {
    std::uint64_t in[9];  // the nine coordinates' bit patterns
    double out[3];
    std::int32_t next;
    bool valid;
};
constexpr int NORMAL_MEMO = 64;  // sets of four, chosen by a hash of the coordinates
NormalEntry g_normals[NORMAL_MEMO];
unsigned g_normal_victim = 0;
std::int32_t g_normal_last = 0;

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
// first.  The double value d is within 2^-48 of the exact value, relative
// (see sin_cos_double), and cosl/sinl within a few units of 2^-63; so the
// extended result lies within |d| * 2^-40 of d, far more than both errors
// together.  Rounding to single is monotonic: when both ends of
// [d - e, d + e] round to the same single, so does every value between them,
// the extended result included.  Otherwise (a result near a rounding
// boundary, a zero, tiny or non-finite value) the extended function decides.
inline bool settle(double d, float& out) {
    const double a = std::fabs(d);
    if (!(a > 0x1p-100 && a < 0x1p100)) return false;
    const double e = a * 0x1p-40;
    const float f = static_cast<float>(d);
    if (static_cast<float>(d - e) != f || static_cast<float>(d + e) != f) return false;
    out = f;
    return true;
}
// sin x and cos x in double.  For |x| <= 0.785 (below pi/4) by their Taylor
// polynomials to x^15 and x^16: the series alternate with falling terms, so
// the truncation error is below the first term left out, x^17/17! < 2^-53 sin x
// and x^18/18! < 2^-58 cos x; Horner's scheme adds a few roundings of 2^-53
// on sums dominated by their first term.  Elsewhere glibc's sin and cos,
// within one unit in the last place (2^-52 relative).
inline void sin_cos_double(double x, double& s, double& c) {
    if (std::fabs(x) <= 0.785) {
        const double z = x * x;
        double p = -1.0 / 1307674368000.0;  // -1/15!
        p = p * z + 1.0 / 6227020800.0;      // 1/13!
        p = p * z - 1.0 / 39916800.0;        // -1/11!
        p = p * z + 1.0 / 362880.0;          // 1/9!
        p = p * z - 1.0 / 5040.0;            // -1/7!
        p = p * z + 1.0 / 120.0;             // 1/5!
        p = p * z - 1.0 / 6.0;               // -1/3!
        s = x + x * z * p;
        double q = 1.0 / 20922789888000.0;  // 1/16!
        q = q * z - 1.0 / 87178291200.0;     // -1/14!
        q = q * z + 1.0 / 479001600.0;       // 1/12!
        q = q * z - 1.0 / 3628800.0;         // -1/10!
        q = q * z + 1.0 / 40320.0;           // 1/8!
        q = q * z - 1.0 / 720.0;             // -1/6!
        q = q * z + 1.0 / 24.0;              // 1/4!
        q = q * z - 0.5;                     // -1/2!
        c = 1.0 + z * q;
        return;
    }
    s = std::sin(x);
    c = std::cos(x);
}
// Both of single x.  cosl(+-0) is exactly 1 and sinl(+-0) exactly +-0.
inline void sin_cos_single(float x, float& s, float& c) {
    if (x == 0.0f) {
        s = x;
        c = 1.0f;
        return;
    }
    double sd, cd;
    sin_cos_double(static_cast<double>(x), sd, cd);
    if (!settle(sd, s)) s = static_cast<float>(sinl(x));
    if (!settle(cd, c)) c = static_cast<float>(cosl(x));
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
    note_slot(static_cast<std::int32_t>(I));
    if (arr == &GLBASEVERTEX3F.GLVERT3FOFFSET) ++g_offset_epoch;
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
    // Each is single(cosl(angle)) or single(sinl(angle)); see sin_cos_single.
    float CR, SR, CP, SP, CY, SY;
    sin_cos_single(ANG.X, SR, CR);
    sin_cos_single(ANG.Y, SP, CP);
    sin_cos_single(ANG.Z, SY, CY);
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
    const auto same = [&in](const NormalEntry& m) {
        std::uint64_t diff = 0;
        for (int k = 0; k < 9; ++k) diff |= m.in[k] ^ in[k];
        return m.valid && diff == 0;
    };
    const auto found = [](const NormalEntry& m) {
        g_normals[g_normal_last].next = static_cast<std::int32_t>(&m - g_normals);
        g_normal_last = static_cast<std::int32_t>(&m - g_normals);
        FNORMAL[1] = m.out[0];
        FNORMAL[2] = m.out[1];
        FNORMAL[3] = m.out[2];
    };
    // The face asked for after the last one, last time?
    if (const NormalEntry& m = g_normals[g_normals[g_normal_last].next]; same(m)) {
        found(m);
        return;
    }
    // A cheap, parallel hash: rotate-xor the words, one multiply.
    std::uint64_t h = in[0] ^ std::rotl(in[1], 7) ^ std::rotl(in[2], 14) ^ std::rotl(in[3], 21) ^
                      std::rotl(in[4], 28) ^ std::rotl(in[5], 35) ^ std::rotl(in[6], 42) ^
                      std::rotl(in[7], 49) ^ std::rotl(in[8], 56);
    h *= 0x9E3779B97F4A7C15ull;
    NormalEntry* set = &g_normals[(h >> 40) & (NORMAL_MEMO - 4)];
    for (int w = 0; w < 4; ++w) {
        if (same(set[w])) {
            found(set[w]);
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
    found(e);
}

// ---------------------------------------------------------------- vertex recording
void VERTEXEDITON() { GLVERT3FENABLEEDIT = true; }
void VERTEXEDITOFF() { GLVERT3FENABLEEDIT = false; }

namespace {
// Slot `slot` (< MAXVERTEX3F) of all six arrays of the table zeroed, sixteen
// bytes per array: the four past the slot are the next slot's X, zero in an
// all-zero record and so either zero in the table too or noted and zeroed.
inline void zero_slot(TGLVERTEX3F& T, std::int32_t slot) {
    static constexpr unsigned char zero16[16] = {};
    const std::size_t at = sizeof(TGLVECTOR) * static_cast<std::size_t>(slot - 1);
    std::memcpy(reinterpret_cast<char*>(TableAccess::raw(T.GLVERT3F)) + at, zero16, 16);
    std::memcpy(reinterpret_cast<char*>(TableAccess::raw(T.GLVERT3FTMP)) + at, zero16, 16);
    std::memcpy(reinterpret_cast<char*>(TableAccess::raw(T.GLVERT3FTMPROTATE)) + at, zero16, 16);
    std::memcpy(reinterpret_cast<char*>(TableAccess::raw(T.GLVERT3FTMPPOSROT)) + at, zero16, 16);
    std::memcpy(reinterpret_cast<char*>(TableAccess::raw(T.GLVERT3FTMPSCALE)) + at, zero16, 16);
    std::memcpy(reinterpret_cast<char*>(TableAccess::raw(T.GLVERT3FOFFSET)) + at, zero16, 16);
}
}  // namespace

void GLSETMAXVERTEX3F(const TGLVERTEX3F& VERT, std::int32_t MAXNUM) {
    TGLVERTEX3F& T = GLBASEVERTEX3F;
    if (&VERT != &T) {
        auto src = arrays(VERT);
        auto dst = arrays(T);
        std::uint64_t changed = g_log.all;
        for (int k = 0; k < 6; ++k) changed |= TableAccess::stamp(*src.a[k]) ^ g_log.source_stamp[k];
        const std::int32_t noted = g_log.count;
        if (changed == 0) {
            // The table equals the record except in the noted slots.
            if (g_log.blank) {
                for (std::int32_t n = 0; n < noted; ++n) {
                    const std::int32_t slot = g_log.list[n];
                    g_log.noted[slot] = 0;
                    if (slot < MAXVERTEX3F) {
                        zero_slot(T, slot);
                    } else {
                        for (int k = 0; k < 6; ++k) TableAccess::raw(*dst.a[k])[slot - 1] = TGLVECTOR{};
                    }
                }
            } else {
                for (std::int32_t n = 0; n < noted; ++n) {
                    const std::int32_t slot = g_log.list[n];
                    g_log.noted[slot] = 0;
                    for (int k = 0; k < 6; ++k)
                        TableAccess::raw(*dst.a[k])[slot - 1] = TableAccess::raw(*src.a[k])[slot - 1];
                }
            }
            if (noted != 0) ++g_offset_epoch;
        } else {
            bool blank = true;
            for (int k = 0; k < 6; ++k) {
                std::memcpy(TableAccess::raw(*dst.a[k]), TableAccess::raw(*src.a[k]),
                            sizeof(TGLVECTOR) * MAXVERTEX3F);
                g_log.source_stamp[k] = TableAccess::stamp(*src.a[k]);
                blank &= g_log.source_stamp[k] == 0;
            }
            for (std::int32_t n = 0; n < noted; ++n) g_log.noted[g_log.list[n]] = 0;
            g_log.all = false;
            g_log.blank = blank;
            ++g_offset_epoch;
        }
        g_log.count = 0;
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

namespace {
// Scale, translation, offset, rotation: the vertex GLVERTEX3F emits.
inline TGLVECTOR transform(float X, float Y, float Z, const TGLVECTOR& s, const TGLVECTOR& t,
                           const TGLVECTOR& p, const TGLVECTOR& a) {
    using L = long double;
    const TGLVECTOR v{static_cast<float>(L(s.X) * X + t.X), static_cast<float>(L(s.Y) * Y + t.Y),
                      static_cast<float>(L(s.Z) * Z + t.Z)};
    const TGLVECTOR moved{static_cast<float>(L(p.X) + v.X), static_cast<float>(L(p.Y) + v.Y),
                          static_cast<float>(L(p.Z) + v.Z)};
    return rotate(moved, rotation_for(a).m);
}

inline void emit(const TGLVECTOR& v) {
    if (!GLVERT3FREMOVE) glVertex3f(v.X, v.Y, v.Z);
}

// A vertex the memo of slot c (<= VERTEX_SLOTS) does not know: transformed
// (or taken from slot c-1's memo when that saw the very same inputs: shapes
// repeat their corners), stored, remembered, emitted.  Kept apart so that the
// common path stays short.
[[gnu::noinline]] void record_new(std::int32_t c, float X, float Y, float Z) {
    TGLVERTEX3F& T = GLBASEVERTEX3F;
    const std::int32_t i = c - 1;
    const TGLVECTOR& s = TableAccess::raw(T.GLVERT3FTMPSCALE)[i];
    const TGLVECTOR& t = TableAccess::raw(T.GLVERT3FTMP)[i];
    const TGLVECTOR& p = TableAccess::raw(T.GLVERT3FTMPPOSROT)[i];
    const TGLVECTOR& a = TableAccess::raw(T.GLVERT3FTMPROTATE)[i];
    const TGLVECTOR given{X, Y, Z};
    const VertexEntry& before = g_vertices[c - 1];  // entry 0 is never filled
    const TGLVECTOR r = before.valid && same_bits(before.v, given) && same_bits(before.s, s) &&
                                same_bits(before.t, t) && same_bits(before.p, p) &&
                                same_bits(before.a, a)
                            ? before.out
                            : transform(X, Y, Z, s, t, p, a);
    TableAccess::raw(T.GLVERT3F)[i] = r;
    // Field by field: a whole-record temporary stalls the stores.
    VertexEntry& m = g_vertices[c];
    m.v = TGLVECTOR{X, Y, Z};
    m.s = s;
    m.t = t;
    m.p = p;
    m.a = a;
    m.out = r;
    m.valid = true;
    emit(r);
}
}  // namespace

void GLVERTEX3F(float X, float Y, float Z) {
    if (!GLVERT3FENABLEEDIT) {
        if (!GLVERT3FREMOVE) glVertex3f(X, Y, Z);
        return;
    }
    TGLVERTEX3F& T = GLBASEVERTEX3F;
    std::int32_t c = T.GLVERT3FCOUNT;
    if (c < T.GLVERT3FMAX) T.GLVERT3FCOUNT = ++c;
    rt::check_range(c, 1, MAXVERTEX3F);
    note_slot(c);
    const std::int32_t i = c - 1;

    TableAccess::raw(T.GLVERT3FOFFSET)[i] = TGLVECTOR{X, Y, Z};
    ++g_offset_epoch;
    TGLVECTOR* const sp = TableAccess::raw(T.GLVERT3FTMPSCALE) + i;
    const TGLVECTOR* const tp = TableAccess::raw(T.GLVERT3FTMP) + i;
    const TGLVECTOR* const pp = TableAccess::raw(T.GLVERT3FTMPPOSROT) + i;
    const TGLVECTOR* const ap = TableAccess::raw(T.GLVERT3FTMPROTATE) + i;
    TGLVECTOR* const out = TableAccess::raw(T.GLVERT3F) + i;
#if defined(__SSE2__)
    if (c <= VERTEX_SLOTS) {
        // Sixteen bytes per vector (the fourth lane is the next slot's X and
        // is never looked at); slot 64 is far from the end of the arrays.
        const auto load = [](const void* q) {
            return _mm_loadu_si128(static_cast<const __m128i*>(q));
        };
        __m128 s4 = _mm_loadu_ps(&sp->X);
        if ((_mm_movemask_ps(_mm_cmpeq_ps(s4, _mm_setzero_ps())) & 7) == 7) {
            s4 = _mm_set1_ps(1.0f);
            *sp = TGLVECTOR{1.0f, 1.0f, 1.0f};
        }
        const __m128i given = _mm_castps_si128(_mm_setr_ps(X, Y, Z, 0.0f));
        VertexEntry& m = g_vertices[c];
        __m128i eq = _mm_cmpeq_epi32(given, load(&m.v));
        eq = _mm_and_si128(eq, _mm_cmpeq_epi32(_mm_castps_si128(s4), load(&m.s)));
        eq = _mm_and_si128(eq, _mm_cmpeq_epi32(load(tp), load(&m.t)));
        eq = _mm_and_si128(eq, _mm_cmpeq_epi32(load(pp), load(&m.p)));
        eq = _mm_and_si128(eq, _mm_cmpeq_epi32(load(ap), load(&m.a)));
        if (m.valid && (_mm_movemask_ps(_mm_castsi128_ps(eq)) & 7) == 7) {
            *out = m.out;
            emit(m.out);
            return;
        }
        record_new(c, X, Y, Z);
        return;
    }
#endif
    if (sp->X == 0.0f && sp->Y == 0.0f && sp->Z == 0.0f) *sp = TGLVECTOR{1.0f, 1.0f, 1.0f};
    const TGLVECTOR s = *sp;
    if (c <= VERTEX_SLOTS) {
        VertexEntry& m = g_vertices[c];
        if (m.valid && same_bits(m.v, TGLVECTOR{X, Y, Z}) && same_bits(m.s, s) &&
            same_bits(m.t, *tp) && same_bits(m.p, *pp) && same_bits(m.a, *ap)) {
            *out = m.out;
            emit(m.out);
            return;
        }
        record_new(c, X, Y, Z);
        return;
    }
    const TGLVECTOR r = transform(X, Y, Z, s, *tp, *pp, *ap);
    *out = r;
    emit(r);
}

// ---------------------------------------------------------------- deformation
namespace {
inline void set_rotate_slot(const TGLVECTOR& offset, const TGLVECTOR& angles, std::int32_t num) {
    note_slot(num);
    TableAccess::raw(GLBASEVERTEX3F.GLVERT3FTMPPOSROT)[num - 1] = offset;
    TableAccess::raw(GLBASEVERTEX3F.GLVERT3FTMPROTATE)[num - 1] = angles;
}

// Bit k set when flag p[k] is, for k < min(n, 64) (n >= 1).  Reads whole
// sixteen-byte groups: p[0 .. 16 * ceil(min(n, 64) / 16)), which stays inside
// a selection whenever p starts a multiple of 16 flags into it and p[n - 1]
// is in it (10000 is a multiple of 16).
inline std::uint64_t flag_bits(const bool* p, std::int32_t n) {
    const int groups = n >= 64 ? 4 : (n + 15) >> 4;
    std::uint64_t bits = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (int g = 0; g < groups; ++g) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * g));
        const unsigned clear = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)));
        bits |= std::uint64_t{clear ^ 0xFFFFu} << (16 * g);
    }
#else
    for (int k = 0; k < 16 * groups; ++k) bits |= std::uint64_t{p[k]} << k;
#endif
    return n >= 64 ? bits : bits & ((std::uint64_t{1} << n) - 1);
}

// The same for the first n <= 64 flags of a selection, reading its first 64.
inline std::uint64_t first_flag_bits(const bool* p, std::int32_t n) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const auto clear = [&](int g) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * g));
        return std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)))};
    };
    const std::uint64_t bits = ~(clear(0) | clear(1) << 16 | clear(2) << 32 | clear(3) << 48);
    return n >= 64 ? bits : bits & ((std::uint64_t{1} << n) - 1);
#else
    return flag_bits(p, n);
#endif
}

// Flags 0 .. n-1 of dst from src (1 <= n <= 64), in a few overlapping moves.
inline void copy_flags(bool* dst, const std::uint8_t* src, std::int32_t n) {
    static_assert(sizeof(bool) == 1);
    const auto move = [&](std::int32_t at, auto width) {
        decltype(width) w;
        std::memcpy(&w, src + at, sizeof w);
        std::memcpy(dst + at, &w, sizeof w);
    };
    struct Bytes16 {
        std::uint64_t lo, hi;
    };
    if (n >= 16) {
        for (std::int32_t k = 0; k + 16 <= n; k += 16) move(k, Bytes16{});
        move(n - 16, Bytes16{});
    } else if (n >= 8) {
        move(0, std::uint64_t{});
        move(n - 8, std::uint64_t{});
    } else if (n >= 4) {
        move(0, std::uint32_t{});
        move(n - 4, std::uint32_t{});
    } else {
        for (std::int32_t k = 0; k < n; ++k) move(k, std::uint8_t{});
    }
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

namespace {
// Every slot's distance test, without the memo.
[[gnu::noinline]] void scan_all(bool* flags, const TGLVECTOR& pos, float RADIUS,
                                std::int32_t MAXNUM) {
    const long double r2 = static_cast<long double>(RADIUS) * RADIUS;
    const TGLVECTOR* offs = TableAccess::raw(GLBASEVERTEX3F.GLVERT3FOFFSET);
    for (std::int32_t i = 0; i < MAXNUM; ++i) flags[i] = within(pos, r2, offs[i]);
}

// Makes the memo's positions those of slots 1..MAXNUM, forgetting every
// entry if they were not.
[[gnu::noinline]] void confirm_positions(std::int32_t MAXNUM) {
    if (g_scans.epoch != g_offset_epoch) {
        g_scans.epoch = g_offset_epoch;
        g_scans.confirmed = 0;
    }
    if (g_scans.confirmed >= MAXNUM) return;
    const TGLVECTOR* offs = TableAccess::raw(GLBASEVERTEX3F.GLVERT3FOFFSET);
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

// The entry for this scan, found by its hash or filled in.
[[gnu::noinline]] std::int32_t scan_entry(const std::uint64_t (&key)[2], const TGLVECTOR& pos,
                                          float RADIUS, std::int32_t MAXNUM) {
    std::uint64_t h = (key[0] ^ std::rotl(key[1], 23) ^ static_cast<std::uint32_t>(MAXNUM)) *
                      0x9E3779B97F4A7C15ull;
    h ^= h >> 32;
    const std::int32_t first = static_cast<std::int32_t>(h & (SCAN_MEMO - 4));
    ScanEntry* set = &g_scans.entries[first];
    for (int w = 0; w < 4; ++w)
        if (set[w].maxnum == MAXNUM && set[w].key[0] == key[0] && set[w].key[1] == key[1])
            return first + w;
    int way = static_cast<int>(g_scans.victim++ & 3);
    for (int w = 0; w < 4; ++w)
        if (set[w].maxnum == 0) way = w;
    ScanEntry& e = set[way];
    const long double r2 = static_cast<long double>(RADIUS) * RADIUS;
    const TGLVECTOR* offs = TableAccess::raw(GLBASEVERTEX3F.GLVERT3FOFFSET);
    for (std::int32_t i = 0; i < MAXNUM; ++i) e.flags[i] = within(pos, r2, offs[i]);
    e.key[0] = key[0];
    e.key[1] = key[1];
    e.maxnum = MAXNUM;
    return first + way;
}

// Slots 1..MAXNUM, MAXNUM > 64, sixty-four flags at a time.
[[gnu::noinline]] void rotate_many(const bool* flags, float X, float Y, float Z, float RX,
                                   float RY, float RZ, std::int32_t MAXNUM) {
    const TGLVECTOR offset{X, Y, Z}, angles{RX, RY, RZ};
    for (std::int32_t base = 0; base < MAXNUM; base += 64) {
        std::uint64_t set = flag_bits(flags + base, MAXNUM - base);
        while (set != 0) {
            set_rotate_slot(offset, angles, base + 1 + std::countr_zero(set));
            set &= set - 1;
        }
    }
}
}  // namespace

void GLCHECKROTATEV3F(TGLFINDVERTEX3F& FV, float X, float Y, float Z, float RADIUS,
                      std::int32_t MAXNUM) {
    if (!GLVERT3FENABLEEDIT || MAXNUM < 1) return;
    if (MAXNUM > MAXVERTEX3F) rt::range_error();
    bool* flags = FV.GLVERT3FFINDV3FFORROTATE.data();
    if (MAXNUM > SCAN_SLOTS) {
        scan_all(flags, TGLVECTOR{X, Y, Z}, RADIUS, MAXNUM);
        return;
    }
    // Slots 1..MAXNUM unchanged since the memo was filled?
    if (g_scans.epoch != g_offset_epoch || g_scans.confirmed < MAXNUM) confirm_positions(MAXNUM);
    const std::uint64_t key[2] = {(std::uint64_t{bits_of(X)} << 32) | bits_of(Y),
                                  (std::uint64_t{bits_of(Z)} << 32) | bits_of(RADIUS)};
    // The scan asked for after the last one, last time?
    std::int32_t at = g_scans.entries[g_scans.last].next;
    const ScanEntry& guess = g_scans.entries[at];
    if (guess.maxnum != MAXNUM || ((guess.key[0] ^ key[0]) | (guess.key[1] ^ key[1])) != 0)
        at = scan_entry(key, TGLVECTOR{X, Y, Z}, RADIUS, MAXNUM);
    g_scans.entries[g_scans.last].next = at;
    g_scans.last = at;
    copy_flags(flags, g_scans.entries[at].flags, MAXNUM);
}

void GLROTATEVERTEX3F(const TGLVERTEX3F& VERT, const TGLFINDVERTEX3F& FV, float X, float Y,
                      float Z, float RX, float RY, float RZ, std::int32_t MAXNUM) {
    (void)VERT;
    if (!GLVERT3FENABLEEDIT || MAXNUM < 1) return;
    if (MAXNUM > MAXVERTEX3F) rt::range_error();
    const bool* flags = FV.GLVERT3FFINDV3FFORROTATE.data();
    if (MAXNUM > 64) {
        rotate_many(flags, X, Y, Z, RX, RY, RZ, MAXNUM);
        return;
    }
    const TGLVECTOR offset{X, Y, Z}, angles{RX, RY, RZ};
    // One bit per flag; most are clear.
    std::uint64_t set = first_flag_bits(flags, MAXNUM);
    if (set == 0) return;
    TGLVECTOR* const posrot = TableAccess::raw(GLBASEVERTEX3F.GLVERT3FTMPPOSROT);
    TGLVECTOR* const rotate = TableAccess::raw(GLBASEVERTEX3F.GLVERT3FTMPROTATE);
    std::int32_t count = g_log.count;
    do {
        const int k = std::countr_zero(set);
        g_log.list[count] = k + 1;
        count += g_log.noted[k + 1] ^ 1;
        g_log.noted[k + 1] = 1;
        posrot[k] = offset;
        rotate[k] = angles;
        set &= set - 1;
    } while (set != 0);
    g_log.count = count;
}

}  // namespace kvx
