// RGB pictures in memory, PNG files, and the contact sheet (a grid of frames
// spread over a run, scaled down into one picture).
#ifndef HALVORN_HOST_HEADLESS_PNG_IO_H
#define HALVORN_HOST_HEADLESS_PNG_IO_H

#include <cstdint>
#include <string>
#include <vector>

// 8-bit RGB, rows top-down, 3 bytes per pixel, no row padding.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    RgbImage() = default;
    // A width x height picture filled with one colour (sides below 0 count as 0).
    RgbImage(int w, int h, std::uint8_t r = 0, std::uint8_t g = 0, std::uint8_t b = 0);

    // Address of pixel (x, y), y counted from the top. No bounds check.
    std::uint8_t* at(int x, int y) { return pixels.data() + (static_cast<std::size_t>(y) * width + x) * 3; }
    const std::uint8_t* at(int x, int y) const { return pixels.data() + (static_cast<std::size_t>(y) * width + x) * 3; }
};

// Writes image as an 8-bit RGB PNG; false with *error set ("png: ...") on failure
// or for an empty or inconsistent image.
bool writePng(const std::string& path, const RgbImage& image, std::string* error);

// Reads any PNG into 8-bit RGB (alpha is composed over black); false with
// *error set on failure.
bool readPng(const std::string& path, RgbImage* image, std::string* error);

// The file name of frame k inside dir: dir/frame-NNNNN.png (at least five digits).
std::string framePngPath(const std::string& dir, std::int64_t frame);

// The frames, numbered 1..totalFrames, that a sheet of `tiles` tiles shows:
// evenly spread, first and last frame included, strictly increasing. Fewer
// than `tiles` frames are all shown. Empty when totalFrames < 1 or tiles < 1.
std::vector<std::int64_t> contactSheetFrames(std::int64_t totalFrames, int tiles);

// Scales src to w x h pixels with a box filter: each target pixel is the mean
// of the source pixels it covers (at least one). Empty for w or h below 1.
RgbImage scaleBox(const RgbImage& src, int w, int h);

// A 4 x 3 grid of scaled-down frames with thin grey borders.
class ContactSheet {
public:
    static constexpr int Columns = 4;
    static constexpr int Rows = 3;
    static constexpr int Tiles = Columns * Rows;
    static constexpr int Gap = 2;          // border between and around tiles, pixels
    static constexpr int TileWidth = 320;  // tile width for frames at least this wide, pixels

    // For a run of totalFrames frames of frameWidth x frameHeight pixels.
    ContactSheet(std::int64_t totalFrames, int frameWidth, int frameHeight);

    // True when frame (1-based) belongs on the sheet.
    bool wants(std::int64_t frame) const;
    // Scales the frame into its tile; frames the sheet does not want are ignored.
    void add(std::int64_t frame, const RgbImage& image);

    int tileWidth() const { return tileWidth_; }
    int tileHeight() const { return tileHeight_; }
    // Top-left corner of tile i (0..11, row by row), pixels.
    int tileX(int i) const { return Gap + (i % Columns) * (tileWidth_ + Gap); }
    int tileY(int i) const { return Gap + (i / Columns) * (tileHeight_ + Gap); }
    const std::vector<std::int64_t>& frames() const { return frames_; }
    const RgbImage& image() const { return sheet_; }

private:
    std::vector<std::int64_t> frames_;
    int tileWidth_;
    int tileHeight_;
    RgbImage sheet_;
};

#endif
