// Kalvox geometry and vertex editing: vectors, Euler rotation matrices, face
// normals, the recorded-vertex table with its switches, and the deformation of
// recorded vertex sets selected by distance.
// Depends on: runtime (checked arrays, run-time stops), OpenGL (glBegin,
// glVertex3f, glEnd).
//
// Precision: geometry is stored as float; intermediate results are formed in
// long double (x87 80-bit) and rounded once when stored; FINDNORMAL works in
// double where its values are stored.
//
// Choices made where the behaviour is open:
// - Row 3 and column 3 of every rotation matrix built here are those of the
//   identity: M[3][3] = 1, M[i][3] = M[3][i] = 0 for i < 3.  No routine reads
//   them.
// - GLFINDVERTEX3F returns false while editing is off (nothing is selected).
// - GLROTATEVERTEX3F leaves the table's offset and angles of slots whose
//   rotation flag is clear exactly as they are; it never writes VERT.
//
// How the table is kept (and the contract that comes with it):
// GLSETMAXVERTEX3F behaves as a copy of the whole record: after it returns,
// every field of GLBASEVERTEX3F reads as the installed record did at that
// moment.  To keep that cheap, the six per-slot arrays of a TGLVERTEX3F are
// TGLVECTORARRAY objects whose element access is checked and stamped: every
// non-const access (element access, data(), begin()/end(), assignment,
// copying) takes a fresh value of one process-wide, monotonic change stamp,
// and non-const access to the library's own table also notes which slots may
// have been written.  An installation from the same record, unchanged since it
// was last installed (or from a never-changed, all-zero record after another
// one), then only restores the noted slots; anything else is a full copy.
// Reading through a non-const record counts as a non-const access: harmless,
// it only makes the next installation copy more (read through std::as_const
// or a const reference to avoid that).  Outside the contract (the library
// cannot see them):
// - writes to a record's raw memory (memcpy over it, writes through a pointer
//   cast from its address);
// - writes through a reference or pointer obtained from a non-const access
//   and kept across a call to GLSETMAXVERTEX3F (take a new reference instead).
#pragma once

#include <cstdint>

#include "runtime/runtime.h"

namespace kvx {

// ---------------------------------------------------------------- vectors and matrices
// Three single-precision components: positions, offsets, scale factors and
// triples of angles.
struct TGLVECTOR {
    float X = 0, Y = 0, Z = 0;
};
// Same fields, a separate type for vertex-like values (the mouse view).
struct TGLVERTEX {
    float X = 0, Y = 0, Z = 0;
};
// 4 by 4 floats indexed [row][column] from 0, every index checked.  Rotation
// matrices use the 3 by 3 block; row i is the image of the unit vector along
// axis i.
using TGLBASEMATRIX = rt::Array<rt::Array<float, 0, 3>, 0, 3>;

// pi / 180 at double precision.  DEGTORAD does not use it.
inline constexpr double PIDIV180 = 0.017453292519943296;

// The unit normal left by the last FINDNORMAL (x, y, z at 1, 2, 3); zero at
// start.
extern rt::Array<double, 1, 3> FNORMAL;

// (X, Y, Z) rounded to single.
TGLVECTOR GLVECTOR(double X, double Y, double Z);
// DEGREE * pi / 180 in extended precision, rounded to single.
float DEGTORAD(float DEGREE);
// Rotation by ANG.X about x, then ANG.Y about y, then ANG.Z about z, angles in
// RADIANS (the name notwithstanding).  M[0][2] is never -0.
TGLBASEMATRIX MATRIXEULERDEG(const TGLVECTOR& ANG);
// The same with the angles in DEGREES: each converted with DEGTORAD.
TGLBASEMATRIX MATRIXEULERRAD(const TGLVECTOR& ANG);
// VEC.X * row 0 + VEC.Y * row 1 + VEC.Z * row 2 of the 3 by 3 block, each sum
// accumulated left to right in extended precision and rounded once.
TGLVECTOR MATRIXVECROT(const TGLVECTOR& VEC, const TGLBASEMATRIX& ANG);
// Scales VECTOR to unit length; the length is stored as single and a length
// of 0 counts as 1 (a zero vector stays zero).
void REDUCETOUNIT(rt::Array<double, 1, 3>& VECTOR);
// Unit normal of the face V1, V2, V3 into FNORMAL: (V1 - V2) x (V2 - V3),
// pointing to the side from which the points appear counter-clockwise.
void FINDNORMAL(double V1X, double V1Y, double V1Z, double V2X, double V2Y, double V2Z,
                double V3X, double V3Y, double V3Z);

// ---------------------------------------------------------------- recorded-vertex table
inline constexpr std::int32_t MAXVERTEX3F = 10000;  // slots per table, numbered from 1

namespace detail {
// The process-wide change stamp; 0 is never handed out.
inline std::uint64_t change_stamp = 0;
class TableAccess;
}  // namespace detail

class TGLVECTORARRAY;
namespace detail {
// Notes a possible write to slot I (or to every slot) of one of the library
// table's arrays.
void note_table_write(const TGLVECTORARRAY* arr, long long I);
void note_table_bulk(const TGLVECTORARRAY* arr);
}  // namespace detail

// 10000 TGLVECTOR indexed 1..10000, every index checked (range check stop).
// A default-constructed array is all zero.  See the header comment for the
// change stamp every non-const access takes.
class TGLVECTORARRAY {
public:
    static constexpr long long low = 1;
    static constexpr long long high = MAXVERTEX3F;

    constexpr TGLVECTORARRAY() : elems_{}, stamp_(0) {}
    TGLVECTORARRAY(const TGLVECTORARRAY& o);
    TGLVECTORARRAY& operator=(const TGLVECTORARRAY& o);

