// Writes the program's eight texture pictures as 24-bit bottom-up BMP files
// (bmp112.bmp, bmp113.bmp, bmp124.bmp ... bmp129.bmp) into the folder given
// as the only argument (default: the current folder).
//
//   112   64 x 64   the sun: a yellow-white disc on black
//   113  256 x 256  black sky with small white and grey stars
//   124  128 x 128  large soft glow
//   125  128 x 128  small glow: bright point, faint halo
//   126  128 x 128  large bright disc with a soft edge
//   127  128 x 128  thin bright ring
//   128  128 x 128  disc bright at its rim, dark at its centre
//   129  128 x 128  thick ring, soft inner gradient, dark centre
//
// The grey pictures have red = green = blue. Every picture keeps a black
// border, so that blended additively it shows no square edge. The output is
// the same on every run and every machine: no clock, no library generator.
//
// Standalone on purpose (no project headers): build it with any C++17
// compiler and run it when the pictures are to change.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Image {
    int width = 0, height = 0;
    std::vector<double> r, g, b;  // 0..1, row 0 at the top

    Image(int w, int h) : width(w), height(h), r(std::size_t(w) * h), g(r), b(r) {}
    std::size_t at(int x, int y) const { return std::size_t(y) * width + x; }
};

double clamp01(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }

// 0 below e0, 1 above e1, a smooth cubic between.
double smoothstep(double e0, double e1, double v) {
    const double t = clamp01((v - e0) / (e1 - e0));
    return t * t * (3.0 - 2.0 * t);
}

// Fills a square grey picture with f(radius in pixels from the centre),
// averaging 4 x 4 samples per pixel so that thin rings and edges are smooth.
template <typename F>
Image radialGrey(int size, F f) {
    Image img(size, size);
    const double c = size / 2.0;
    constexpr int S = 4;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double sum = 0.0;
            for (int sy = 0; sy < S; ++sy) {
                for (int sx = 0; sx < S; ++sx) {
                    const double px = x + (sx + 0.5) / S - c;
                    const double py = y + (sy + 0.5) / S - c;
                    sum += clamp01(f(std::sqrt(px * px + py * py)));
                }
            }
            const double v = sum / (S * S);
            img.r[img.at(x, y)] = img.g[img.at(x, y)] = img.b[img.at(x, y)] = v;
        }
    }
    return img;
}

Image sun() {
    // Yellow-white disc of radius 28 with a soft limb, a little warmer and
    // dimmer towards its edge; black from radius 29.5 out.
    constexpr int Size = 64;
    Image img(Size, Size);
    const double c = Size / 2.0;
    constexpr int S = 4;
    for (int y = 0; y < Size; ++y) {
        for (int x = 0; x < Size; ++x) {
            double rr = 0, gg = 0, bb = 0;
            for (int sy = 0; sy < S; ++sy) {
                for (int sx = 0; sx < S; ++sx) {
                    const double px = x + (sx + 0.5) / S - c;
                    const double py = y + (sy + 0.5) / S - c;
                    const double r = std::sqrt(px * px + py * py);
                    const double t = clamp01(r / 28.0);
                    const double cover = 1.0 - smoothstep(26.0, 29.5, r);
                    const double light = 1.0 - 0.12 * t * t;
                    rr += cover * light * 1.0;
                    gg += cover * light * (0.99 - 0.07 * t * t);
                    bb += cover * light * (0.93 - 0.25 * t * t);
                }
            }
            img.r[img.at(x, y)] = rr / (S * S);
            img.g[img.at(x, y)] = gg / (S * S);
            img.b[img.at(x, y)] = bb / (S * S);
        }
    }
    return img;
}

// A small fixed generator (xorshift32), so that the sky is the same everywhere.
struct Generator {
    std::uint32_t state;
    std::uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    double fraction() { return next() / 4294967296.0; }  // 0 <= f < 1
};

