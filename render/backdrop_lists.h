// The display lists of the backdrop: the star-cube faces and the sun square.
// Geometry is in the eye-centred frame of one face (the face lies at
// z = -1024, 2048 units across), world units.
#ifndef HALVORN_RENDER_BACKDROP_LISTS_H
#define HALVORN_RENDER_BACKDROP_LISTS_H

#include "render/mesh_sink.h"
#include "sim/display_lists.h"

// Id of the list drawn for each backdrop face: ListStarTiles (8) for the normal
// starfield, ListStarTile (9) for the low-resolution one. Starts at
// ListStarTiles; the settings set it.
extern int StarFaceList;

// Which face list a low-resolution-stars setting selects (non-zero: 9, else 8).
int starFaceListFor(int lowResStars);

// ListSun: the sun square at (-538, -122, -1000), half-size 250, alpha-blended
// with colour (0.9, 0.9, 0.9, 0.8) and the sun texture (ListBindSunTexture); ends by
// putting light 2 at the sun.
void compileSunList(MeshSink& sink);
// ListStarTiles: one face as 2 x 2 star tiles, each 1024 units across.
void compileStarTilesList(MeshSink& sink);
// ListStarTile: one face as a single star tile.
void compileStarTileList(MeshSink& sink);
// ListStarTiles and ListStarTile, in that order.
void compileStarFaceLists(MeshSink& sink);

#endif
