// gen_meadow_data: paints the meadow demo's two data files.
//
//   gen_meadow_data <output directory>
//
// writes <dir>/rockgrass.bmp and <dir>/grass.tga:
//
// - "rockgrass.bmp": the ground, 512 x 512, 24-bit bottom-up Windows BMP
//   (BITMAPFILEHEADER + 40-byte BITMAPINFOHEADER, BI_RGB).  Rocky brown-grey
//   soil with scattered shaded stones and green grass patches.  Every feature is
//   periodic over the image (periodic value noise, stones drawn with wrap-around)
//   so the picture tiles seamlessly; the demo repeats it three times each way.
//   Detail is kept coarse enough for a texture seen from far away without
//   mipmaps.
// - "grass.tga": one grass tuft, 256 x 256, 32-bit run-length encoded TGA
//   (image type 10, no image ID, no colour map, origin 0,0, descriptor 0x08:
//   8 alpha bits, bottom-left origin).  Tapered blades rooted at the bottom
//   of the picture (the foot of the tuft); alpha is 255 on the blades and 0
//   everywhere else, never in between, so the demo's alpha test gives clean
//   silhouettes.  Transparent pixels are dark green so that linear filtering
//   at the silhouette does not bleed a foreign colour.  Every edge row and
//   column stays clear, the bottom row included (the roots start on the row
//   above it): the texture repeats, and at the tuft's top edge (t = 2) linear
//   filtering mixes the top row with the bottom row, so opaque roots there
//   would put a dotted line of half-alpha texels above every tuft.
//
// Output is byte-identical on every run: fixed seeds, a 64-bit integer hash for
// randomness and only IEEE-exact double operations (+, -, *, /, sqrt; no
// transcendental functions).  Depends on tools/data_writers.h.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/data_writers.h"

namespace {

// ------------------------------------------------------------- randomness
std::uint64_t mix64(std::uint64_t z) {
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

struct Rng {
    std::uint64_t state;
    explicit Rng(std::uint64_t seed) : state(seed) {}
    std::uint64_t next() { return mix64(state++); }
    // Uniform in [0, 1), 53 bits.
    double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * unit(); }
    int irange(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1)); }
};

double clamp01(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }
double smooth(double t) { return t * t * (3.0 - 2.0 * t); }
double smoothstep(double a, double b, double v) { return smooth(clamp01((v - a) / (b - a))); }
double lerp(double a, double b, double t) { return a + (b - a) * t; }

struct Rgb {
    double r, g, b;
};
Rgb mix(const Rgb& a, const Rgb& b, double t) { return {lerp(a.r, b.r, t), lerp(a.g, b.g, t), lerp(a.b, b.b, t)}; }
Rgb scale(const Rgb& a, double k) { return {a.r * k, a.g * k, a.b * k}; }
std::uint8_t to_byte(double v) {
    const double c = v < 0.0 ? 0.0 : (v > 255.0 ? 255.0 : v);
    return static_cast<std::uint8_t>(c + 0.5 > 255.0 ? 255.0 : c + 0.5);
}

// Periodic value noise over a square image of `size` pixels: `cells` lattice
// cells per side (cells divides size), lattice values in [0, 1).
double value_noise(int x, int y, int size, int cells, std::uint64_t seed) {
    const int cell = size / cells;
    const int ix = x / cell, iy = y / cell;
    const double fx = smooth(static_cast<double>(x % cell) / cell);
    const double fy = smooth(static_cast<double>(y % cell) / cell);
    auto lattice = [&](int cx, int cy) {
        const std::uint64_t h = mix64(seed * 0x100000001B3ull ^
                                      (static_cast<std::uint64_t>(cx % cells) << 20) ^
                                      static_cast<std::uint64_t>(cy % cells));
        return static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0);
    };
    const double a = lattice(ix, iy), b = lattice(ix + 1, iy);
    const double c = lattice(ix, iy + 1), d = lattice(ix + 1, iy + 1);
    return lerp(lerp(a, b, fx), lerp(c, d, fx), fy);
}

