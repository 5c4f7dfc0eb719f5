#include "x11_fps_line.h"

#include <GL/gl.h>

#include <algorithm>

namespace {

// The overlay never writes this colour: inside its box blue is always 0. The
// pixels still holding it after the overlay drew are outside the box.
constexpr std::uint8_t UntouchedColour[3] = {255, 0, 255};

bool untouched(const std::uint8_t* p) {
    return p[0] == UntouchedColour[0] && p[1] == UntouchedColour[1] && p[2] == UntouchedColour[2];
}

}  // namespace

FpsStrip composeFpsStrip(const FpsOverlay& overlay, const std::string& text, int windowWidth, int windowHeight) {
    FpsStrip strip;
    if (!overlay.ready() || text.empty() || windowWidth < 1 || windowHeight < 1) return strip;
    const int height = std::min(windowHeight, FpsOverlay::TopFromBottom);
    RgbImage image(windowWidth, height, UntouchedColour[0], UntouchedColour[1], UntouchedColour[2]);
    overlay.draw(&image, text);

    int width = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = windowWidth - 1; x >= width; --x) {
            if (!untouched(image.at(x, y))) {
                width = x + 1;
                break;
            }
        }
    }
    if (width == 0) return strip;

    strip.width = width;
    strip.height = height;
    strip.rgba.resize(static_cast<std::size_t>(width) * height * 4);
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;  // bottom-up
        std::uint8_t* out = strip.rgba.data() + static_cast<std::size_t>(row) * width * 4;
        for (int x = 0; x < width; ++x, out += 4) {
            const std::uint8_t* p = image.at(x, y);
            const bool opaque = !untouched(p);
            out[0] = opaque ? p[0] : 0;
            out[1] = opaque ? p[1] : 0;
            out[2] = opaque ? p[2] : 0;
            out[3] = opaque ? 255 : 0;
        }
    }
    return strip;
}

void drawFpsStrip(const FpsStrip& strip, int windowWidth, int windowHeight) {
    if (strip.width < 1 || strip.height < 1 || windowWidth < 1 || windowHeight < 1) return;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, windowWidth, 0.0, windowHeight, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    // The whole window, whatever band the picture uses, and nothing that
    // would touch or drop the pixels on their way.
    glViewport(0, 0, windowWidth, windowHeight);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_TEXTURE_1D);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_COLOR_LOGIC_OP);
    glDisable(GL_DITHER);
    for (int i = 0; i < 6; ++i) glDisable(GL_CLIP_PLANE0 + i);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    glPixelZoom(1.0f, 1.0f);
    glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
    glPixelTransferf(GL_RED_SCALE, 1.0f);
    glPixelTransferf(GL_GREEN_SCALE, 1.0f);
    glPixelTransferf(GL_BLUE_SCALE, 1.0f);
    glPixelTransferf(GL_ALPHA_SCALE, 1.0f);
    glPixelTransferf(GL_RED_BIAS, 0.0f);
    glPixelTransferf(GL_GREEN_BIAS, 0.0f);
    glPixelTransferf(GL_BLUE_BIAS, 0.0f);
    glPixelTransferf(GL_ALPHA_BIAS, 0.0f);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);

    // A quarter pixel in from the corner: the raster position is inside the
    // view volume for sure, and the pixel centres still fall on columns and
    // rows from 0.
    glRasterPos2f(0.25f, 0.25f);
    glDrawPixels(strip.width, strip.height, GL_RGBA, GL_UNSIGNED_BYTE, strip.rgba.data());

    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
}
