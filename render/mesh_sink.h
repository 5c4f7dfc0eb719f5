// The seam between the mesh emitters and OpenGL. Emitters describe geometry
// and the little state that goes with it into a MeshSink; GlMeshSink
// (render/gl_mesh_sink.h) turns the calls into display-list commands, the
// RecordingMeshSink below keeps them for inspection without any GL context.
//
// Coordinates are world units, angles are not used, colours are fractions in
// 0..1, texture coordinates are fractions of the picture.
#ifndef HALVORN_RENDER_MESH_SINK_H
#define HALVORN_RENDER_MESH_SINK_H

#include <cstddef>
#include <vector>

// Primitive kinds, as glBegin takes them.
enum class Primitive { Triangles, TriangleStrip, TriangleFan, Quads };

// Front-face winding, as glFrontFace takes it: Cw = GL_CW, Ccw = GL_CCW.
enum class Winding { Cw, Ccw };

// The opposite winding (GL_CW for GL_CCW and back).
Winding swapped(Winding w);

// The triangles of a triangle list, strip or fan of n corners, in drawing
// order: triangle(i, j, k) gets their corners' indices. Every second triangle
// of a strip comes in swapped order, so that all keep the first one's
// winding, and each keeps GL's last corner last (flat shading takes its
// colour). Quads are left to the caller: each splits them its own way.
template <typename Triangle>
void forEachTriangle(Primitive mode, std::size_t n, Triangle triangle) {
    switch (mode) {
    case Primitive::Triangles:
        for (std::size_t k = 0; k + 2 < n; k += 3) triangle(k, k + 1, k + 2);
        break;
    case Primitive::TriangleStrip:
        for (std::size_t k = 0; k + 2 < n; ++k) {
            if (k % 2 == 0) {
                triangle(k, k + 1, k + 2);
            } else {
                triangle(k + 1, k, k + 2);
            }
        }
        break;
    case Primitive::TriangleFan:
        for (std::size_t k = 1; k + 1 < n; ++k) triangle(0, k, k + 1);
        break;
    case Primitive::Quads:
        break;
    }
}

class MeshSink {
public:
    virtual ~MeshSink() {}

    // Starts compiling display list `id` (glNewList(id, GL_COMPILE)).
    virtual void beginList(int id) = 0;
    // Ends the list being compiled (glEndList).
    virtual void endList() = 0;

    // Starts a primitive (glBegin).
    virtual void begin(Primitive mode) = 0;
    // Ends it (glEnd).
    virtual void end() = 0;

    // One vertex, world units (glVertex3f).
    virtual void vertex(float x, float y, float z) = 0;
    // Current normal for the vertices that follow (glNormal3f).
    virtual void normal(float x, float y, float z) = 0;
    // Current colour, alpha 1 (glColor3f).
    virtual void color(float r, float g, float b) = 0;
    // Current colour with alpha (glColor4f).
    virtual void color(float r, float g, float b, float a) = 0;
    // Texture coordinate of the vertices that follow (glTexCoord2f).
    virtual void texCoord(float s, float t) = 0;
    // Which winding faces front (glFrontFace).
    virtual void frontFace(Winding w) = 0;
    // Moves the model-view matrix by (x, y, z) world units (glTranslatef); not undone.
    virtual void translate(float x, float y, float z) = 0;
    // A sphere of `radius` units at the current origin, drawn with the scene's
    // quadric (gluSphere).
    virtual void sphere(double radius, int slices, int stacks) = 0;

    // Calls display list `id` (glCallList).
    virtual void callList(int id) = 0;
    // on: glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA), glEnable(GL_BLEND);
    // off: glDisable(GL_BLEND).
    virtual void alphaBlend(bool on) = 0;
    // Position of light `light` (0..7) under the current matrix (glLightfv GL_POSITION).
    virtual void lightPosition(int light, float x, float y, float z, float w) = 0;
};

