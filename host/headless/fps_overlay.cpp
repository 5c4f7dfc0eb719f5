#include "fps_overlay.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

struct FpsOverlay::Font {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    std::string file;
    int ascent = 0;  // pixels above the baseline
    int height = 0;  // line height (ascent + descent), pixels

    ~Font() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
};

FpsOverlay::FpsOverlay() = default;
FpsOverlay::~FpsOverlay() = default;

bool FpsOverlay::ready() const { return font_ != nullptr; }

const std::string& FpsOverlay::fontFile() const {
    static const std::string none;
    return font_ ? font_->file : none;
}

namespace {

// The file of the best "monospace" match, or empty. A private configuration,
// destroyed afterwards, leaves nothing of fontconfig behind in the process.
std::string findMonospaceFont(std::string* error) {
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) {
        *error = "fps: fontconfig cannot load its configuration";
        return {};
    }
    std::string file;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("monospace"));
    if (pattern) {
        FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(config, pattern, &result);
        if (match) {
            FcChar8* path = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path) {
                file = reinterpret_cast<const char*>(path);
            }
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }
    FcConfigDestroy(config);
    if (file.empty()) *error = "fps: no monospace font found through fontconfig";
    return file;
}

}  // namespace

bool FpsOverlay::init(std::string* error) {
    font_.reset();
    std::string file = findMonospaceFont(error);
    if (file.empty()) return false;
    auto font = std::make_unique<Font>();
    font->file = file;
    if (FT_Init_FreeType(&font->library) != 0) {
        *error = "fps: FreeType cannot be initialised";
        return false;
    }
    if (FT_New_Face(font->library, file.c_str(), 0, &font->face) != 0) {
        *error = "fps: cannot load font '" + file + "'";
        return false;
    }
    if (FT_Set_Pixel_Sizes(font->face, 0, PixelSize) != 0) {
        *error = "fps: font '" + file + "' has no " + std::to_string(PixelSize) + " pixel size";
        return false;
    }
    // 26.6 fixed point: round the ascent up and the descent down so no glyph
    // pixel falls outside the box.
    const FT_Size_Metrics& m = font->face->size->metrics;
    font->ascent = static_cast<int>((m.ascender + 63) >> 6);
    const int descent = static_cast<int>((-m.descender + 63) >> 6);
    font->height = std::max(font->ascent + descent, 1);
    font_ = std::move(font);
    return true;
}

void FpsOverlay::draw(RgbImage* image, const std::string& text) const {
    if (!font_ || !image || image->width < 1 || image->height < 1) return;
    FT_Face face = font_->face;
    const int top = image->height - TopFromBottom;
    const int baseline = top + font_->ascent;

    // Pass 1: the advance of the whole text gives the width of the black box.
    int advance = 0;
    for (unsigned char c : text) {
        if (FT_Load_Char(face, c, FT_LOAD_DEFAULT) == 0) advance += static_cast<int>(face->glyph->advance.x >> 6);
    }
    const int boxX1 = std::min(advance, image->width);
    const int boxY0 = std::max(top, 0);
    const int boxY1 = std::min(top + font_->height, image->height);
    for (int y = boxY0; y < boxY1; ++y) {
        for (int x = 0; x < boxX1; ++x) {
            std::uint8_t* p = image->at(x, y);
            p[0] = p[1] = p[2] = 0;
        }
    }

    // Pass 2: glyph coverage over black is yellow scaled by the coverage.
    int penX = 0;
    for (unsigned char c : text) {
        if (FT_Load_Char(face, c, FT_LOAD_RENDER) != 0) continue;
        const FT_GlyphSlot g = face->glyph;
        const FT_Bitmap& bm = g->bitmap;
        if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
            const int x0 = penX + g->bitmap_left;
            const int y0 = baseline - g->bitmap_top;
            for (unsigned row = 0; row < bm.rows; ++row) {
                const int y = y0 + static_cast<int>(row);
                if (y < boxY0 || y >= boxY1) continue;
                const unsigned char* src = bm.buffer + static_cast<std::ptrdiff_t>(row) * bm.pitch;
                for (unsigned col = 0; col < bm.width; ++col) {
                    const int x = x0 + static_cast<int>(col);
                    if (x < 0 || x >= boxX1) continue;
                    std::uint8_t* p = image->at(x, y);
                    const std::uint8_t a = src[col];
                    // Overlapping glyph edges keep the brighter coverage.
                    p[0] = std::max(p[0], a);
                    p[1] = std::max(p[1], a);
                }
            }
        }
        penX += static_cast<int>(g->advance.x >> 6);
    }
}
