// The OpenGL call-observing seam for tests and benchmarks.
//
// Linking the `kvx_gltrace` library into an executable defines the OpenGL and
// GLU entry points that Kalvox uses (see GLTRACE_FUNCTIONS in gltrace.cpp) in
// the executable itself, so every call the library makes lands here first,
// before any context exists too.  Each call is recorded (when recording is on)
// and forwarded to the real libGL/libGLU found with dlsym(RTLD_NEXT) (when
// forwarding is on), so state can still be read back with glGet*.  Calls that
// GLU makes inside gluPerspective or gluBuild2DMipmaps are not recorded.
//
// With forwarding off the seam is a null sink: nothing reaches the driver,
// glGen* hand out increasing names and glGetFloatv returns the matrix set
// with set_sink_matrix() (identity by default).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace gltrace {

struct Call {
    std::string name;           // "glVertex3f"
    std::vector<double> args;   // scalar arguments in order; arrays the call
                                // reads (glLightfv's values) are appended;
                                // pointers the call writes are left out
    bool operator==(const Call& o) const { return name == o.name && args == o.args; }
};

// Recording on/off (default off) and forwarding on/off (default on).
void set_recording(bool on);
void set_forwarding(bool on);
bool recording();
bool forwarding();

// The calls recorded since the last clear().
const std::vector<Call>& calls();
void clear();
// Number of traced calls made (recorded or not) since the last clear().
std::uint64_t call_count();

// Null-sink answer for glGetFloatv(GL_MODELVIEW_MATRIX / GL_PROJECTION_MATRIX).
void set_sink_matrix(const float m[16]);

// Human-readable form, e.g. "glTranslatef(0, 0, -30)"; floats printed with
// enough digits to round-trip.
std::string to_string(const Call& c);
std::string to_string(const std::vector<Call>& calls);

// RAII helper: records (and optionally forwards) for its lifetime.
class Scope {
public:
    explicit Scope(bool forward = true);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    bool old_rec_, old_fwd_;
};

}  // namespace gltrace