// Forwards everything to another sink mirrored in the plane z = 0: vertices,
// normals, translations and light positions get -z, every front-face winding
// is swapped, so a closed surface keeps facing outward. A mirrored sphere is
// the same sphere. Lists called through it are not mirrored.
class MirrorZSink final : public MeshSink {
public:
    explicit MirrorZSink(MeshSink& target) : target_(target) {}

    void beginList(int id) override { target_.beginList(id); }
    void endList() override { target_.endList(); }
    void begin(Primitive mode) override { target_.begin(mode); }
    void end() override { target_.end(); }
    void vertex(float x, float y, float z) override { target_.vertex(x, y, -z); }
    void normal(float x, float y, float z) override { target_.normal(x, y, -z); }
    void color(float r, float g, float b) override { target_.color(r, g, b); }
    void color(float r, float g, float b, float a) override { target_.color(r, g, b, a); }
    void texCoord(float s, float t) override { target_.texCoord(s, t); }
    void frontFace(Winding w) override { target_.frontFace(swapped(w)); }
    void translate(float x, float y, float z) override { target_.translate(x, y, -z); }
    void sphere(double radius, int slices, int stacks) override { target_.sphere(radius, slices, stacks); }
    void callList(int id) override { target_.callList(id); }
    void alphaBlend(bool on) override { target_.alphaBlend(on); }
    void lightPosition(int light, float x, float y, float z, float w) override {
        target_.lightPosition(light, x, y, -z, w);
    }

private:
    MeshSink& target_;
};

// Keeps every call, in order, for inspection: no GL involved.
class RecordingMeshSink final : public MeshSink {
public:
    enum class Op {
        BeginList,
        EndList,
        Begin,
        End,
        Vertex,
        Normal,
        Color,
        TexCoord,
        FrontFace,
        Translate,
        Sphere,
        CallList,
        AlphaBlend,
        LightPosition
    };

    // One call. `v` holds the float arguments (x, y, z[, w] / r, g, b, a / s, t /
    // radius), `i` the integer one (list id, primitive, winding, light, slices,
    // blend on), `j` the second integer (stacks).
    struct Command {
        Op op;
        float v[4];
        int i;
        int j;
    };

    // One assembled triangle: corners in list coordinates (the translations
    // issued so far applied), in the order OpenGL sees them, with the state
    // current at its last vertex.
    struct Triangle {
        float a[3], b[3], c[3];
        float color[4];
        float normal[3];
        Winding front;
        int list;           // list being compiled, 0 outside any
        std::size_t first;  // index of its first vertex among all vertices recorded

        // Direction its front side looks to (not normalised): the geometric
        // normal (b - a) x (c - a), negated under GL_CW.
        void facing(float out[3]) const;
        // True when its corners span no area.
        bool degenerate() const;
    };

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

    const std::vector<Command>& commands() const { return commands_; }
    // Vertex calls recorded so far.
    std::size_t vertexCount() const;
    // The triangles of every primitive recorded so far (strips and fans
    // unrolled with OpenGL's vertex order, quads split into two).
    const std::vector<Triangle>& triangles() const { return triangles_; }
    // The translation accumulated so far, world units.
    const float* translation() const { return translation_; }
    // Forgets everything recorded and resets the state.
    void clear();

private:
    void push(Op op, float a, float b, float c, float d, int i, int j);
    void finishPrimitive();

    struct Corner {
        float p[3];
        float color[4];
        float normal[3];
        Winding front;
        std::size_t index;
    };

    std::vector<Command> commands_;
    std::vector<Triangle> triangles_;
    std::vector<Corner> open_;  // vertices of the primitive being recorded
    bool inPrimitive_ = false;
    Primitive mode_ = Primitive::Triangles;
    float translation_[3] = {0.0f, 0.0f, 0.0f};
    float color_[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float normal_[3] = {0.0f, 0.0f, 1.0f};
    Winding front_ = Winding::Ccw;
    int list_ = 0;
    std::size_t vertices_ = 0;
};

#endif
