// Textures from the program's pictures: the conversion of a bottom-up BGR
// bitmap into the RGB rows OpenGL takes, the picture source (embedded by
// default), and loadTextures, which makes the eight textures and the two
// texture-binding lists (ListBindStarTexture, ListBindSunTexture) in the
// current OpenGL context.
#ifndef HALVORN_RENDER_TEXTURES_H
#define HALVORN_RENDER_TEXTURES_H

#include <functional>
#include <vector>

#include "render/pictures.h"

// The eight OpenGL texture names made by loadTextures. Entry i holds the
// picture of TextureResourceIds[i]: 0 the sun, 1 the stars, 2 to 7 the grey
// glow, flash and glare pictures 124 to 129.
extern unsigned int TextureNames[8];

// Resource ids of the pictures, in texture-entry order.
extern const int TextureResourceIds[8];

// Bytes per row of a 24-bit picture `width` pixels wide: 3 * width rounded up
// to a multiple of 4. 0 for widths below 1.
int rgbRowStride(int width);

// The picture as rows of red, green, blue bytes, bottom row first, each row
// padded with zeros to rgbRowStride(width): height * stride bytes. A picture
// of other than 24 bits per pixel gives that many zero bytes (black). Empty
// when the picture has no size, no pixels, or the buffer cannot be had.
std::vector<unsigned char> bitmapToRgb(const BitmapDesc& bitmap);

// Where the pictures come from.
class PictureSource {
public:
    virtual ~PictureSource() {}
    // Loads picture `resourceId` and hands its description to `use`, which
    // may read the pixels only during the call; then releases the picture.
    // False, without calling `use`, when it cannot be loaded or described.
    virtual bool withPicture(int resourceId, const std::function<void(const BitmapDesc&)>& use) = 0;
};

// The pictures built into the program (parsed from the embedded BMP files).
PictureSource& embeddedPictureSource();

// Makes loadTextures take its pictures from `source` (not owned; must outlive
// the calls); null goes back to the embedded pictures.
void setPictureSource(PictureSource* source);

// The source loadTextures uses now.
PictureSource& pictureSource();

// Needs a current OpenGL context. Generates TextureNames, loads the eight
// pictures into them (a picture that cannot be had leaves its name without a
// picture), then compiles ListBindSunTexture and ListBindStarTexture
// (sim/display_lists.h). Once per context. Does not start the battle: the caller runs
// startBattle() (sim/battle.h) right after it, which compiles the other lists.
void loadTextures();

// Deletes the eight textures and the two binding lists (the context must be
// current) and zeroes TextureNames.
void releaseTextures();

#endif
