// The plain model of the vertex table: see reference_geometry.h.
#include "tests/support/reference_geometry.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>

namespace refgeom {
namespace {
using L = long double;

int idx(std::int32_t slot) {
    if (slot < 1 || slot > SLOTS) std::abort();
    return slot - 1;
}
}  // namespace

float degtorad(float degree) {
    const L pi = 3.141592653589793238462643383279502884L;
    L a = degree;
    a = a * pi;
    a = a / 180;
    return static_cast<float>(a);
}

void euler(const Vec& rad, float m[3][3]) {
    const float cr = static_cast<float>(std::cos(L(rad.X)));
    const float sr = static_cast<float>(std::sin(L(rad.X)));
    const float cp = static_cast<float>(std::cos(L(rad.Y)));
    const float sp = static_cast<float>(std::sin(L(rad.Y)));
    const float cy = static_cast<float>(std::cos(L(rad.Z)));
    const float sy = static_cast<float>(std::sin(L(rad.Z)));
    m[0][0] = static_cast<float>(L(cy) * L(cp));
    m[0][1] = static_cast<float>(L(sy) * L(cp));
    m[0][2] = -sp;
    if (m[0][2] == 0) m[0][2] = 0.0f;
    const float srsp = static_cast<float>(L(sp) * L(sr));
    const float crsp = static_cast<float>(L(sp) * L(cr));
    m[1][0] = static_cast<float>(L(cy) * L(srsp) - L(sy) * L(cr));
    m[1][1] = static_cast<float>(L(sy) * L(srsp) + L(cy) * L(cr));
    m[1][2] = static_cast<float>(L(cp) * L(sr));
    m[2][0] = static_cast<float>(L(cy) * L(crsp) + L(sy) * L(sr));
    m[2][1] = static_cast<float>(L(sy) * L(crsp) - L(cy) * L(sr));
    m[2][2] = static_cast<float>(L(cp) * L(cr));
}

Vec rotate_vec(const Vec& v, const float m[3][3]) {
    Vec r;
    L s = L(m[0][0]) * L(v.X);
    s = s + L(m[1][0]) * L(v.Y);
    s = s + L(m[2][0]) * L(v.Z);
    r.X = static_cast<float>(s);
    s = L(m[0][1]) * L(v.X);
    s = s + L(m[1][1]) * L(v.Y);
    s = s + L(m[2][1]) * L(v.Z);
    r.Y = static_cast<float>(s);
    s = L(m[0][2]) * L(v.X);
    s = s + L(m[1][2]) * L(v.Y);
    s = s + L(m[2][2]) * L(v.Z);
    r.Z = static_cast<float>(s);
    return r;
}

void normal(double out[3], double v1x, double v1y, double v1z, double v2x, double v2y,
            double v2z, double v3x, double v3y, double v3z) {
    const double a1 = static_cast<double>(L(v1x) - L(v2x));
    const double a2 = static_cast<double>(L(v1y) - L(v2y));
    const double a3 = static_cast<double>(L(v1z) - L(v2z));
    const double b1 = static_cast<double>(L(v2x) - L(v3x));
    const double b2 = static_cast<double>(L(v2y) - L(v3y));
    const double b3 = static_cast<double>(L(v2z) - L(v3z));
    out[0] = static_cast<double>(L(a2) * L(b3) - L(a3) * L(b2));
    out[1] = static_cast<double>(L(a3) * L(b1) - L(a1) * L(b3));
    out[2] = static_cast<double>(L(a1) * L(b2) - L(a2) * L(b1));
    float len = static_cast<float>(
        std::sqrt(L(out[0]) * L(out[0]) + L(out[1]) * L(out[1]) + L(out[2]) * L(out[2])));
    if (len == 0) len = 1;
    for (int i = 0; i < 3; ++i) out[i] = static_cast<double>(L(out[i]) / L(len));
}

void install(Model& m, const Table& vert, std::int32_t maxnum) {
    m.table = vert;
    m.table.setnum = maxnum + 1;
}

void begin(Model& m, unsigned mode) {
    if (!m.remove) glBegin(mode);
    m.table.max = m.table.setnum;
}

void vertex(Model& m, float x, float y, float z) {
    if (!m.edit) {
        if (!m.remove) glVertex3f(x, y, z);
        return;
    }
    Table& t = m.table;
    if (t.count < t.max) t.count = t.count + 1;
    const int c = idx(t.count);
    t.offset[c] = Vec{x, y, z};
    if (t.scale[c].X == 0 && t.scale[c].Y == 0 && t.scale[c].Z == 0) t.scale[c] = Vec{1, 1, 1};
    t.vert[c].X = static_cast<float>(L(t.scale[c].X) * L(x) + L(t.tmp[c].X));
    t.vert[c].Y = static_cast<float>(L(t.scale[c].Y) * L(y) + L(t.tmp[c].Y));
    t.vert[c].Z = static_cast<float>(L(t.scale[c].Z) * L(z) + L(t.tmp[c].Z));
    Vec moved;
    moved.X = static_cast<float>(L(t.posrot[c].X) + L(t.vert[c].X));
    moved.Y = static_cast<float>(L(t.posrot[c].Y) + L(t.vert[c].Y));
    moved.Z = static_cast<float>(L(t.posrot[c].Z) + L(t.vert[c].Z));
    const Vec rad{degtorad(t.rotate[c].X), degtorad(t.rotate[c].Y), degtorad(t.rotate[c].Z)};
    float mat[3][3];
    euler(rad, mat);
    t.vert[c] = rotate_vec(moved, mat);
    if (!m.remove) glVertex3f(t.vert[c].X, t.vert[c].Y, t.vert[c].Z);
}

void end(Model& m) {
    if (!m.remove) glEnd();
}

void set_rotate(Model& m, float x, float y, float z, float rx, float ry, float rz,
                std::int32_t num) {
    if (!m.edit) return;
    const int c = idx(num);
    m.table.posrot[c] = Vec{x, y, z};
    m.table.rotate[c] = Vec{rx, ry, rz};
}

bool find(const Model& m, const Vec& pos, float radius, std::int32_t num) {
    if (!m.edit) return false;
    const Vec& p = m.table.offset[idx(num)];
    const float dx = static_cast<float>(L(pos.X) - L(p.X));
    const float dy = static_cast<float>(L(pos.Y) - L(p.Y));
    const float dz = static_cast<float>(L(pos.Z) - L(p.Z));
    L sum = L(dx) * L(dx);
    sum = sum + L(dy) * L(dy);
    sum = sum + L(dz) * L(dz);
    return L(radius) * L(radius) > sum;
}

void check(Model& m, Find& fv, float x, float y, float z, float radius, std::int32_t maxnum) {
    if (!m.edit) return;
    for (std::int32_t i = 1; i <= maxnum; ++i) fv.rotate[idx(i)] = find(m, Vec{x, y, z}, radius, i);
}

void rotate_scan(Model& m, const Find& fv, float x, float y, float z, float rx, float ry,
                 float rz, std::int32_t maxnum) {
    if (!m.edit) return;
    for (std::int32_t i = 1; i <= maxnum; ++i)
        if (fv.rotate[idx(i)]) set_rotate(m, x, y, z, rx, ry, rz, i);
}

void multiquad(Model& m, float width, float height, std::int32_t numdiv) {
    begin(m, GL_QUADS);
    for (std::int32_t i = 0; i < numdiv; ++i) {
        const float y = static_cast<float>(L(i) * (L(height) / L(numdiv)));
        const float h = static_cast<float>(L(height) / L(numdiv));
        const float ty1 = static_cast<float>(L(i) * (1 / L(numdiv)) + 1);
        const float ty2 = static_cast<float>(L(i) * (1 / L(numdiv)) + 1 / L(numdiv));
        const float x1 = static_cast<float>(0 - L(width)), x2 = static_cast<float>(0 + L(width));
        const float y2 = static_cast<float>(L(y) + L(h));
        double n[3];
        normal(n, x1, y, 0, x2, y, 0, x2, y2, 0);
        glNormal3f(static_cast<float>(n[0]), static_cast<float>(n[1]), static_cast<float>(n[2]));
        glTexCoord2f(0, ty1);
        vertex(m, x1, y, 0);
        glTexCoord2f(1, ty1);
        vertex(m, x2, y, 0);
        const float top = static_cast<float>(1 + L(ty2));
        glTexCoord2f(1, top);
        vertex(m, x2, y2, 0);
        glTexCoord2f(0, top);
        vertex(m, x1, y2, 0);
    }
    end(m);
}

}  // namespace refgeom
