// Picture conversion, BMP reading and the embedded pictures; no GL context.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "render/textures.h"

namespace {

struct Rgb {
    int r, g, b;
};

// A parsed embedded picture and its RGB rows (bottom row first).
struct Picture {
    BitmapDesc desc;
    std::vector<unsigned char> rgb;

    Rgb at(int x, int yFromBottom) const {
        const std::size_t i = std::size_t(yFromBottom) * rgbRowStride(desc.width) + 3 * std::size_t(x);
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
    double radiusMax(double r0, double r1) const { return ring(r0, r1, true); }
    double radiusMin(double r0, double r1) const { return ring(r0, r1, false); }

    // Largest or smallest red value of the pixels whose centre lies between
    // radius r0 and r1 from the picture centre.
    double ring(double r0, double r1, bool largest) const {
        double best = largest ? -1 : 256;
        for (int y = 0; y < desc.height; ++y) {
            for (int x = 0; x < desc.width; ++x) {
                const double dx = x + 0.5 - desc.width / 2.0, dy = y + 0.5 - desc.height / 2.0;
                const double r = std::sqrt(dx * dx + dy * dy);
                if (r < r0 || r > r1) continue;
                const double v = at(x, y).r;
                best = largest ? std::max(best, v) : std::min(best, v);
            }
        }
        return best;
    }
};

Picture load(int id) {
    Picture p;
    const EmbeddedPicture* e = findEmbeddedPicture(id);
    EXPECT_NE(e, nullptr) << id;
    if (e == nullptr) return p;
    EXPECT_TRUE(parseBmp(e->bytes, e->size, &p.desc)) << id;
    p.rgb = bitmapToRgb(p.desc);
    return p;
}

// A minimal valid 24-bit BMP of w x h pixels, every pixel (b, g, r) = (1, 2, 3).
std::vector<unsigned char> makeBmp(int w, int h) {
    const std::uint32_t stride = (3u * w + 3u) & ~3u;
    const std::uint32_t size = 54 + stride * h;
    std::vector<unsigned char> f(size, 0);
    auto put32 = [&f](std::size_t at, std::uint32_t v) {
        for (int k = 0; k < 4; ++k) f[at + k] = static_cast<unsigned char>(v >> (8 * k));
    };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, std::uint32_t(w));
    put32(22, std::uint32_t(h));
    f[26] = 1;
    f[28] = 24;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            f[54 + y * stride + 3 * x] = 1;
            f[54 + y * stride + 3 * x + 1] = 2;
            f[54 + y * stride + 3 * x + 2] = 3;
        }
    }
    return f;
}

bool parses(const std::vector<unsigned char>& bytes) {
    // Copy into a buffer of exactly that size, so that a read past it shows
    // under the address sanitizer.
    std::vector<unsigned char> exact(bytes);
    BitmapDesc d;
    return parseBmp(exact.data(), exact.size(), &d);
}

}  // namespace

TEST(BitmapToRgb, RowStrideRoundsUpToFourBytes) {
    EXPECT_EQ(rgbRowStride(1), 4);
    EXPECT_EQ(rgbRowStride(2), 8);
    EXPECT_EQ(rgbRowStride(3), 12);
    EXPECT_EQ(rgbRowStride(5), 16);
    EXPECT_EQ(rgbRowStride(64), 192);
    EXPECT_EQ(rgbRowStride(128), 384);
    EXPECT_EQ(rgbRowStride(256), 768);
    EXPECT_EQ(rgbRowStride(0), 0);
    EXPECT_EQ(rgbRowStride(-4), 0);
    EXPECT_EQ(rgbRowStride(0x7fffffff), 0);
}

