// Draws the program's icon from its own texture pictures (the star tile, the
// sun, the large glow and the glare's ring and disc of host/resources/) and
// writes it in the sizes the desktops and Windows want:
//
//   <resources>/icons/halvorn-<N>.png   N = 16, 32, 48, 64, 128, 256 (the
//                                        Linux menu's icon, hicolor theme)
//   <win32>/halvorn.ico                 16, 32 and 48 as 32-bit bitmaps, 256
//                                        as PNG (icon 100 of Halvorn.scr)
//
//   make_icon <repo>/host/resources <repo>/host/win32
//
// A square of deep space: the star tile, the sun with its glow in the upper
// left, and two glare elements on the line from the sun through the centre,
// as the battle's lens glare draws them. Every pixel is 4 x 4 samples of the
// pictures, read with bilinear filtering, so the small sizes stay smooth.
// Like make_pictures, it is built but never run by the build: its output is
// kept in the repository, and it runs again only when the icon is to change.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "png_io.h"

namespace {

// A picture of the repository, channels 0..1, row 0 at the top.
struct Picture {
    int width = 0, height = 0;
    std::vector<float> rgb;

    // Bilinear sample at (u, v) in 0..1 of the picture; black outside it.
    void sample(double u, double v, double out[3]) const {
        const double x = u * width - 0.5, y = v * height - 0.5;
        const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
        const double fx = x - x0, fy = y - y0;
        out[0] = out[1] = out[2] = 0.0;
        for (int k = 0; k < 4; ++k) {
            const int px = x0 + (k & 1), py = y0 + (k >> 1);
            if (px < 0 || py < 0 || px >= width || py >= height) continue;
            const double w = ((k & 1) ? fx : 1.0 - fx) * ((k >> 1) ? fy : 1.0 - fy);
            const float* p = &rgb[(static_cast<std::size_t>(py) * width + px) * 3];
            for (int c = 0; c < 3; ++c) out[c] += w * p[c];
        }
    }
};

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}

// Reads one of the 24-bit bottom-up bitmaps make_pictures writes.
bool readBmp(const std::string& path, Picture* pic) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::vector<std::uint8_t> b;
    for (int c; (c = std::fgetc(f)) != EOF;) b.push_back(static_cast<std::uint8_t>(c));
    std::fclose(f);
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || (b[28] | (b[29] << 8)) != 24) return false;
    const std::uint32_t offset = le32(b, 10);
    pic->width = static_cast<int>(le32(b, 18));
    pic->height = static_cast<int>(le32(b, 22));
    const std::size_t stride = (3u * pic->width + 3u) & ~3u;
    if (pic->width <= 0 || pic->height <= 0 || b.size() < offset + stride * pic->height) return false;
    pic->rgb.resize(static_cast<std::size_t>(pic->width) * pic->height * 3);
    for (int y = 0; y < pic->height; ++y) {
        const std::uint8_t* row = &b[offset + stride * (pic->height - 1 - y)];
        for (int x = 0; x < pic->width; ++x) {
            float* p = &pic->rgb[(static_cast<std::size_t>(y) * pic->width + x) * 3];
            p[0] = row[3 * x + 2] / 255.0f;
            p[1] = row[3 * x + 1] / 255.0f;
            p[2] = row[3 * x] / 255.0f;
        }
    }
    return true;
}

struct Pictures {
    Picture stars, sun, glow, ring, disc;
};

// One sprite of the icon: a picture centred at (cx, cy) with the given size,
// all in icon widths, added with a colour.
struct Sprite {
    const Picture* picture;
    double cx, cy, size;
    double tint[3];
};

// The icon's colour at (x, y) in 0..1 of its width.
void iconColour(const Pictures& p, double x, double y, double out[3]) {
    // Half the star tile over the icon: the stars a little larger than in the sky.
    p.stars.sample(0.1 + x * 0.5, 0.2 + y * 0.5, out);
    for (int k = 0; k < 3; ++k) out[k] *= 0.9;
    const Sprite sprites[] = {
        {&p.glow, 0.34, 0.34, 0.95, {0.55, 0.42, 0.22}},
        {&p.sun, 0.34, 0.34, 0.46, {1.0, 1.0, 1.0}},
        {&p.ring, 0.70, 0.70, 0.34, {0.25, 0.45, 0.65}},
        {&p.disc, 0.86, 0.86, 0.14, {0.45, 0.30, 0.15}},
    };
    for (const Sprite& s : sprites) {
        double c[3];
        s.picture->sample((x - s.cx) / s.size + 0.5, (y - s.cy) / s.size + 0.5, c);
        for (int k = 0; k < 3; ++k) out[k] += c[k] * s.tint[k];
    }
    for (int k = 0; k < 3; ++k) out[k] = out[k] > 1.0 ? 1.0 : out[k];
}

