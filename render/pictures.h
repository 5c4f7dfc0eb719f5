// The program's pictures: a platform-neutral description of a bitmap, the BMP
// file reader that yields it, and the eight pictures embedded in the program
// at build time (from host/resources/bmp<id>.bmp), so nothing is read from
// files at run time. No GL here.
#ifndef HALVORN_RENDER_PICTURES_H
#define HALVORN_RENDER_PICTURES_H

#include <cstddef>

// A bitmap as a bottom-up device-independent bitmap stores it: rows bottom
// first, each row padded to a multiple of 4 bytes; at 24 bits per pixel each
// pixel is blue, green, red. The pixels are not owned.
struct BitmapDesc {
    int width = 0;   // pixels
    int height = 0;  // pixels
    int bitsPerPixel = 0;
    const unsigned char* pixels = nullptr;  // first byte of the bottom row
};

// Reads the headers of a BMP file image of `size` bytes (BITMAPFILEHEADER,
// then BITMAPINFOHEADER or a later, larger version) into *out. Only
// uncompressed bottom-up bitmaps of 1, 4, 8, 16, 24 or 32 bits per pixel are
// taken. False, *out untouched, for anything else, and whenever the pixel rows
// would reach past the given bytes; nothing outside them is read.
bool parseBmp(const unsigned char* bytes, std::size_t size, BitmapDesc* out);

// One embedded picture file.
struct EmbeddedPicture {
    int resourceId;              // 112, 113, 124 ... 129
    const unsigned char* bytes;  // the whole BMP file
    std::size_t size;            // bytes
};

// The embedded pictures (generated at build time).
extern const EmbeddedPicture EmbeddedPictures[];
extern const std::size_t EmbeddedPictureCount;

// The embedded picture of `resourceId`, or null when there is none.
const EmbeddedPicture* findEmbeddedPicture(int resourceId);

#endif
