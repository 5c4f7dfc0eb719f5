// Texture loading. The pixel conversion is plain C++; only loadTextures
// talks to OpenGL.
#include "render/textures.h"

#include "render/gl/gl_api.h"

#include <cstdint>
#include <new>
#include <stdexcept>

#include "sim/display_lists.h"

unsigned int TextureNames[8] = {0, 0, 0, 0, 0, 0, 0, 0};

const int TextureResourceIds[8] = {112, 113, 124, 125, 126, 127, 128, 129};

int rgbRowStride(int width) {
    if (width < 1 || width > (0x7fffffff - 3) / 3) {
        return 0;
    }
    return (3 * width + 3) & ~3;
}

std::vector<unsigned char> bitmapToRgb(const BitmapDesc& bitmap) {
    const int stride = rgbRowStride(bitmap.width);
    if (stride == 0 || bitmap.height < 1) {
        return {};
    }
    const std::uint64_t total = std::uint64_t(stride) * std::uint64_t(bitmap.height);
    std::vector<unsigned char> rgb;
    try {
        rgb.assign(static_cast<std::size_t>(total), 0);
    } catch (const std::bad_alloc&) {
        return {};
    } catch (const std::length_error&) {
        return {};
    }
    if (bitmap.bitsPerPixel != 24) {
        return rgb;  // black picture of the right size
    }
    if (bitmap.pixels == nullptr) {
        return {};
    }
    // A 24-bit bottom-up bitmap has the same row stride, so the same offset
    // serves both; only the byte order within each pixel turns round.
    for (int row = 0; row < bitmap.height; ++row) {
        const std::size_t base = std::size_t(row) * std::size_t(stride);
        for (int p = 0; p < bitmap.width; ++p) {
            const std::size_t at = base + 3 * std::size_t(p);
            rgb[at + 0] = bitmap.pixels[at + 2];
            rgb[at + 1] = bitmap.pixels[at + 1];
            rgb[at + 2] = bitmap.pixels[at + 0];
        }
    }
    return rgb;
}

namespace {

class EmbeddedPictureSource final : public PictureSource {
public:
    bool withPicture(int resourceId, const std::function<void(const BitmapDesc&)>& use) override {
        const EmbeddedPicture* picture = findEmbeddedPicture(resourceId);
        BitmapDesc desc;
        if (picture == nullptr || !parseBmp(picture->bytes, picture->size, &desc)) {
            return false;
        }
        use(desc);
        return true;
    }
};

EmbeddedPictureSource embedded;
PictureSource* current = nullptr;

}  // namespace

PictureSource& embeddedPictureSource() { return embedded; }

void setPictureSource(PictureSource* source) { current = source; }

PictureSource& pictureSource() { return current != nullptr ? *current : embedded; }

void loadTextures() {
    glGenTextures(8, TextureNames);
    for (int entry = 0; entry < 8; ++entry) {
        pictureSource().withPicture(TextureResourceIds[entry], [entry](const BitmapDesc& bitmap) {
            const std::vector<unsigned char> rgb = bitmapToRgb(bitmap);
            if (rgb.empty()) {
                return;  // the name stays without a picture and draws untextured
            }
            glBindTexture(GL_TEXTURE_2D, TextureNames[entry]);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
            glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
            glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
            glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexImage2D(GL_TEXTURE_2D, 0, 3, bitmap.width, bitmap.height, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        });
    }
    glNewList(ListBindSunTexture, GL_COMPILE);
    glBindTexture(GL_TEXTURE_2D, TextureNames[0]);
    glEndList();
    glNewList(ListBindStarTexture, GL_COMPILE);
    glBindTexture(GL_TEXTURE_2D, TextureNames[1]);
    glEndList();
}

void releaseTextures() {
    glDeleteLists(ListBindStarTexture, 1);
    glDeleteLists(ListBindSunTexture, 1);
    glDeleteTextures(8, TextureNames);
    for (unsigned& name : TextureNames) name = 0;
}