TEST(BitmapToRgb, SwapsEachPixelAndLeavesPaddingZero) {
    // 1 x 1: stride 4, one padding byte; the source's padding is garbage.
    const unsigned char one[4] = {10, 20, 30, 99};
    const std::vector<unsigned char> a = bitmapToRgb({1, 1, 24, one});
    EXPECT_EQ(a, (std::vector<unsigned char>{30, 20, 10, 0}));

    // 2 x 2: stride 8, two padding bytes per row; bottom row stays first.
    const unsigned char two[16] = {1, 2, 3, 4, 5, 6, 77, 88, 7, 8, 9, 10, 11, 12, 77, 88};
    const std::vector<unsigned char> b = bitmapToRgb({2, 2, 24, two});
    EXPECT_EQ(b, (std::vector<unsigned char>{3, 2, 1, 6, 5, 4, 0, 0, 9, 8, 7, 12, 11, 10, 0, 0}));

    // 3 x 1: 9 bytes of pixels and 3 of padding.
    const unsigned char three[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 50, 51, 52};
    const std::vector<unsigned char> c = bitmapToRgb({3, 1, 24, three});
    EXPECT_EQ(c, (std::vector<unsigned char>{3, 2, 1, 6, 5, 4, 9, 8, 7, 0, 0, 0}));
}

TEST(BitmapToRgb, WidePicturesNeedNoPadding) {
    for (int w : {64, 128, 256}) {
        std::vector<unsigned char> src(std::size_t(3 * w) * 2);
        for (std::size_t k = 0; k < src.size(); ++k) src[k] = static_cast<unsigned char>(k * 7 + 1);
        const std::vector<unsigned char> out = bitmapToRgb({w, 2, 24, src.data()});
        ASSERT_EQ(out.size(), src.size()) << w;
        for (std::size_t p = 0; p < src.size(); p += 3) {
            EXPECT_EQ(out[p], src[p + 2]);
            EXPECT_EQ(out[p + 1], src[p + 1]);
            EXPECT_EQ(out[p + 2], src[p]);
        }
    }
}

TEST(BitmapToRgb, OtherDepthsGiveBlackAndNoSizeGivesNothing) {
    const unsigned char pixels[64] = {255, 255, 255, 255};
    for (int bits : {1, 8, 16, 32}) {
        const std::vector<unsigned char> out = bitmapToRgb({5, 3, bits, pixels});
        ASSERT_EQ(out.size(), 48u) << bits;
        for (unsigned char v : out) EXPECT_EQ(v, 0);
    }
    EXPECT_EQ(bitmapToRgb({5, 3, 8, nullptr}).size(), 48u);  // nothing read
    EXPECT_TRUE(bitmapToRgb({0, 3, 24, pixels}).empty());
    EXPECT_TRUE(bitmapToRgb({3, 0, 24, pixels}).empty());
    EXPECT_TRUE(bitmapToRgb({-1, 3, 24, pixels}).empty());
    EXPECT_TRUE(bitmapToRgb({1, 1, 24, nullptr}).empty());
}

TEST(Bmp, ReadsAWellFormedFile) {
    const std::vector<unsigned char> f = makeBmp(3, 2);
    BitmapDesc d;
    ASSERT_TRUE(parseBmp(f.data(), f.size(), &d));
    EXPECT_EQ(d.width, 3);
    EXPECT_EQ(d.height, 2);
    EXPECT_EQ(d.bitsPerPixel, 24);
    EXPECT_EQ(d.pixels, f.data() + 54);
    const std::vector<unsigned char> rgb = bitmapToRgb(d);
    EXPECT_EQ(rgb[0], 3);
    EXPECT_EQ(rgb[2], 1);
    EXPECT_EQ(rgb[12 + 8], 1);
}

TEST(Bmp, RejectsTruncatedFilesWithoutReadingPastThem) {
    const std::vector<unsigned char> f = makeBmp(5, 4);
    for (std::size_t n = 0; n < f.size(); ++n) {
        EXPECT_FALSE(parses(std::vector<unsigned char>(f.begin(), f.begin() + n))) << n;
    }
    EXPECT_TRUE(parses(f));
    BitmapDesc d;
    EXPECT_FALSE(parseBmp(nullptr, 100, &d));
    EXPECT_FALSE(parseBmp(f.data(), f.size(), nullptr));
}

