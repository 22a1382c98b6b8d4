// gen_button_pictures: paints the button example's pictures.
//
//   gen_button_pictures <output directory>
//
// writes, for each of the buttons "red" (a disc), "green" (a diamond) and
// "blue" (a five-pointed star), three 72 x 72 24-bit BMP pictures named
// <name>N.BMP (normal), <name>H.BMP (hover) and <name>P.BMP (pressed).
// Everything outside the shape is magenta (0xFF00FF), which the library cuts
// away; no pixel inside the shape comes near magenta.  The normal picture is
// a shaded body with a dark outline and a light emblem; the hover picture is
// brighter with a golden rim; the pressed picture is darker, lit from below
// and shifted two pixels down and right, so it looks pushed in.
// Depends on tools/data_writers.h.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tools/data_writers.h"

namespace {

constexpr int SIZE = 72;
constexpr double CENTRE = (SIZE - 1) / 2.0;

struct Rgb {
    double r, g, b;
};

Rgb mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb scale(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }
constexpr Rgb WHITE{255, 255, 255};
constexpr Rgb GOLD{255, 214, 90};
constexpr Rgb MAGENTA{255, 0, 255};

// Shapes: whether the point (x, y), relative to the centre and measured in
// units of the shape's radius, lies inside.
using Shape = std::function<bool(double, double)>;

bool disc(double x, double y) { return x * x + y * y <= 1.0; }
bool diamond(double x, double y) { return std::fabs(x) + std::fabs(y) <= 1.0; }
bool star(double x, double y) {
    // Even-odd test against the ten corners of a five-pointed star, one
    // point straight up.
    constexpr double PI = 3.14159265358979323846;
    double px[10], py[10];
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 == 0 ? 1.0 : 0.45;
        const double a = -PI / 2 + i * PI / 5;
        px[i] = r * std::cos(a);
        py[i] = r * std::sin(a) + 0.08;  // the star's weight sits a little low
    }
    bool in = false;
    for (int i = 0, j = 9; i < 10; j = i++)
        if ((py[i] > y) != (py[j] > y) &&
            x < (px[j] - px[i]) * (y - py[i]) / (py[j] - py[i]) + px[i])
            in = !in;
    return in;
}

enum class State { Normal, Hover, Pressed };

// Inside test of the body at pixel (x, y): the shape at radius 34.
bool body(const Shape& shape, double x, double y) {
    return shape((x - CENTRE) / 34.0, (y - CENTRE) / 34.0);
}

// Distance in pixels (up to 4) from (x, y) to the outside of the body, by
// probing the shape around the pixel: 0 on the outermost ring.
int depth(const Shape& shape, int x, int y) {
    for (int d = 1; d <= 4; ++d)
        for (int k = 0; k < 16; ++k) {
            const double a = k * 3.14159265358979323846 / 8;
            if (!body(shape, x + d * std::cos(a), y + d * std::sin(a))) return d - 1;
        }
    return 4;
}

std::vector<std::uint8_t> paint(const Shape& shape, Rgb base, State state) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(SIZE) * SIZE * 3);
    const int shift = state == State::Pressed ? 2 : 0;
    for (int y = 0; y < SIZE; ++y)
        for (int x = 0; x < SIZE; ++x) {
            Rgb c = MAGENTA;
            if (body(shape, x, y)) {
                // The content moves with a press; the outline stays.
                const int sx = x - shift, sy = y - shift;
                const double t = static_cast<double>(y) / (SIZE - 1);  // 0 top, 1 bottom
                switch (state) {
                case State::Normal: c = mix(mix(base, WHITE, 0.35), base, t); break;
                case State::Hover: c = mix(mix(base, WHITE, 0.65), mix(base, WHITE, 0.25), t); break;
                case State::Pressed: c = mix(scale(base, 0.45), scale(base, 0.8), t); break;
                }
                // The emblem: the same shape, small, in light grey.
                if (shape((sx - CENTRE) / 13.0, (sy - CENTRE) / 13.0))
                    c = state == State::Pressed ? Rgb{200, 200, 200} : Rgb{245, 245, 245};
                const int d = depth(shape, x, y);
                if (state == State::Hover && d <= 2) c = GOLD;
                else if (d <= 1) c = scale(base, 0.35);
            }
            const std::size_t p = (static_cast<std::size_t>(SIZE - 1 - y) * SIZE + x) * 3;
            rgb[p + 0] = static_cast<std::uint8_t>(std::clamp(c.r, 0.0, 255.0));
            rgb[p + 1] = static_cast<std::uint8_t>(std::clamp(c.g, 0.0, 255.0));
            rgb[p + 2] = static_cast<std::uint8_t>(std::clamp(c.b, 0.0, 255.0));
        }
    return rgb;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_button_pictures <output directory>\n");
        return 2;
    }
    struct Button {
        const char* name;
        Shape shape;
        Rgb base;
    };
    const Button buttons[] = {{"red", disc, {214, 48, 40}},
                              {"green", diamond, {40, 170, 72}},
                              {"blue", star, {48, 96, 214}}};
    const struct {
        const char* suffix;
        State state;
    } states[] = {{"N", State::Normal}, {"H", State::Hover}, {"P", State::Pressed}};
    for (const Button& b : buttons)
        for (const auto& s : states) {
            const std::string path = std::string(argv[1]) + "/" + b.name + s.suffix + ".BMP";
            if (!datafiles::write_file(path, datafiles::encode_bmp24(SIZE, SIZE, paint(b.shape, b.base, s.state)))) {
                std::fprintf(stderr, "gen_button_pictures: cannot write %s\n", path.c_str());
                return 1;
            }
        }
    return 0;
}