// Sum of octaves from `cells0` lattice cells upwards, each twice as fine and
// half as strong; result normalised to [0, 1).
double fbm(int x, int y, int size, int cells0, int octaves, std::uint64_t seed) {
    double sum = 0.0, amp = 1.0, norm = 0.0;
    int cells = cells0;
    for (int o = 0; o < octaves && cells <= size; ++o) {
        sum += amp * value_noise(x, y, size, cells, seed + static_cast<std::uint64_t>(o) * 7919u);
        norm += amp;
        amp *= 0.5;
        cells *= 2;
    }
    return sum / norm;
}

// ------------------------------------------------------------- writers
using datafiles::put16;
using datafiles::put32;
using datafiles::write_file;
using datafiles::encode_bmp24;

// rgba: width*height pixels, rows bottom-up, R,G,B,A each.  Run-length packets
// never cross a row: a run packet for 2 or more equal pixels, raw packets for
// the rest, 128 pixels at most per packet.
std::vector<std::uint8_t> encode_tga32_rle(int w, int h, const std::vector<std::uint8_t>& rgba) {
    std::vector<std::uint8_t> v;
    v.push_back(0);   // image ID length
    v.push_back(0);   // no colour map
    v.push_back(10);  // run-length true colour
    for (int i = 0; i < 5; ++i) v.push_back(0);  // colour map fields
    put16(v, 0);                                 // x origin
    put16(v, 0);                                 // y origin
    put16(v, static_cast<unsigned>(w));
    put16(v, static_cast<unsigned>(h));
    v.push_back(32);    // bits per pixel
    v.push_back(0x08);  // 8 alpha bits, bottom-left origin
    auto px = [&](int x, int y) { return &rgba[(static_cast<std::size_t>(y) * w + x) * 4]; };
    auto same = [&](int x0, int x1, int y) {
        const std::uint8_t *a = px(x0, y), *b = px(x1, y);
        return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] == b[3];
    };
    auto emit = [&](const std::uint8_t* p) {
        v.push_back(p[2]);
        v.push_back(p[1]);
        v.push_back(p[0]);
        v.push_back(p[3]);
    };
    for (int y = 0; y < h; ++y) {
        int x = 0;
        while (x < w) {
            int run = 1;
            while (x + run < w && run < 128 && same(x, x + run, y)) ++run;
            if (run >= 2) {
                v.push_back(static_cast<std::uint8_t>(128 + run - 1));
                emit(px(x, y));
                x += run;
                continue;
            }
            int raw = 1;  // extend while the next two pixels do not start a run
            while (x + raw < w && raw < 128 && !(x + raw + 1 < w && same(x + raw, x + raw + 1, y))) ++raw;
            v.push_back(static_cast<std::uint8_t>(raw - 1));
            for (int i = 0; i < raw; ++i) emit(px(x + i, y));
            x += raw;
        }
    }
    return v;
}

// ------------------------------------------------------------- the ground
constexpr int GROUND = 512;

// Shortest periodic difference a - b on a ring of `size`.
double wrap_delta(double a, double b, int size) {
    double d = a - b;
    while (d > size / 2.0) d -= size;
    while (d < -size / 2.0) d += size;
    return d;
}

