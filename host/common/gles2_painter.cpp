// The OpenGL ES 2.0 painter; see gles2_painter.h.
#include "gles2_painter.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "render/backdrop_lists.h"
#include "render/debris_batch.h"
#include "render/frame_batch.h"
#include "render/gl/gl_api.h"
#include "render/gles2/gles2_backend.h"
#include "render/layers.h"
#include "render/scene.h"
#include "render/textures.h"
#include "sim/battle.h"
#include "sim/settings.h"

namespace {

// A 5 x 7 pixel font: seven rows per glyph, the leftmost pixel in bit 4.
struct Glyph {
    char c;
    unsigned char rows[7];
};
const Glyph Font[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}}, {'D', {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}}, {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}}, {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}}, {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}}, {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}}, {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}}, {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}}, {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}}, {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04}}, {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'a', {0x00, 0x00, 0x0E, 0x01, 0x0F, 0x11, 0x0F}}, {'b', {0x10, 0x10, 0x16, 0x19, 0x11, 0x11, 0x1E}},
    {'c', {0x00, 0x00, 0x0E, 0x10, 0x10, 0x11, 0x0E}}, {'d', {0x01, 0x01, 0x0D, 0x13, 0x11, 0x11, 0x0F}},
    {'e', {0x00, 0x00, 0x0E, 0x11, 0x1F, 0x10, 0x0E}}, {'f', {0x06, 0x09, 0x08, 0x1C, 0x08, 0x08, 0x08}},
    {'g', {0x00, 0x0F, 0x11, 0x11, 0x0F, 0x01, 0x0E}}, {'h', {0x10, 0x10, 0x16, 0x19, 0x11, 0x11, 0x11}},
    {'i', {0x04, 0x00, 0x0C, 0x04, 0x04, 0x04, 0x0E}}, {'j', {0x02, 0x00, 0x06, 0x02, 0x02, 0x12, 0x0C}},
    {'k', {0x10, 0x10, 0x12, 0x14, 0x18, 0x14, 0x12}}, {'l', {0x0C, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'m', {0x00, 0x00, 0x1A, 0x15, 0x15, 0x11, 0x11}}, {'n', {0x00, 0x00, 0x16, 0x19, 0x11, 0x11, 0x11}},
    {'o', {0x00, 0x00, 0x0E, 0x11, 0x11, 0x11, 0x0E}}, {'p', {0x00, 0x00, 0x1E, 0x11, 0x1E, 0x10, 0x10}},
    {'q', {0x00, 0x00, 0x0D, 0x13, 0x0F, 0x01, 0x01}}, {'r', {0x00, 0x00, 0x16, 0x19, 0x10, 0x10, 0x10}},
    {'s', {0x00, 0x00, 0x0E, 0x10, 0x0E, 0x01, 0x1E}}, {'t', {0x08, 0x08, 0x1C, 0x08, 0x08, 0x09, 0x06}},
    {'u', {0x00, 0x00, 0x11, 0x11, 0x11, 0x13, 0x0D}}, {'v', {0x00, 0x00, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'w', {0x00, 0x00, 0x11, 0x11, 0x15, 0x15, 0x0A}}, {'x', {0x00, 0x00, 0x11, 0x0A, 0x04, 0x0A, 0x11}},
    {'y', {0x00, 0x00, 0x11, 0x11, 0x0F, 0x01, 0x0E}}, {'z', {0x00, 0x00, 0x1F, 0x02, 0x04, 0x08, 0x1F}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}}, {',', {0x00, 0x00, 0x00, 0x00, 0x0C, 0x04, 0x08}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}}, {'%', {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03}},
    {'/', {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00}}, {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
};

const unsigned char* glyphRows(char c) {
    for (const Glyph& g : Font) {
        if (g.c == c) return g.rows;
    }
    return nullptr;  // a blank
}

constexpr int Scale = 2;                 // font pixels to window pixels
constexpr int Advance = 6 * Scale;       // pixels per character
constexpr int StripHeight = 16;          // pixels: 14 of glyph, a row of black above and below
constexpr int StripTextureWidth = 2048;  // pixels: a power of two, within WebGL 1's smallest limit

}  // namespace

void Gles2Painter::start(int width, int height) {
    width_ = width;
    height_ = height;
    error_.clear();
    drawing_ = gles2StartContext(&error_);
    if (!drawing_) {
        std::fprintf(stderr, "%s; the battle runs without pictures\n", error_.c_str());
        return;
    }
    setGlBackend(&gles2Backend());
    StarFaceList = starFaceListFor(settings.HVIsLowResStars);
    WindowWidth = width;
    WindowHeight = height;
    installRenderer();
    setSkippedLayers(skippedLayers);
    setFrameBatching(batched);
    updateViewport();
    loadTextures();
}

