// Interposed OpenGL/GLU entry points: record, then forward to the real
// library.  See gltrace.h.
#include "tests/support/gltrace.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace gltrace {
namespace {
bool g_record = false;
bool g_forward = true;
int g_depth = 0;  // > 0 while inside a traced GLU call
std::vector<Call> g_calls;
std::uint64_t g_count = 0;
GLuint g_next_name = 1;
float g_sink_matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

void* real(const char* name) {
    void* p = dlsym(RTLD_NEXT, name);
    if (p == nullptr) {
        std::fprintf(stderr, "gltrace: %s not found in the OpenGL libraries\n", name);
        std::abort();
    }
    return p;
}

void rec(const char* name, std::initializer_list<double> args, const float* extra = nullptr,
         int n_extra = 0) {
    if (g_depth > 0) return;
    ++g_count;
    if (!g_record) return;
    Call c{name, std::vector<double>(args)};
    for (int i = 0; i < n_extra; ++i) c.args.push_back(extra[i]);
    g_calls.push_back(std::move(c));
}

int light_param_count(GLenum pname) {
    switch (pname) {
    case GL_AMBIENT: case GL_DIFFUSE: case GL_SPECULAR: case GL_POSITION: return 4;
    case GL_SPOT_DIRECTION: return 3;
    default: return 1;
    }
}
}  // namespace

void set_recording(bool on) { g_record = on; }
void set_forwarding(bool on) { g_forward = on; }
bool recording() { return g_record; }
bool forwarding() { return g_forward; }
const std::vector<Call>& calls() { return g_calls; }
void clear() {
    g_calls.clear();
    g_count = 0;
}
std::uint64_t call_count() { return g_count; }
void set_sink_matrix(const float m[16]) { std::memcpy(g_sink_matrix, m, sizeof g_sink_matrix); }

std::string to_string(const Call& c) {
    std::string s = c.name + "(";
    char buf[64];
    for (std::size_t i = 0; i < c.args.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%s%.9g", i ? ", " : "", c.args[i]);
        s += buf;
    }
    return s + ")";
}
std::string to_string(const std::vector<Call>& cs) {
    std::string s;
    for (const auto& c : cs) s += to_string(c) + "\n";
    return s;
}

Scope::Scope(bool forward) : old_rec_(g_record), old_fwd_(g_forward) {
    clear();
    g_record = true;
    g_forward = forward;
}
Scope::~Scope() {
    g_record = old_rec_;
    g_forward = old_fwd_;
}

}  // namespace gltrace

using namespace gltrace;

#define REAL(fn) (reinterpret_cast<decltype(&::fn)>(gltrace_real_##fn()))
#define DEFINE_REAL(fn)                                   \
    static void* gltrace_real_##fn() {                    \
        static void* p = gltrace::real(#fn);              \
        return p;                                         \
    }
#define D(x) static_cast<double>(x)

