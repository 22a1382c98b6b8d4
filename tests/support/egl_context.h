// A headless OpenGL context for tests and benchmarks: EGL's surfaceless
// platform (Mesa llvmpipe here), compatibility profile, with an offscreen
// framebuffer so pixels can be drawn and read back.
#pragma once

namespace testgl {

// Creates the context (once per process) and makes it current with a
// framebuffer of the given size bound for drawing and reading.  False (with a
// line on standard error) when no context can be made.
bool make_current(int width = 64, int height = 64);

}  // namespace testgl