void Gles2Painter::reshape(int width, int height) {
    width_ = width;
    height_ = height;
    if (!drawing_) return;
    WindowWidth = width;
    WindowHeight = height;
    updateViewport();
}

void Gles2Painter::draw() {
    if (!drawing_) {
        drawBattle();
        return;
    }
    drawFrame();
    glFlush();
}

void Gles2Painter::stop() {
    if (drawing_) {
        uninstallRenderer();
        if (fpsTexture_ != 0) glDeleteTextures(1, &fpsTexture_);
        fpsTexture_ = 0;
        gles2StopContext();
        setGlBackend(nullptr);
        setSkippedLayers(0);
        setFrameBatching(true);
        StarFaceList = starFaceListFor(0);
    }
    drawing_ = false;
}

void Gles2Painter::contextLost() {
    if (!drawing_) return;
    // Every name below went with the context: forget them, delete nothing.
    gles2ContextLost();
    discardDebris();  // the debris mask textures, made again on their next use
    for (unsigned& name : TextureNames) name = 0;
    fpsTexture_ = 0;
}

bool Gles2Painter::contextRestored() {
    if (!drawing_) return true;  // it never drew: nothing to make again
    if (!gles2ContextRestored(&error_)) {
        std::fprintf(stderr, "%s; the battle waits for a context it can draw in\n", error_.c_str());
        return false;
    }
    error_.clear();
    loadTextures();  // the pictures and their binding lists, under new names
    return true;
}

void Gles2Painter::drawFpsStrip(const std::string& text) {
    if (!drawing_ || text.empty()) return;
    // The line as an RGB picture, bottom row first: yellow glyphs on black.
    const int chars = static_cast<int>(text.size());
    const int width = std::min(StripTextureWidth, chars * Advance + 2 * Scale);
    std::vector<unsigned char> rgb(static_cast<std::size_t>(StripTextureWidth) * StripHeight * 3, 0);
    for (int k = 0; k < chars && (k + 1) * Advance <= StripTextureWidth; ++k) {
        const unsigned char* rows = glyphRows(text[static_cast<std::size_t>(k)]);
        if (rows == nullptr) continue;
        for (int y = 0; y < 7 * Scale; ++y) {
            const unsigned char bits = rows[y / Scale];
            const int row = StripHeight - 2 - y;  // glyph row 0 at the top
            for (int x = 0; x < 5 * Scale; ++x) {
                if ((bits & (0x10 >> (x / Scale))) == 0) continue;
                unsigned char* p =
                    &rgb[(static_cast<std::size_t>(row) * StripTextureWidth + Scale + k * Advance + x) * 3];
                p[0] = 255;
                p[1] = 255;
                p[2] = 0;
            }
        }
    }
    if (fpsTexture_ == 0) glGenTextures(1, &fpsTexture_);

    glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_CURRENT_BIT | GL_TRANSFORM_BIT | GL_DEPTH_BUFFER_BIT |
                 GL_COLOR_BUFFER_BIT | GL_POLYGON_BIT | GL_LIGHTING_BIT);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glBindTexture(GL_TEXTURE_2D, fpsTexture_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, StripTextureWidth, StripHeight, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    // Window pixels: the whole window, origin at the bottom left.
    int viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glViewport(0, 0, width_, height_);
    const float ortho[16] = {2.0f / static_cast<float>(width_),
                             0,
                             0,
                             0,
                             0,
                             2.0f / static_cast<float>(height_),
                             0,
                             0,
                             0,
                             0,
                             -1,
                             0,
                             -1,
                             -1,
                             0,
                             1};
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadMatrixf(ortho);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_POLYGON_STIPPLE);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(1, 1, 1, 1);
    const float w = static_cast<float>(width), h = static_cast<float>(StripHeight);
    const float s = w / StripTextureWidth;
    glBegin(GL_TRIANGLE_STRIP);
    glTexCoord2f(0, 1);
    glVertex3f(0, h, 0);
    glTexCoord2f(0, 0);
    glVertex3f(0, 0, 0);
    glTexCoord2f(s, 1);
    glVertex3f(w, h, 0);
    glTexCoord2f(s, 0);
    glVertex3f(w, 0, 0);
    glEnd();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    glPopClientAttrib();
    glPopAttrib();
}