TEST(Bmp, RejectsCorruptHeaders) {
    auto corrupt = [](std::size_t at, std::uint32_t value, int bytes) {
        std::vector<unsigned char> f = makeBmp(4, 4);
        for (int k = 0; k < bytes; ++k) f[at + k] = static_cast<unsigned char>(value >> (8 * k));
        return f;
    };
    EXPECT_FALSE(parses(corrupt(0, 'X', 1)));          // not "BM"
    EXPECT_FALSE(parses(corrupt(10, 0x7fffffff, 4)));  // pixels far past the end
    EXPECT_FALSE(parses(corrupt(10, 20, 4)));          // pixels inside the headers
    EXPECT_FALSE(parses(corrupt(10, 0xffffffff, 4)));  // offset wraps round
    EXPECT_FALSE(parses(corrupt(14, 12, 4)));          // old OS/2 core header
    EXPECT_FALSE(parses(corrupt(14, 0xfffffff0, 4)));  // header larger than the file
    EXPECT_FALSE(parses(corrupt(18, 0, 4)));           // no width
    EXPECT_FALSE(parses(corrupt(18, 0x80000000, 4)));  // negative width
    EXPECT_FALSE(parses(corrupt(18, 0x7fffffff, 4)));  // rows far past the end
    EXPECT_FALSE(parses(corrupt(22, 0xfffffffc, 4)));  // top-down rows
    EXPECT_FALSE(parses(corrupt(22, 0x00100000, 4)));  // more rows than bytes
    EXPECT_FALSE(parses(corrupt(26, 2, 2)));           // planes
    EXPECT_FALSE(parses(corrupt(28, 0, 2)));           // no depth
    EXPECT_FALSE(parses(corrupt(28, 23, 2)));          // odd depth
    EXPECT_FALSE(parses(corrupt(30, 1, 4)));           // run-length compressed
    EXPECT_TRUE(parses(corrupt(28, 8, 2)));            // 8 bits fit in the same bytes
}

TEST(EmbeddedPictures, AllEightAreThereWithTheirSizes) {
    ASSERT_EQ(EmbeddedPictureCount, 8u);
    const int sizes[8] = {64, 256, 128, 128, 128, 128, 128, 128};
    for (int k = 0; k < 8; ++k) {
        const Picture p = load(TextureResourceIds[k]);
        EXPECT_EQ(p.desc.width, sizes[k]) << TextureResourceIds[k];
        EXPECT_EQ(p.desc.height, sizes[k]) << TextureResourceIds[k];
        EXPECT_EQ(p.desc.bitsPerPixel, 24);
        EXPECT_EQ(p.rgb.size(), std::size_t(3 * sizes[k] * sizes[k]));
    }
    EXPECT_EQ(findEmbeddedPicture(114), nullptr);
}

TEST(EmbeddedPictures, EveryPictureHasABlackBorder) {
    for (int id : TextureResourceIds) {
        const Picture p = load(id);
        const int n = p.desc.width;
        for (int k = 0; k < n; ++k) {
            for (Rgb c : {p.at(k, 0), p.at(k, n - 1), p.at(0, k), p.at(n - 1, k)}) {
                if (id == 113) continue;  // the sky tiles: stars may touch its edge
                EXPECT_EQ(c.r + c.g + c.b, 0) << id << " at " << k;
            }
        }
    }
}

TEST(EmbeddedPictures, SunIsAYellowWhiteDiscOnBlack) {
    const Picture p = load(112);
    const Rgb centre = p.at(32, 32);
    EXPECT_GE(centre.r, 240);
    EXPECT_GE(centre.g, 235);
    EXPECT_GE(centre.b, 200);
    EXPECT_LT(centre.b, centre.r);  // yellowish, not blue
    for (Rgb c : {p.at(0, 0), p.at(63, 0), p.at(0, 63), p.at(63, 63), p.at(4, 4)}) {
        EXPECT_EQ(c.r + c.g + c.b, 0);
    }
    // Filling most of the picture: bright out to radius 24 of 32.
    EXPECT_GE(p.radiusMin(0, 24), 200);
}

TEST(EmbeddedPictures, SkyIsBlackWithFewSmallStars) {
    const Picture p = load(113);
    int bright = 0, lit = 0, white = 0;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const Rgb c = p.at(x, y);
            const int m = std::max(c.r, std::max(c.g, c.b));
            lit += m > 0 ? 1 : 0;
            bright += m >= 32 ? 1 : 0;
            white += (c.r >= 200 && c.g >= 200 && c.b >= 200) ? 1 : 0;
        }
    }
    EXPECT_LT(bright, 65536 / 100);  // well under 1 % of the pixels
    EXPECT_GT(bright, 100);
    EXPECT_GT(white, 5);
    EXPECT_LT(lit, 65536 / 100);  // the rest is pure black
}