std::vector<std::uint8_t> paint_ground() {
    const int S = GROUND;
    std::vector<Rgb> img(static_cast<std::size_t>(S) * S);
    std::vector<double> grassiness(img.size());

    const Rgb soil_dark{82, 62, 44}, soil_light{138, 116, 90}, soil_grey{118, 114, 106};
    const Rgb grass_dark{40, 78, 26}, grass_light{92, 138, 46}, grass_dry{128, 128, 62};

    for (int y = 0; y < S; ++y) {
        for (int x = 0; x < S; ++x) {
            const double soil = fbm(x, y, S, 4, 5, 11);
            const double grey = fbm(x, y, S, 4, 3, 23);
            const double patch = fbm(x, y, S, 4, 3, 37);
            const double detail = fbm(x, y, S, 32, 3, 41);
            const double dry = fbm(x, y, S, 8, 2, 53);

            Rgb ground = mix(soil_dark, soil_light, smoothstep(0.25, 0.75, soil));
            ground = mix(ground, soil_grey, 0.6 * smoothstep(0.45, 0.7, grey));
            // Fine grit: small light and dark specks, still several pixels wide.
            ground = scale(ground, 0.86 + 0.28 * detail);

            Rgb grass = mix(grass_dark, grass_light, smoothstep(0.3, 0.75, detail));
            grass = mix(grass, grass_dry, 0.45 * smoothstep(0.55, 0.8, dry));

            // Patch edges are ragged: the detail noise moves the threshold.
            const double g = smoothstep(0.50, 0.58, patch + 0.18 * (detail - 0.5));
            grassiness[static_cast<std::size_t>(y) * S + x] = g;
            img[static_cast<std::size_t>(y) * S + x] = mix(ground, grass, g);
        }
    }

    // Stones: shaded ellipses with a soft shadow, drawn with wrap-around.
    Rng rng(0x57013E5ull);
    const int stones = 90;
    const double lx = -0.45, ly = 0.55, lz = 0.70;  // light from the upper left
    const double ll = std::sqrt(lx * lx + ly * ly + lz * lz);
    for (int s = 0; s < stones; ++s) {
        const double cx = rng.range(0, S), cy = rng.range(0, S);
        const bool big = rng.unit() < 0.25;
        const double ra = big ? rng.range(10, 18) : rng.range(3.5, 9);
        const double rb = ra * rng.range(0.55, 0.95);
        double ax = rng.range(-1, 1), ay = rng.range(-1, 1);
        const double al = std::sqrt(ax * ax + ay * ay) + 1e-9;
        ax /= al;
        ay /= al;
        const double tone = rng.range(112, 172);
        const Rgb base{tone + rng.range(0, 10), tone - rng.range(0, 4), tone - rng.range(4, 16)};
        // Stones in grass are mostly hidden by it: only the larger ones show.
        const std::size_t ci = static_cast<std::size_t>(cy) * S + static_cast<std::size_t>(cx);
        if (!big && grassiness[ci] > 0.6) continue;
        const int reach = static_cast<int>(ra) + 5;
        for (int oy = -reach; oy <= reach; ++oy) {
            for (int ox = -reach; ox <= reach; ++ox) {
                const int px = ((static_cast<int>(cx) + ox) % S + S) % S;
                const int py = ((static_cast<int>(cy) + oy) % S + S) % S;
                const double dx = wrap_delta(px + 0.5, cx, S), dy = wrap_delta(py + 0.5, cy, S);
                // Coordinates along the stone's own axes, scaled to the unit disc.
                const double u = (dx * ax + dy * ay) / ra, v = (-dx * ay + dy * ax) / rb;
                const double d2 = u * u + v * v;
                Rgb& out = img[static_cast<std::size_t>(py) * S + px];
                if (d2 < 1.0) {
                    const double hz = std::sqrt(1.0 - d2);
                    // Normal from the ellipsoid, back in image axes.
                    const double nx = u * ax - v * ay, ny = u * ay + v * ax;
                    const double nl = std::sqrt(nx * nx + ny * ny + hz * hz);
                    const double lambert = clamp01((nx * lx + ny * ly + hz * lz) / (nl * ll));
                    const double mottle = 0.9 + 0.2 * value_noise(px, py, S, 128, 97);
                    Rgb c = scale(base, (0.42 + 0.70 * lambert) * mottle);
                    // Anti-aliased rim.
                    const double edge = smoothstep(1.0, 0.8, d2);
                    out = mix(out, c, edge);
                } else {
                    // Shadow towards the lower right (away from the light).
                    const double sx = dx + 0.25 * ra, sy = dy - 0.25 * ra;
                    const double su = (sx * ax + sy * ay) / (ra * 1.15), sv = (-sx * ay + sy * ax) / (rb * 1.15);
                    const double s2 = su * su + sv * sv;
                    if (s2 < 1.0) out = scale(out, 1.0 - 0.35 * smoothstep(1.0, 0.5, s2));
                }
            }
        }
    }

    // Rows bottom-up: y = 0 is the first stored row.
    std::vector<std::uint8_t> rgb(img.size() * 3);
    for (std::size_t i = 0; i < img.size(); ++i) {
        rgb[i * 3 + 0] = to_byte(img[i].r);
        rgb[i * 3 + 1] = to_byte(img[i].g);
        rgb[i * 3 + 2] = to_byte(img[i].b);
    }
    return rgb;
}

// ------------------------------------------------------------- the tuft
constexpr int TUFT = 256;

