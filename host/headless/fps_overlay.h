// The frame-rate line drawn into a read-back frame: yellow text on a black box
// at the bottom left, as the saver draws it. Its text and rate (FpsRing,
// formatFpsLine) are the saver's own, from fps_text.h.
#ifndef HALVORN_HOST_HEADLESS_FPS_OVERLAY_H
#define HALVORN_HOST_HEADLESS_FPS_OVERLAY_H

#include <memory>
#include <string>

#include "fps_text.h"
#include "png_io.h"

// Draws the line with FreeType in a monospace font found through fontconfig.
class FpsOverlay {
public:
    static constexpr int PixelSize = 13;      // font height, pixels
    static constexpr int TopFromBottom = 20;  // the text's top is this far above the bottom edge, pixels

    FpsOverlay();
    ~FpsOverlay();
    FpsOverlay(const FpsOverlay&) = delete;
    FpsOverlay& operator=(const FpsOverlay&) = delete;

    // Finds and loads the font; false with *error set ("fps: ...") when
    // fontconfig, the font or FreeType fails. draw() is then a no-op.
    bool init(std::string* error);
    bool ready() const;
    // The font file in use (empty before a successful init).
    const std::string& fontFile() const;

    // Composes text at x 0 with its top TopFromBottom pixels above the bottom
    // of image: yellow (255, 255, 0) glyphs on a black box as high as the
    // font's line and as wide as the text's advance. Clipped to the image.
    void draw(RgbImage* image, const std::string& text) const;

private:
    struct Font;
    std::unique_ptr<Font> font_;
};

#endif