TEST(EmbeddedPictures, GreyPicturesHaveTheirShapes) {
    for (int id = 124; id <= 129; ++id) {
        const Picture p = load(id);
        for (int y = 0; y < 128; ++y) {
            for (int x = 0; x < 128; ++x) {
                const Rgb c = p.at(x, y);
                ASSERT_TRUE(c.r == c.g && c.g == c.b) << id << " at " << x << "," << y;
            }
        }
    }
    // 124 large soft glow: brightest at the centre, falling steadily, black at the rim.
    const Picture glow = load(124);
    EXPECT_GE(glow.radiusMin(0, 2), 250);
    EXPECT_GT(glow.radiusMin(0, 20), glow.radiusMax(30, 34));
    EXPECT_GT(glow.radiusMin(28, 32), 40);
    EXPECT_EQ(glow.radiusMax(62, 200), 0);
    // 125 small glow: a bright point, a faint halo.
    const Picture point = load(125);
    EXPECT_GE(point.radiusMin(0, 1), 240);
    EXPECT_LT(point.radiusMax(8, 12), 80);
    EXPECT_GT(point.radiusMin(8, 12), 10);
    EXPECT_EQ(point.radiusMax(50, 200), 0);
    // 126 large bright disc with a soft edge.
    const Picture disc = load(126);
    EXPECT_GE(disc.radiusMin(0, 42), 250);
    EXPECT_GT(disc.radiusMin(50, 52), 40);
    EXPECT_LT(disc.radiusMax(50, 52), 215);
    EXPECT_EQ(disc.radiusMax(60, 200), 0);
    // 127 thin bright ring, black inside and outside.
    const Picture ring = load(127);
    EXPECT_GE(ring.radiusMax(50, 54), 200);
    EXPECT_EQ(ring.radiusMax(0, 46), 0);
    EXPECT_EQ(ring.radiusMax(58, 200), 0);
    // 128 disc bright at its rim, dark at its centre.
    const Picture bowl = load(128);
    EXPECT_LT(bowl.radiusMax(0, 4), 5);
    EXPECT_GE(bowl.radiusMax(50, 57), 200);
    EXPECT_GT(bowl.radiusMin(40, 42), bowl.radiusMax(20, 22));
    EXPECT_EQ(bowl.radiusMax(61, 200), 0);
    // 129 thick ring, soft inner gradient, dark centre.
    const Picture thick = load(129);
    EXPECT_EQ(thick.radiusMax(0, 15), 0);
    EXPECT_GT(thick.radiusMin(30, 32), 30);
    EXPECT_LT(thick.radiusMax(30, 32), 200);
    EXPECT_GE(thick.radiusMin(50, 53), 245);
    EXPECT_EQ(thick.radiusMax(59, 200), 0);
}

TEST(PictureSources, EmbeddedByDefaultAndReplaceable) {
    int calls = 0;
    BitmapDesc seen;
    EXPECT_TRUE(pictureSource().withPicture(125, [&](const BitmapDesc& d) {
        ++calls;
        seen = d;
    }));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seen.width, 128);
    EXPECT_FALSE(pictureSource().withPicture(111, [&](const BitmapDesc&) { ++calls; }));
    EXPECT_EQ(calls, 1);

    class Fixed final : public PictureSource {
    public:
        bool withPicture(int id, const std::function<void(const BitmapDesc&)>& use) override {
            if (id != 113) return false;
            static const unsigned char px[4] = {1, 2, 3, 0};
            use({1, 1, 24, px});
            return true;
        }
    } fixed;
    setPictureSource(&fixed);
    EXPECT_EQ(&pictureSource(), &fixed);
    EXPECT_FALSE(pictureSource().withPicture(112, [&](const BitmapDesc&) { ++calls; }));
    setPictureSource(nullptr);
    EXPECT_EQ(&pictureSource(), &embeddedPictureSource());
}
