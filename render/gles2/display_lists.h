// Display lists on OpenGL ES 2.0, which has none. While a list is compiled
// (glNewList ... glEndList, always GL_COMPILE here) the ListRecorder keeps its
// primitives as meshes and the state changes between them as operations:
//
// - the vertices of consecutive primitives go into one mesh until a state
//   change comes (a translation, an enable or disable, a blend function, a
//   light, a texture binding, a call of another list), which closes it and is
//   kept as an operation to replay between the meshes; translations are kept
//   as matrix changes rather than baked into the vertices, so that their
//   rounding is OpenGL's and coplanar parts keep their depth order;
// - primitives issued after the list set its own front face are kept
//   counter-clockwise (reversed when the list said clockwise) in a mesh of
//   their own; the others follow the winding of whoever calls the list;
// - a vertex issued before the list set a colour or a normal of its own is
//   marked to take the caller's current one (IssuedVertex::inherit);
// - what the list leaves behind (colour, normal, texture coordinates, front
//   face) is noted and set again after each call.
//
// A mesh becomes a buffer object the first time it is drawn with a shade
// model: meshTriangles gives its triangles for it, or meshCorners its
// vertices and their triangles where flat varyings serve both shade models
// (gles2_backend.cpp makes the buffers). Pure: no GL calls.
#ifndef HALVORN_RENDER_GLES2_DISPLAY_LISTS_H
#define HALVORN_RENDER_GLES2_DISPLAY_LISTS_H

#include <memory>
#include <vector>

#include "render/gles2/fixed_function.h"
#include "render/gles2/primitives.h"

// Calls of lists from lists deeper than this are not made (OpenGL's own limit is 64).
constexpr int MaxListNesting = 8;

struct ListMesh {
    struct Primitive {
        unsigned mode;   // GL_TRIANGLES, GL_QUADS, ...
        int count;       // vertices
        bool clockwise;  // the list wound it clockwise: reversed to counter-clockwise when unrolled
    };
    std::vector<IssuedVertex> vertices;  // one primitive after another
    std::vector<Primitive> primitives;
    bool ownWinding = true;  // wound counter-clockwise here; false: drawn with the caller's front face
    // Its buffer objects, made on first use: with OpenGL ES 2.0 its triangles
    // unrolled for smooth and for flat shading; with flat varyings its
    // vertices once and the corners of its triangles, for both.
    unsigned buffer[2] = {0, 0};
    int count[2] = {0, 0};  // vertices in each
    unsigned vertexBuffer = 0, cornerBuffer = 0;
    int corners = 0;
};

// A state change between a list's meshes, replayed at each call.
struct ListOp {
    enum Kind { Mesh, Translate, CallList, Enable, Disable, BlendFunc, Light, BindTexture } kind;
    int mesh = -1;              // Mesh: index into DisplayList::meshes
    unsigned u[2] = {0, 0};     // the call's enum or name arguments
    float f[4] = {0, 0, 0, 0};  // its float arguments
};

struct DisplayList {
    std::vector<ListMesh> meshes;
    std::vector<ListOp> ops;
    // What the list leaves behind, where it sets it.
    bool exitColor = false, exitNormal = false, exitTexCoord = false, exitWinding = false;
    float color[4] = {1, 1, 1, 1};
    float normal[3] = {0, 0, 1};
    float texCoord[2] = {0, 0};
    unsigned winding = GL_CCW;
};

// The triangles of `mesh` for a shade model, in the order its buffer holds them.
void meshTriangles(const ListMesh& mesh, bool flat, std::vector<ShaderVertex>* out);
// The same triangles as `mesh`'s vertices, each lit as itself and equal ones
// once, and the indices of their corners (triangleCorners), for flat varyings.
void meshCorners(const ListMesh& mesh, std::vector<ShaderVertex>* vertices, std::vector<unsigned>* corners);

class ListRecorder {
public:
    // glNewList: recording starts; `current` is the current attributes, which
    // compiling changes only until end().
    void begin(unsigned id, const CurrentGroup& current);
    bool recording() const { return list_ != nullptr; }
    unsigned id() const { return id_; }
    // glEndList: the recorded list; *current is given back its value at begin().
    DisplayList end(CurrentGroup* current);

    // What a vertex issued now takes from the list's caller (InheritColor, InheritNormal).
    int inheritance() const;
    // The list sets its colour, normal, texture coordinates or front face.
    void color(const float c[4]);
    void normal(const float n[3]);
    void texCoord(float s, float t);
    void frontFace(unsigned mode);
    // A whole primitive, as glBegin(mode) ... glEnd() issued it.
    void primitive(unsigned mode, const std::vector<IssuedVertex>& vertices);
    // A state change: closes the meshes recorded so far and keeps `op` after them.
    void op(const ListOp& op);

private:
    void endSegment();

    std::unique_ptr<DisplayList> list_;
    unsigned id_ = 0;
    ListMesh segment_[2];  // being recorded: own winding, caller's winding
    bool colorKnown_ = false, normalKnown_ = false, windingKnown_ = false;
    unsigned winding_ = GL_CCW;
    CurrentGroup saved_;
};

#endif
