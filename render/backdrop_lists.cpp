// Backdrop lists. Each face is wound counter-clockwise as seen from the eye at
// the origin, so it faces inward; it sets no normal and no winding of its own
// (drawBackdrop sets GL_CCW).
#include "render/backdrop_lists.h"

int StarFaceList = ListStarTiles;

int starFaceListFor(int lowResStars) { return lowResStars != 0 ? ListStarTile : ListStarTiles; }

namespace {

constexpr float Half = 1024.0f;    // half the cube's edge, units
constexpr float FaceZ = -1024.0f;  // the face plane in its own frame

// One quarter-size tile moved by (dx, dy): top-left, bottom-left, top-right,
// bottom-right, with the texture once across it.
void quarterTile(MeshSink& sink, float dx, float dy) {
    sink.texCoord(0, 1);
    sink.vertex(-Half + dx, Half + dy, FaceZ);
    sink.texCoord(0, 0);
    sink.vertex(-Half + dx, 0 + dy, FaceZ);
    sink.texCoord(1, 1);
    sink.vertex(0 + dx, Half + dy, FaceZ);
    sink.texCoord(1, 0);
    sink.vertex(0 + dx, 0 + dy, FaceZ);
}

}  // namespace

void compileSunList(MeshSink& sink) {
    sink.beginList(ListSun);
    sink.alphaBlend(true);
    sink.color(0.9f, 0.9f, 0.9f, 0.8f);
    sink.callList(ListBindSunTexture);
    sink.begin(Primitive::Quads);
    sink.texCoord(0, 1);
    sink.vertex(-788, 128, -1000);
    sink.texCoord(1, 1);
    sink.vertex(-788, -372, -1000);
    sink.texCoord(1, 0);
    sink.vertex(-288, -372, -1000);
    sink.texCoord(0, 0);
    sink.vertex(-288, 128, -1000);
    sink.end();
    sink.alphaBlend(false);
    // Under the eye translation: light 2 sits where the sun is drawn.
    sink.lightPosition(2, -538, -122, -1000, 1.0f);
    sink.endList();
}

void compileStarTilesList(MeshSink& sink) {
    // Two strips of two tiles each; the two triangles at the join of a strip
    // have no area, which lets the texture start afresh in the second tile.
    sink.beginList(ListStarTiles);
    sink.begin(Primitive::TriangleStrip);
    quarterTile(sink, 0, 0);
    quarterTile(sink, Half, 0);
    sink.end();
    sink.begin(Primitive::TriangleStrip);
    quarterTile(sink, 0, -Half);
    quarterTile(sink, Half, -Half);
    sink.end();
    sink.endList();
}

void compileStarTileList(MeshSink& sink) {
    sink.beginList(ListStarTile);
    sink.begin(Primitive::TriangleStrip);
    sink.texCoord(0, 1);
    sink.vertex(-Half, Half, FaceZ);
    sink.texCoord(0, 0);
    sink.vertex(-Half, -Half, FaceZ);
    sink.texCoord(1, 1);
    sink.vertex(Half, Half, FaceZ);
    sink.texCoord(1, 0);
    sink.vertex(Half, -Half, FaceZ);
    sink.end();
    sink.endList();
}

void compileStarFaceLists(MeshSink& sink) {
    compileStarTilesList(sink);
    compileStarTileList(sink);
}