struct Blade {
    double root_x, root_w, height, lean, bend;
    Rgb colour;
};

std::vector<std::uint8_t> paint_tuft() {
    const int S = TUFT;
    const Rgb clear{28, 58, 20};  // colour under alpha 0
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(S) * S * 4);
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        rgba[i + 0] = to_byte(clear.r);
        rgba[i + 1] = to_byte(clear.g);
        rgba[i + 2] = to_byte(clear.b);
        rgba[i + 3] = 0;
    }

    Rng rng(0x6EA55ull);
    const int count = 40;
    std::vector<Blade> blades;
    for (int b = 0; b < count; ++b) {
        // Roots gather near the middle (sum of three uniforms).
        const double t = (rng.unit() + rng.unit() + rng.unit()) / 3.0 - 0.5;  // -0.5..0.5
        Blade bl{};
        bl.root_x = S / 2.0 + t * 150.0;
        bl.root_w = rng.range(6.0, 11.0);
        const double centre = 1.0 - 2.0 * (t < 0 ? -t : t);  // 1 in the middle, 0 at the sides
        bl.height = rng.range(0.55, 0.78) * S + centre * rng.range(0.0, 0.2) * S;
        bl.height = std::min(bl.height, S - 8.0);
        bl.lean = t * rng.range(120.0, 220.0) + rng.range(-22.0, 22.0);  // tip offset
        bl.bend = rng.range(0.6, 1.0);  // how late the lean sets in
        const double hue = rng.unit();
        const Rgb a{72, 162, 42}, c{118, 178, 48}, d{54, 148, 58};
        bl.colour = hue < 0.4 ? mix(a, c, rng.unit()) : mix(a, d, rng.unit());
        bl.colour = scale(bl.colour, rng.range(0.85, 1.12));
        blades.push_back(bl);
    }
    // Taller blades behind, shorter in front.
    std::stable_sort(blades.begin(), blades.end(),
                     [](const Blade& p, const Blade& q) { return p.height > q.height; });

    for (const Blade& bl : blades) {
        for (int y = 1; y < S; ++y) {  // row 0 stays clear (see the banner)
            const double f = (y - 0.5) / bl.height;  // 0 at the root, 1 at the tip
            if (f >= 1.0) break;
            // Centre line: the lean grows with a power between 1 and 2 of the height.
            const double curve = lerp(f, f * f, bl.bend);
            const double cx = bl.root_x + bl.lean * curve;
            // Width tapers to a point; a slight bulge above the root.
            const double half = 0.5 * bl.root_w * (1.0 - f) * (1.0 + 0.35 * f * (1.0 - f) * 4.0);
            // Keep one pixel of width near the tip so the point stays connected.
            const double hw = std::max(half, 0.55 * (1.0 - f) + 0.45);
            const int x0 = static_cast<int>(std::floor(cx - hw)), x1 = static_cast<int>(std::ceil(cx + hw));
            for (int x = x0; x <= x1; ++x) {
                if (x < 6 || x >= S - 6) continue;  // side margins stay clear
                const double off = (x + 0.5 - cx) / hw;  // -1..1 across the blade
                if (off <= -1.0 || off >= 1.0) continue;
                // Darker at the root, lighter towards the tip; the right half of
                // the blade (the fold) a little darker than the left.
                const double shade = 0.38 + 0.62 * std::sqrt(f) + (off < 0 ? 0.08 : -0.06) * (1.0 - off * off);
                const Rgb c = scale(bl.colour, shade);
                std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * S + x) * 4];
                p[0] = to_byte(c.r);
                p[1] = to_byte(c.g);
                p[2] = to_byte(c.b);
                p[3] = 255;
            }
        }
    }
    return rgba;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_meadow_data <output directory>\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::string bmp = dir + "/rockgrass.bmp", tga = dir + "/grass.tga";
    if (!write_file(bmp, encode_bmp24(GROUND, GROUND, paint_ground()))) {
        std::fprintf(stderr, "gen_meadow_data: cannot write %s\n", bmp.c_str());
        return 1;
    }
    if (!write_file(tga, encode_tga32_rle(TUFT, TUFT, paint_tuft()))) {
        std::fprintf(stderr, "gen_meadow_data: cannot write %s\n", tga.c_str());
        return 1;
    }
    return 0;
}
