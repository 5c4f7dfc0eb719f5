// The frame batch: everything the battle draws in a frame (ships, bolts and
// beams, debris, flash sprites, glow shells) collected into a few vertex
// arrays keyed by the OpenGL state they need, and drawn with a handful of
// glDrawArrays calls instead of a push, multiply, list call and pop, or a
// glBegin/glEnd, per item.
//
// The model-view transforms the straightforward drawing hands to OpenGL are
// composed on the CPU instead, with the same products in the same order, and
// every vertex is taken to eye coordinates there (normals by the inverse
// transpose, as OpenGL does); the batch is drawn with the identity as
// model-view matrix, so positions and lighting match the straightforward
// drawing up to rounding. Colour, normal and front-face winding are tracked as
// OpenGL would hold them, and written back when the frame's battle drawing
// ends. OpenGL's own model-view matrix is never touched by the items, so what
// the camera reads back from it stays what it always was.
//
// Lists of more than a few dozen triangles (the ships) are not copied: their
// geometry already lives with OpenGL, so each is called under its composed
// matrix loaded with glLoadMatrixf (two calls, no vertices moved, and the very
// transform the straightforward drawing uses). Small lists (bolts, beams) are.
//
// Styles, each one state:
//   solid   lit, flat, culled, opaque (small lists: bolts and beams);
//   debris  lit, flat, not culled, one of 32 stipple masks (as alpha
//           textures, see debris_batch.h), opaque; both windings of a
//           fragment paint what one draw without culling paints;
//   glow    lit, smooth, culled, textured, alpha-blended (flash sprites and
//           glow shells), one run per texture.
//
// Order: opaque items are depth-tested and may be painted in any order. A
// blended item must be painted after the opaque items issued before it, and
// an opaque item issued after it must not be painted beneath it where it lies
// behind. So blended items wait, in order, after all opaque ones, and an
// opaque item whose sight cone meets a waiting blended item's cone first has
// everything waiting painted. Blended items join an earlier run of their
// texture when no item between them shares a cone with them, so blended
// items that overlap keep their order. Needs a current OpenGL context.
#ifndef HALVORN_RENDER_FRAME_BATCH_H
#define HALVORN_RENDER_FRAME_BATCH_H

#include <vector>

#include "render/list_mesh.h"

class Explosion;
struct Vector3;

// True when the battle is drawn through the frame batch (the default);
// false brings back the straightforward drawing, item by item.
bool frameBatching();
void setFrameBatching(bool on);

// Counts of the last frame drawn through the batch, for tests and measurements.
struct FrameBatchStats {
    long items = 0;     // lists, shells and sprites added
    long vertices = 0;  // vertices drawn
    long flushes = 0;   // times the waiting items were painted
    long draws = 0;     // glDrawArrays calls
    long lists = 0;     // lists called as they are
};

class FrameBatch {
public:
    FrameBatch();

    // Starts the battle drawing of a frame: takes the current colour, normal
    // and winding from OpenGL (the backdrop drawn before may have set them).
    void beginFrame();
    // Paints everything waiting and hands the tracked colour, normal and
    // winding back to OpenGL.
    void endFrame();

    // The model-view matrix, composed here: the bottom is OpenGL's own (read
    // once when first needed after forgetBase()).
    void forgetBase() { baseKnown_ = false; }
    void push();
    void pushMult(const float m[16]);
    void pop();
    void rotate(float angle, float x, float y, float z);
    void translate(float x, float y, float z);
    int depth() const { return depth_; }
    const float* top();

    // Current colour (glColor3fv, glColor4f) and normal.
    void color(float r, float g, float b, float a);

    // Lists kept on the CPU, by list id (0 for none).
    void keepList(int id, const ListMesh& mesh);
    bool hasList(int id) const;

    // Items under the current model-view matrix.
    void list(int id);
    void debrisShell(const Explosion& e, int shell);
    void flash(const Explosion& e, const Vector3& viewRight, const Vector3& viewUp, unsigned texture);
    void glowShell(const Explosion& e, int shell, unsigned texture);

    // Paints everything waiting now.
    void flush();

    FrameBatchStats stats() const { return last_; }

    struct Vertex {
        float p[3];
        float n[3];
        float c[4];
        float t[2];
    };
    // Sight cone of a sphere in eye coordinates: unit direction, cosine and
    // sine of the half-angle (wide: the eye is inside).
    struct Cone {
        float d[3];
        float cosA, sinA;
        bool wide;
    };

private:
    // A blended item waiting: its cone, the run it joined and its vertices
    // in blendedVertices_.
    struct Waiting {
        Cone cone;
        int run;
        int first, count;
    };

    Cone coneAround(const float centre[3], float radius) const;
    bool meetsWaitingBlended(const Cone& c) const;
    void opaque(const Cone& c);
    // Starts a blended item; its vertices follow in blendedVertices_.
    void blended(const Cone& c, unsigned texture);
    void endBlended();
    void eyeNormal(const float m[16], const float n[3], float out[3]) const;

    static constexpr int MaxDepth = 32;
    float stack_[MaxDepth][16];
    int depth_ = 0;
    bool baseKnown_ = false;

    float color_[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float normal_[3] = {0.0f, 0.0f, 1.0f};
    bool cw_ = false;  // front face GL_CW

    std::vector<ListMesh> lists_;  // by id; unusable where none is kept

    // Every buffer keeps its room from frame to frame: a running battle
    // allocates nothing here once they have grown to its busiest frame.
    std::vector<Vertex> solid_;
    std::vector<Vertex> debris_;             // three per fragment
    std::vector<unsigned char> debrisMask_;  // one per fragment
    std::vector<unsigned> runTexture_;       // per run
    std::vector<int> runFirst_;              // per run and one more: where it starts in staging_
    std::vector<Vertex> blendedVertices_;
    std::vector<Waiting> waiting_;
    std::vector<Vertex> staging_;

    FrameBatchStats stats_, last_;
};

// The renderer's batch.
FrameBatch& frameBatch();

#endif