// Each traced entry point: record, then forward when forwarding is on.
#define TRACE0(fn)                                   \
    DEFINE_REAL(fn)                                  \
    extern "C" void fn() {                           \
        rec(#fn, {});                                \
        if (g_forward) REAL(fn)();                   \
    }
#define TRACE1(fn, T1)                               \
    DEFINE_REAL(fn)                                  \
    extern "C" void fn(T1 a) {                       \
        rec(#fn, {D(a)});                            \
        if (g_forward) REAL(fn)(a);                  \
    }
#define TRACE2(fn, T1, T2)                           \
    DEFINE_REAL(fn)                                  \
    extern "C" void fn(T1 a, T2 b) {                 \
        rec(#fn, {D(a), D(b)});                      \
        if (g_forward) REAL(fn)(a, b);               \
    }
#define TRACE3(fn, T1, T2, T3)                       \
    DEFINE_REAL(fn)                                  \
    extern "C" void fn(T1 a, T2 b, T3 c) {           \
        rec(#fn, {D(a), D(b), D(c)});                \
        if (g_forward) REAL(fn)(a, b, c);            \
    }
#define TRACE4(fn, T1, T2, T3, T4)                   \
    DEFINE_REAL(fn)                                  \
    extern "C" void fn(T1 a, T2 b, T3 c, T4 d) {     \
        rec(#fn, {D(a), D(b), D(c), D(d)});          \
        if (g_forward) REAL(fn)(a, b, c, d);         \
    }

TRACE1(glBegin, GLenum)
TRACE0(glEnd)
TRACE3(glVertex3f, GLfloat, GLfloat, GLfloat)
TRACE2(glTexCoord2f, GLfloat, GLfloat)
TRACE3(glNormal3f, GLfloat, GLfloat, GLfloat)
TRACE1(glClear, GLbitfield)
TRACE0(glLoadIdentity)
TRACE4(glClearColor, GLfloat, GLfloat, GLfloat, GLfloat)
TRACE4(glViewport, GLint, GLint, GLsizei, GLsizei)
TRACE1(glMatrixMode, GLenum)
TRACE1(glClearDepth, GLclampd)
TRACE1(glEnable, GLenum)
TRACE1(glDisable, GLenum)
TRACE1(glDepthFunc, GLenum)
TRACE4(glColor4f, GLfloat, GLfloat, GLfloat, GLfloat)
TRACE2(glBlendFunc, GLenum, GLenum)
TRACE2(glLightModeli, GLenum, GLint)
TRACE2(glHint, GLenum, GLenum)
TRACE1(glPointSize, GLfloat)
TRACE1(glCullFace, GLenum)
TRACE1(glFrontFace, GLenum)
TRACE2(glAlphaFunc, GLenum, GLclampf)
TRACE1(glDepthMask, GLboolean)
TRACE1(glPushAttrib, GLbitfield)
TRACE0(glPopAttrib)
TRACE0(glPushMatrix)
TRACE0(glPopMatrix)
TRACE3(glTranslated, GLdouble, GLdouble, GLdouble)
TRACE3(glTranslatef, GLfloat, GLfloat, GLfloat)
TRACE4(glRotatef, GLfloat, GLfloat, GLfloat, GLfloat)
TRACE2(glBindTexture, GLenum, GLuint)
TRACE2(glPixelStorei, GLenum, GLint)
TRACE3(glTexParameteri, GLenum, GLenum, GLint)
TRACE2(glNewList, GLuint, GLenum)
TRACE0(glEndList)
TRACE0(glFlush)
TRACE0(glFinish)

DEFINE_REAL(glOrtho)
extern "C" void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
    rec("glOrtho", {l, r, b, t, n, f});
    if (g_forward) REAL(glOrtho)(l, r, b, t, n, f);
}

DEFINE_REAL(glLightfv)
extern "C" void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    rec("glLightfv", {D(light), D(pname)}, params, light_param_count(pname));
    if (g_forward) REAL(glLightfv)(light, pname, params);
}

DEFINE_REAL(glGetFloatv)
extern "C" void glGetFloatv(GLenum pname, GLfloat* out) {
    rec("glGetFloatv", {D(pname)});
    if (g_forward) {
        REAL(glGetFloatv)(pname, out);
    } else if (pname == GL_MODELVIEW_MATRIX || pname == GL_PROJECTION_MATRIX) {
        std::memcpy(out, g_sink_matrix, sizeof g_sink_matrix);
    } else {
        out[0] = 0;
    }
}

DEFINE_REAL(glGenTextures)
extern "C" void glGenTextures(GLsizei n, GLuint* names) {
    rec("glGenTextures", {D(n)});
    if (g_forward) {
        REAL(glGenTextures)(n, names);
    } else {
        for (GLsizei i = 0; i < n; ++i) names[i] = g_next_name++;
    }
}

DEFINE_REAL(glGenLists)
extern "C" GLuint glGenLists(GLsizei n) {
    rec("glGenLists", {D(n)});
    if (g_forward) return REAL(glGenLists)(n);
    const GLuint first = g_next_name;
    g_next_name += static_cast<GLuint>(n);
    return first;
}

DEFINE_REAL(glTexImage2D)
extern "C" void glTexImage2D(GLenum target, GLint level, GLint internal, GLsizei w, GLsizei h,
                             GLint border, GLenum format, GLenum type, const GLvoid* data) {
    rec("glTexImage2D", {D(target), D(level), D(internal), D(w), D(h), D(border), D(format), D(type)});
    if (g_forward) REAL(glTexImage2D)(target, level, internal, w, h, border, format, type, data);
}

DEFINE_REAL(gluPerspective)
extern "C" void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zn, GLdouble zf) {
    rec("gluPerspective", {fovy, aspect, zn, zf});
    if (g_forward) {
        ++g_depth;
        REAL(gluPerspective)(fovy, aspect, zn, zf);
        --g_depth;
    }
}

DEFINE_REAL(gluBuild2DMipmaps)
extern "C" GLint gluBuild2DMipmaps(GLenum target, GLint components, GLsizei w, GLsizei h,
                                   GLenum format, GLenum type, const void* data) {
    rec("gluBuild2DMipmaps", {D(target), D(components), D(w), D(h), D(format), D(type)});
    if (!g_forward) return 0;
    ++g_depth;
    const GLint r = REAL(gluBuild2DMipmaps)(target, components, w, h, format, type, data);
    --g_depth;
    return r;
}

// Queries of integer state (the texture loaders read the unpack alignment to
// restore it).  The null sink answers 4 for the pack and unpack alignments, 0
// otherwise.
DEFINE_REAL(glGetIntegerv)
extern "C" void glGetIntegerv(GLenum pname, GLint* out) {
    rec("glGetIntegerv", {D(pname)});
    if (g_forward) {
        REAL(glGetIntegerv)(pname, out);
    } else {
        out[0] = (pname == GL_UNPACK_ALIGNMENT || pname == GL_PACK_ALIGNMENT) ? 4 : 0;
    }
}
