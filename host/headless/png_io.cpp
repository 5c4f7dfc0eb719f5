#include "png_io.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

RgbImage::RgbImage(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b)
    : width(std::max(w, 0)),
      height(std::max(h, 0)),
      pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3) {
    for (std::size_t i = 0; i < pixels.size(); i += 3) {
        pixels[i] = r;
        pixels[i + 1] = g;
        pixels[i + 2] = b;
    }
}

bool writePng(const std::string& path, const RgbImage& image, std::string* error) {
    if (image.width < 1 || image.height < 1 ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 3) {
        *error = "png: cannot write '" + path + "': empty or inconsistent picture";
        return false;
    }
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    int ok = png_image_write_to_file(&png, path.c_str(), 0, image.pixels.data(), image.width * 3, nullptr);
    if (!ok) {
        *error = "png: cannot write '" + path + "': " + png.message;
        png_image_free(&png);
        return false;
    }
    return true;
}

bool readPng(const std::string& path, RgbImage* image, std::string* error) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        *error = "png: cannot read '" + path + "': " + png.message;
        png_image_free(&png);
        return false;
    }
    png.format = PNG_FORMAT_RGB;
    // Zero-filled, so a file with alpha is composed over black.
    RgbImage result(static_cast<int>(png.width), static_cast<int>(png.height));
    if (!png_image_finish_read(&png, nullptr, result.pixels.data(), result.width * 3, nullptr)) {
        *error = "png: cannot read '" + path + "': " + png.message;
        png_image_free(&png);
        return false;
    }
    *image = std::move(result);
    return true;
}

std::string framePngPath(const std::string& dir, std::int64_t frame) {
    char name[48];
    std::snprintf(name, sizeof name, "frame-%05lld.png", static_cast<long long>(frame));
    if (dir.empty()) return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

std::vector<std::int64_t> contactSheetFrames(std::int64_t totalFrames, int tiles) {
    std::vector<std::int64_t> frames;
    if (totalFrames < 1 || tiles < 1) return frames;
    if (totalFrames <= tiles) {
        for (std::int64_t k = 1; k <= totalFrames; ++k) frames.push_back(k);
        return frames;
    }
    if (tiles == 1) {
        frames.push_back(1);
        return frames;
    }
    // Frame 1 + floor(i (N - 1) / (tiles - 1)): steps of at least one frame,
    // since N - 1 >= tiles - 1. Computed so that i (N - 1) cannot overflow.
    const std::int64_t span = totalFrames - 1;
    const std::int64_t steps = tiles - 1;
    for (std::int64_t i = 0; i < tiles; ++i) {
        std::int64_t offset = (span / steps) * i + ((span % steps) * i) / steps;
        frames.push_back(1 + offset);
    }
    return frames;
}

RgbImage scaleBox(const RgbImage& src, int w, int h) {
    if (w < 1 || h < 1 || src.width < 1 || src.height < 1) return RgbImage();
    RgbImage dst(w, h);
    for (int dy = 0; dy < h; ++dy) {
        int sy0 = static_cast<int>(static_cast<std::int64_t>(dy) * src.height / h);
        int sy1 = static_cast<int>(static_cast<std::int64_t>(dy + 1) * src.height / h);
        if (sy1 <= sy0) sy1 = sy0 + 1;
        for (int dx = 0; dx < w; ++dx) {
            int sx0 = static_cast<int>(static_cast<std::int64_t>(dx) * src.width / w);
            int sx1 = static_cast<int>(static_cast<std::int64_t>(dx + 1) * src.width / w);
            if (sx1 <= sx0) sx1 = sx0 + 1;
            std::uint64_t sum[3] = {0, 0, 0};
            for (int sy = sy0; sy < sy1; ++sy) {
                const std::uint8_t* p = src.at(sx0, sy);
                for (int sx = sx0; sx < sx1; ++sx, p += 3) {
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
            const std::uint64_t n = static_cast<std::uint64_t>(sy1 - sy0) * static_cast<std::uint64_t>(sx1 - sx0);
            std::uint8_t* q = dst.at(dx, dy);
            for (int c = 0; c < 3; ++c) q[c] = static_cast<std::uint8_t>((sum[c] + n / 2) / n);
        }
    }
    return dst;
}

ContactSheet::ContactSheet(std::int64_t totalFrames, int frameWidth, int frameHeight)
    : frames_(contactSheetFrames(totalFrames, Tiles)) {
    frameWidth = std::max(frameWidth, 1);
    frameHeight = std::max(frameHeight, 1);
    // Never enlarge a small frame; keep its aspect, rounded to whole pixels.
    tileWidth_ = std::min(TileWidth, frameWidth);
    tileHeight_ = static_cast<int>((static_cast<std::int64_t>(frameHeight) * tileWidth_ + frameWidth / 2) / frameWidth);
    tileHeight_ = std::max(tileHeight_, 1);
    sheet_ = RgbImage(Gap + Columns * (tileWidth_ + Gap), Gap + Rows * (tileHeight_ + Gap), 64, 64, 64);
    for (int i = 0; i < Tiles; ++i) {
        for (int y = 0; y < tileHeight_; ++y) {
            std::memset(sheet_.at(tileX(i), tileY(i) + y), 0, static_cast<std::size_t>(tileWidth_) * 3);
        }
    }
}

bool ContactSheet::wants(std::int64_t frame) const { return std::binary_search(frames_.begin(), frames_.end(), frame); }

void ContactSheet::add(std::int64_t frame, const RgbImage& image) {
    auto it = std::lower_bound(frames_.begin(), frames_.end(), frame);
    if (it == frames_.end() || *it != frame) return;
    const int i = static_cast<int>(it - frames_.begin());
    RgbImage tile = scaleBox(image, tileWidth_, tileHeight_);
    if (tile.width != tileWidth_) return;
    for (int y = 0; y < tileHeight_; ++y) {
        std::memcpy(sheet_.at(tileX(i), tileY(i) + y), tile.at(0, y), static_cast<std::size_t>(tileWidth_) * 3);
    }
}
