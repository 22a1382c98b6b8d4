// A plain model of the vertex table and its deformation, written straight from
// the rules and shared by the geometry tests and the wind benchmark: every
// installation copies the whole record, every recorded vertex builds its
// rotation matrix afresh.  Its maths is its own (it calls no Kalvox routine);
// it emits through the real OpenGL entry points, so under the gltrace seam its
// call stream can be compared with the library's.  Slot k lives at index k-1;
// a slot outside 1..10000 aborts (the model is not used for the stops).
#pragma once

#include <cstdint>

namespace refgeom {

constexpr int SLOTS = 10000;

struct Vec {
    float X, Y, Z;
};

struct Table {
    Vec vert[SLOTS];
    Vec tmp[SLOTS];
    Vec rotate[SLOTS];
    Vec posrot[SLOTS];
    Vec scale[SLOTS];
    Vec offset[SLOTS];
    std::int32_t count, max, setnum;
};

struct Find {
    bool translate[SLOTS];
    bool rotate[SLOTS];
    bool scale[SLOTS];
};

// The model's state: one table and the two switches.
struct Model {
    Table table;
    bool edit;
    bool remove;
};

float degtorad(float degree);
// The 3 by 3 rotation block for angles in radians.
void euler(const Vec& rad, float m[3][3]);
Vec rotate_vec(const Vec& v, const float m[3][3]);
// The unit face normal, as three doubles.
void normal(double out[3], double v1x, double v1y, double v1z, double v2x, double v2y,
            double v2z, double v3x, double v3y, double v3z);

void install(Model& m, const Table& vert, std::int32_t maxnum);
void begin(Model& m, unsigned mode);
void vertex(Model& m, float x, float y, float z);
void end(Model& m);
void set_rotate(Model& m, float x, float y, float z, float rx, float ry, float rz,
                std::int32_t num);
bool find(const Model& m, const Vec& pos, float radius, std::int32_t num);
void check(Model& m, Find& fv, float x, float y, float z, float radius, std::int32_t maxnum);
void rotate_scan(Model& m, const Find& fv, float x, float y, float z, float rx, float ry,
                 float rz, std::int32_t maxnum);
// The subdivided quad, texture coordinates and normals straight to OpenGL.
void multiquad(Model& m, float width, float height, std::int32_t numdiv);

}  // namespace refgeom