RgbImage drawIcon(const Pictures& p, int size) {
    RgbImage img(size, size);
    constexpr int S = 4;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double sum[3] = {0, 0, 0};
            for (int s = 0; s < S * S; ++s) {
                double c[3];
                iconColour(p, (x + (s % S + 0.5) / S) / size, (y + (s / S + 0.5) / S) / size, c);
                for (int k = 0; k < 3; ++k) sum[k] += c[k];
            }
            for (int k = 0; k < 3; ++k) img.at(x, y)[k] = static_cast<std::uint8_t>(sum[k] / (S * S) * 255.0 + 0.5);
        }
    }
    return img;
}

void put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(std::uint8_t(v & 0xff));
    out.push_back(std::uint8_t((v >> 8) & 0xff));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) out.push_back(std::uint8_t((v >> (8 * k)) & 0xff));
}

// An icon image as Windows stores it: BITMAPINFOHEADER with twice the height,
// 32-bit BGRA rows bottom first (opaque), then the AND mask (all zero).
std::vector<std::uint8_t> iconDib(const RgbImage& img) {
    std::vector<std::uint8_t> out;
    const std::uint32_t maskStride = ((img.width + 31) / 32) * 4;
    put32(out, 40);
    put32(out, std::uint32_t(img.width));
    put32(out, std::uint32_t(img.height * 2));
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);  // BI_RGB
    put32(out, std::uint32_t(img.width * img.height * 4 + maskStride * img.height));
    for (int k = 0; k < 4; ++k) put32(out, 0);
    for (int y = img.height - 1; y >= 0; --y) {
        for (int x = 0; x < img.width; ++x) {
            const std::uint8_t* p = img.at(x, y);
            out.insert(out.end(), {p[2], p[1], p[0], 255});
        }
    }
    out.insert(out.end(), maskStride * img.height, 0);
    return out;
}

bool readFile(const std::string& path, std::vector<std::uint8_t>* bytes) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    for (int c; (c = std::fgetc(f)) != EOF;) bytes->push_back(static_cast<std::uint8_t>(c));
    return std::fclose(f) == 0;
}

// ICONDIR, one ICONDIRENTRY per image, then the images.
bool writeIco(const std::string& path, const std::vector<std::pair<int, std::vector<std::uint8_t>>>& images) {
    std::vector<std::uint8_t> out;
    put16(out, 0);
    put16(out, 1);  // icon
    put16(out, unsigned(images.size()));
    std::uint32_t offset = 6 + 16 * std::uint32_t(images.size());
    for (const auto& [size, data] : images) {
        out.push_back(std::uint8_t(size >= 256 ? 0 : size));  // 0 means 256
        out.push_back(std::uint8_t(size >= 256 ? 0 : size));
        out.push_back(0);  // no palette
        out.push_back(0);
        put16(out, 1);   // planes
        put16(out, 32);  // bits per pixel
        put32(out, std::uint32_t(data.size()));
        put32(out, offset);
        offset += std::uint32_t(data.size());
    }
    for (const auto& image : images) out.insert(out.end(), image.second.begin(), image.second.end());
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_icon <repo>/host/resources <repo>/host/win32\n");
        return 2;
    }
    const std::string resources = argv[1], win32 = argv[2];
    Pictures p;
    const std::pair<Picture*, const char*> inputs[] = {
        {&p.stars, "bmp113.bmp"}, {&p.sun, "bmp112.bmp"}, {&p.glow, "bmp124.bmp"},
        {&p.ring, "bmp127.bmp"},  {&p.disc, "bmp126.bmp"},
    };
    for (const auto& [picture, name] : inputs) {
        if (!readBmp(resources + "/" + name, picture)) {
            std::fprintf(stderr, "make_icon: cannot read %s/%s (run make_pictures first)\n", resources.c_str(), name);
            return 1;
        }
    }
    std::vector<std::pair<int, std::vector<std::uint8_t>>> ico;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const RgbImage img = drawIcon(p, size);
        const std::string png = resources + "/icons/halvorn-" + std::to_string(size) + ".png";
        std::string error;
        if (!writePng(png, img, &error)) {
            std::fprintf(stderr, "make_icon: %s: %s\n", png.c_str(), error.c_str());
            return 1;
        }
        if (size <= 48) ico.emplace_back(size, iconDib(img));
        if (size == 256) {
            std::vector<std::uint8_t> bytes;
            if (!readFile(png, &bytes)) return 1;
            ico.emplace_back(size, bytes);
        }
        std::printf("wrote %s\n", png.c_str());
    }
    if (!writeIco(win32 + "/halvorn.ico", ico)) {
        std::fprintf(stderr, "make_icon: cannot write %s/halvorn.ico\n", win32.c_str());
        return 1;
    }
    std::printf("wrote %s/halvorn.ico\n", win32.c_str());
    return 0;
}
