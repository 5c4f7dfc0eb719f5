// BMP header reading and the embedded-picture lookup.
#include "render/pictures.h"

#include <cstdint>

namespace {

std::uint32_t u16(const unsigned char* p) { return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8; }

std::uint32_t u32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::int32_t i32(const unsigned char* p) {
    const std::uint32_t v = u32(p);
    return v <= 0x7fffffffu ? std::int32_t(v) : -std::int32_t(~v) - 1;
}

constexpr std::size_t FileHeaderBytes = 14;
constexpr std::size_t InfoHeaderBytes = 40;
constexpr std::uint32_t BiRgb = 0;

}  // namespace

bool parseBmp(const unsigned char* bytes, std::size_t size, BitmapDesc* out) {
    if (bytes == nullptr || out == nullptr || size < FileHeaderBytes + InfoHeaderBytes) {
        return false;
    }
    if (bytes[0] != 'B' || bytes[1] != 'M') {
        return false;
    }
    const std::uint64_t pixelOffset = u32(bytes + 10);
    const unsigned char* info = bytes + FileHeaderBytes;
    const std::uint64_t infoSize = u32(info);
    if (infoSize < InfoHeaderBytes || FileHeaderBytes + infoSize > size) {
        return false;
    }
    const std::int32_t width = i32(info + 4);
    const std::int32_t height = i32(info + 8);  // negative would mean top-down
    const std::uint32_t planes = u16(info + 12);
    const std::uint32_t bits = u16(info + 14);
    const std::uint32_t compression = u32(info + 16);
    if (width <= 0 || height <= 0 || planes != 1 || compression != BiRgb) {
        return false;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        return false;
    }
    // Rows are padded to whole 32-bit words.
    const std::uint64_t stride = (std::uint64_t(width) * bits + 31) / 32 * 4;
    const std::uint64_t pixelBytes = stride * std::uint64_t(height);
    if (pixelOffset < FileHeaderBytes + infoSize || pixelOffset > size || pixelBytes > size - pixelOffset) {
        return false;
    }
    out->width = width;
    out->height = height;
    out->bitsPerPixel = int(bits);
    out->pixels = bytes + pixelOffset;
    return true;
}

const EmbeddedPicture* findEmbeddedPicture(int resourceId) {
    for (std::size_t k = 0; k < EmbeddedPictureCount; ++k) {
        if (EmbeddedPictures[k].resourceId == resourceId) {
            return &EmbeddedPictures[k];
        }
    }
    return nullptr;
}