    template <class I>
    TGLVECTOR& operator[](I i) {
        rt::check_range(i, low, high);
        touch(static_cast<long long>(i));
        return elems_[static_cast<long long>(i) - 1];
    }
    template <class I>
    const TGLVECTOR& operator[](I i) const {
        rt::check_range(i, low, high);
        return elems_[static_cast<long long>(i) - 1];
    }
    TGLVECTOR* data() { touch_all(); return elems_; }
    const TGLVECTOR* data() const { return elems_; }
    TGLVECTOR* begin() { touch_all(); return elems_; }
    TGLVECTOR* end() { touch_all(); return elems_ + high; }
    const TGLVECTOR* begin() const { return elems_; }
    const TGLVECTOR* end() const { return elems_ + high; }
    static constexpr std::size_t size() { return static_cast<std::size_t>(high); }

    // The change stamp: 0 while the array has never been changed since it was
    // default-constructed (so it is all zero), otherwise the stamp of its last
    // non-const access.
    std::uint64_t stamp() const { return stamp_; }

private:
    friend class detail::TableAccess;
    inline bool in_table() const;
    void touch(long long i) {
        stamp_ = ++detail::change_stamp;
        if (in_table()) detail::note_table_write(this, i);
    }
    void touch_all() {
        stamp_ = ++detail::change_stamp;
        if (in_table()) detail::note_table_bulk(this);
    }

    TGLVECTOR elems_[MAXVERTEX3F];
    std::uint64_t stamp_;
};

// The recorded-vertex table type.
struct TGLVERTEX3F {
    TGLVECTORARRAY GLVERT3F;           // per slot: the vertex as sent to OpenGL
    TGLVECTORARRAY GLVERT3FTMP;        // per slot: translation, added after scaling
    TGLVECTORARRAY GLVERT3FTMPROTATE;  // per slot: angles about x, y, z in degrees
    TGLVECTORARRAY GLVERT3FTMPPOSROT;  // per slot: offset added just before the rotation
    TGLVECTORARRAY GLVERT3FTMPSCALE;   // per slot: scale factors; (0, 0, 0) means not set
    TGLVECTORARRAY GLVERT3FOFFSET;     // per slot: the vertex as given to GLVERTEX3F
    std::int32_t GLVERT3FCOUNT = 0;    // slot of the most recent vertex; 0 before the first
    std::int32_t GLVERT3FMAX = 0;      // highest slot recording may reach
    std::int32_t GLVERT3FSETNUM = 0;   // the cap each GLBEGIN copies into GLVERT3FMAX
};

// The library's one vertex table (all zero at start).
extern TGLVERTEX3F GLBASEVERTEX3F;

// True for the six arrays of GLBASEVERTEX3F, whose writes are noted.
inline bool TGLVECTORARRAY::in_table() const {
    const auto self = reinterpret_cast<std::uintptr_t>(this);
    const auto base = reinterpret_cast<std::uintptr_t>(&GLBASEVERTEX3F);
    return self - base < sizeof(TGLVERTEX3F);
}
// Vertex editing switch (false at start).
extern bool GLVERT3FENABLEEDIT;
// When true, GLBEGIN, GLVERTEX3F and GLEND send nothing to OpenGL.
extern bool GLVERT3FREMOVE;

void VERTEXEDITON();
void VERTEXEDITOFF();
// Installs VERT as the library's table (whole record, counters included) and
// sets GLVERT3FSETNUM to MAXNUM + 1 (overflow stop beyond the 32-bit range).
void GLSETMAXVERTEX3F(const TGLVERTEX3F& VERT, std::int32_t MAXNUM);
// glBegin(MODE) unless GLVERT3FREMOVE; GLVERT3FMAX := GLVERT3FSETNUM.
void GLBEGIN(std::uint32_t MODE);
// Records (editing on), transforms and emits one vertex: scale, translation,
// offset, rotation.  A slot outside 1..10000 stops with a range check.
void GLVERTEX3F(float X, float Y, float Z);
// glEnd() unless GLVERT3FREMOVE.
void GLEND();

// ---------------------------------------------------------------- deformation
// Per-slot selection flags, indexed 1..10000; all clear when constructed.
struct TGLFINDVERTEX3F {
    rt::Array<bool, 1, MAXVERTEX3F> GLVERT3FFINDV3FFORTRANSLATE{};
    rt::Array<bool, 1, MAXVERTEX3F> GLVERT3FFINDV3FFORROTATE{};
    rt::Array<bool, 1, MAXVERTEX3F> GLVERT3FFINDV3FFORSCALE{};
};

// Slot NUM gets offset (X, Y, Z) and angles (RX, RY, RZ) in degrees.  No-op
// while editing is off.
void GLSETROTATEVERTEX3F(float X, float Y, float Z, float RX, float RY, float RZ, std::int32_t NUM);
// True when slot NUM's recorded position lies strictly closer than |RADIUS| to
// POS (extended precision).  False while editing is off.
bool GLFINDVERTEX3F(const TGLVECTOR& POS, float RADIUS, std::int32_t NUM);
// FV's rotation flags 1..MAXNUM := the distance test around (X, Y, Z).  No-op
// while editing is off.
void GLCHECKROTATEV3F(TGLFINDVERTEX3F& FV, float X, float Y, float Z, float RADIUS,
                      std::int32_t MAXNUM);
// Every slot 1..MAXNUM flagged for rotation in FV gets the offset and angles.
// VERT is not read.  No-op while editing is off.
void GLROTATEVERTEX3F(const TGLVERTEX3F& VERT, const TGLFINDVERTEX3F& FV, float X, float Y,
                      float Z, float RX, float RY, float RZ, std::int32_t MAXNUM);

}  // namespace kvx