Image stars() {
    // About 230 stars on 65536 pixels; one in eight is a little larger (a
    // faint cross around it). Neighbours wrap around the edges because the
    // picture is tiled.
    constexpr int Size = 256;
    constexpr int Count = 230;
    Image img(Size, Size);
    Generator gen{0x48a1b2c3u};
    auto add = [&img](int x, int y, double r, double g, double b) {
        x = (x + Size) % Size;
        y = (y + Size) % Size;
        const std::size_t i = img.at(x, y);
        img.r[i] = clamp01(img.r[i] + r);
        img.g[i] = clamp01(img.g[i] + g);
        img.b[i] = clamp01(img.b[i] + b);
    };
    for (int k = 0; k < Count; ++k) {
        const int x = int(gen.fraction() * Size);
        const int y = int(gen.fraction() * Size);
        // Mostly dim grey stars, a few bright white ones.
        const double u = gen.fraction();
        const double level = 0.25 + 0.75 * u * u * u;
        // A faint tint on some: bluish or warm white.
        const double tint = gen.fraction();
        double r = level, g = level, b = level;
        if (tint < 0.15) {
            r *= 0.88;
            g *= 0.93;
        } else if (tint > 0.88) {
            b *= 0.86;
            g *= 0.96;
        }
        add(x, y, r, g, b);
        if (gen.fraction() < 0.125) {
            const double f = 0.3;
            add(x - 1, y, r * f, g * f, b * f);
            add(x + 1, y, r * f, g * f, b * f);
            add(x, y - 1, r * f, g * f, b * f);
            add(x, y + 1, r * f, g * f, b * f);
        }
    }
    return img;
}

std::uint8_t toByte(double v) { return static_cast<std::uint8_t>(std::floor(clamp01(v) * 255.0 + 0.5)); }

void put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(std::uint8_t(v & 0xff));
    out.push_back(std::uint8_t((v >> 8) & 0xff));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) out.push_back(std::uint8_t((v >> (8 * k)) & 0xff));
}

// BITMAPFILEHEADER + BITMAPINFOHEADER (BI_RGB, 24 bits), then the rows bottom
// first, each pixel blue, green, red, each row padded with zeros to 4 bytes.
bool writeBmp(const std::string& path, const Image& img) {
    const std::uint32_t stride = (3u * img.width + 3u) & ~3u;
    const std::uint32_t pixelBytes = stride * img.height;
    const std::uint32_t offset = 14 + 40;
    std::vector<std::uint8_t> out;
    out.reserve(offset + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + pixelBytes);  // file size
    put16(out, 0);
    put16(out, 0);
    put32(out, offset);  // pixel data offset
    put32(out, 40);      // info header size
    put32(out, std::uint32_t(img.width));
    put32(out, std::uint32_t(img.height));  // positive: bottom-up
    put16(out, 1);                          // planes
    put16(out, 24);                         // bits per pixel
    put32(out, 0);                          // BI_RGB
    put32(out, pixelBytes);
    put32(out, 2835);  // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int row = img.height - 1; row >= 0; --row) {
        for (int x = 0; x < img.width; ++x) {
            const std::size_t i = img.at(x, row);
            out.push_back(toByte(img.b[i]));
            out.push_back(toByte(img.g[i]));
            out.push_back(toByte(img.r[i]));
        }
        for (std::uint32_t k = 3u * img.width; k < stride; ++k) out.push_back(0);
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? std::string(argv[1]) + "/" : std::string();
    constexpr int G = 128;  // size of the grey pictures, pixels

    struct Entry {
        int id;
        Image image;
    };
    const Entry pictures[] = {
        {112, sun()},
        {113, stars()},
        // Large soft glow: brightest at the centre, black from radius 62 out.
        {124, radialGrey(G,
                         [](double r) {
                             const double t = clamp01(r / 62.0);
                             return std::pow(1.0 - t * t, 3.0);
                         })},
        // Small glow: a bright point with a faint halo, black from radius 50 out.
        {125, radialGrey(G,
                         [](double r) {
                             const double t = clamp01(r / 50.0);
                             return std::exp(-(r / 3.5) * (r / 3.5)) + 0.2 * std::pow(1.0 - t * t, 4.0);
                         })},
        // Large bright disc with a soft edge from radius 44 to 60.
        {126, radialGrey(G, [](double r) { return 1.0 - smoothstep(44.0, 60.0, r); })},
        // Thin bright ring at radius 52, about 3 pixels wide.
        {127, radialGrey(G,
                         [](double r) {
                             const double d = (r - 52.0) / 1.5;
                             return std::exp(-d * d);
                         })},
        // Disc dark at the centre, brightening towards its rim at 56, soft edge to 60.
        {128, radialGrey(G,
                         [](double r) {
                             const double t = clamp01(r / 56.0);
                             return t * t * (1.0 - smoothstep(56.0, 60.0, r));
                         })},
        // Thick ring: rising softly from radius 16 to 50, sharp-ish outer edge at 54 to 58.5.
        {129, radialGrey(G, [](double r) { return smoothstep(16.0, 50.0, r) * (1.0 - smoothstep(54.0, 58.5, r)); })},
    };

    int failures = 0;
    for (const Entry& e : pictures) {
        const std::string path = dir + "bmp" + std::to_string(e.id) + ".bmp";
        if (!writeBmp(path, e.image)) {
            std::fprintf(stderr, "make_pictures: cannot write %s\n", path.c_str());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
