// A display list kept on the CPU as well: the triangles the mesh emitters
// write into it, each corner with the colour, normal and winding it is issued
// under, so that the frame batch (render/frame_batch.h) can transform and
// draw it together with everything else instead of calling the list.
//
// Triangles are in OpenGL's own vertex order (strips, fans, quads and quad
// strips unrolled as OpenGL unrolls them, the last vertex of each triangle
// the one flat shading takes its colour from); a triangle wound for GL_CW has
// its first two corners swapped, so that GL_CCW culls it alike. Spheres are
// tessellated as GLU's gluSphere does (smooth normals, outside, no texture).
//
// State the list takes from outside (a colour, normal or winding used before
// the list sets it) is marked as inherited; the state the list leaves behind
// is kept for whoever draws after it.
#ifndef HALVORN_RENDER_LIST_MESH_H
#define HALVORN_RENDER_LIST_MESH_H

#include <vector>

#include "render/mesh_sink.h"

struct ListMesh {
    struct Corner {
        float p[3];  // list coordinates, the list's translations applied
        float normal[3];
        float color[4];
        bool normalKnown;  // false: the current normal when the list is called
        bool colorKnown;   // false: the current colour when the list is called
    };
    // Per triangle: wound as issued (true: GL_CW, corners already swapped),
    // or inheriting the caller's winding.
    enum class Wind : unsigned char { Ccw, Cw, Inherited };

    bool usable = false;          // every call was understood
    std::vector<Corner> corners;  // three per triangle
    std::vector<Wind> winding;    // one per triangle
    // What the list leaves: each only when it sets it.
    bool exitColorKnown = false, exitNormalKnown = false, exitWindingKnown = false;
    float exitColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float exitNormal[3] = {0.0f, 0.0f, 1.0f};
    Winding exitWinding = Winding::Ccw;
    float exitTranslation[3] = {0.0f, 0.0f, 0.0f};  // the model-view moves by this, units
    // A sphere around every corner, list coordinates.
    float centre[3] = {0.0f, 0.0f, 0.0f};
    float radius = 0.0f;
};

// Captures the calls of one list (beginList .. endList) into a ListMesh.
// Texture coordinates, list calls, blending and lights make it unusable.
class ListMeshSink final : public MeshSink {
public:
    explicit ListMeshSink(ListMesh& out) : out_(out) {}

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
    enum class Mode { Triangles, TriangleStrip, TriangleFan, Quads, QuadStrip };
    void open(Mode mode);
    void close();
    void add(const ListMesh::Corner& a, const ListMesh::Corner& b, const ListMesh::Corner& c);

    ListMesh& out_;
    bool inPrimitive_ = false;
    Mode mode_ = Mode::Triangles;
    std::vector<ListMesh::Corner> open_;
    float translation_[3] = {0.0f, 0.0f, 0.0f};
    float color_[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float normal_[3] = {0.0f, 0.0f, 1.0f};
    bool colorKnown_ = false, normalKnown_ = false, windingKnown_ = false;
    Winding winding_ = Winding::Ccw;
};

#endif
