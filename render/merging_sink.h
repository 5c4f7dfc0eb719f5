// Ship lists compiled as few draws as possible.
//
// A ship list as the emitters write it switches colour and front-face winding
// a dozen times, and a software rasteriser such as llvmpipe pays for every
// switch on every replay (the colour drives the material through colour
// material, the winding the rasteriser state). MergingMeshSink sits between
// the emitters and the GL sink and writes the same picture with the switches
// folded into the vertices:
//
// - the triangles of consecutive triangle, strip and fan primitives become
//   one GL_TRIANGLES primitive, strips and fans unrolled in OpenGL's own
//   order (the last vertex of each triangle stays its last vertex, so flat
//   shading takes its colour from the same vertex);
// - each vertex carries the colour and normal it was issued with;
// - one winding (GL_CCW) serves all of them: a triangle wound for GL_CW has
//   its first two corners swapped, which culls it in exactly the same cases.
//
// Everything else (translations, spheres, quads, list calls, blending, lights,
// texture coordinates) is passed on in order and ends a merged run, and the
// list leaves the current colour, normal and winding exactly as the plain list
// would. Primitives whose vertices depend on state from outside the list (a
// colour, normal or winding the list has not set yet) are passed on as they
// are, so a list still inherits what it inherited before.
//
// The rasterisation is the same up to the order in which a triangle's first
// two corners arrive; llvmpipe sorts them itself, so frames are identical
// except where a triangle has to be clipped at the near plane.
#ifndef HALVORN_RENDER_MERGING_SINK_H
#define HALVORN_RENDER_MERGING_SINK_H

#include <vector>

#include "render/mesh_sink.h"

class MergingMeshSink final : public MeshSink {
public:
    explicit MergingMeshSink(MeshSink& target) : target_(target) {}

    void beginList(int id) override;
    void endList() override;
    void begin(Primitive mode) override;
    void end() override;
    void vertex(float x, float y, float z) override;
    void normal(float x, float y, float z) override;
    void color(float r, float g, float b) override;
    void color(float r, float g, float b, float a) override;
    void texCoord(float s, float t) override;
    void frontFace(Winding w) override;
    void translate(float x, float y, float z) override;
    void sphere(double radius, int slices, int stacks) override;
    void callList(int id) override;
    void alphaBlend(bool on) override;
    void lightPosition(int light, float x, float y, float z, float w) override;

private:
    // Current colour, normal and winding; `known` is false until set in this list.
    struct State {
        bool colorKnown = false;
        bool normalKnown = false;
        bool windingKnown = false;
        float color[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        float normal[3] = {0.0f, 0.0f, 1.0f};
        Winding winding = Winding::Ccw;
    };
    // One vertex with the state it was issued under.
    struct Corner {
        float p[3];
        float color[4];
        float normal[3];
        Winding winding;
    };
    // A call made inside glBegin/glEnd, kept to pass the primitive on unchanged.
    struct Call {
        enum Kind { Vertex, Normal, Color, TexCoord } kind;
        float v[4];
    };

    void resetState();
    // Writes the merged run, if any, as one GL_TRIANGLES primitive.
    void flushRun();
    // Brings the target's colour, normal and winding to `s` (what is known of it).
    void syncTo(const State& s);
    // Flushes the run and syncs the target: before anything passed on.
    void barrier();
    void emitCorner(const Corner& c, bool first);

    MeshSink& target_;
    State state_;        // as the plain list would have it now
    State targetState_;  // what the target's calls so far have set
    State beginState_;   // state_ when the open primitive began
    bool inPrimitive_ = false;
    Primitive mode_ = Primitive::Triangles;
    bool mergeable_ = true;        // the open primitive may join the run
    std::vector<Call> calls_;      // the open primitive's calls
    std::vector<Corner> corners_;  // the open primitive's vertices
    std::vector<Corner> run_;      // merged triangles, three corners each, in GL_CCW order
};

// Compiles list `id` as compileShipList does, through a MergingMeshSink for
// the lists drawn once per ship (ListHexWingFighter, ListFourWingFighter)
// while the drawing paths say so (render/drawing_paths.h: mergedLists).
void compileShipListFor(int id, MeshSink& sink);

#endif
