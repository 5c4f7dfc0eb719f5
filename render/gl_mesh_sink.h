// The mesh sink that issues OpenGL 1.1 immediate-mode commands, meant for
// compiling display lists. Needs a current OpenGL context.
#ifndef HALVORN_RENDER_GL_MESH_SINK_H
#define HALVORN_RENDER_GL_MESH_SINK_H

#include "render/gl/gl_backend.h"  // GLUquadric

#include "render/mesh_sink.h"

class GlMeshSink final : public MeshSink {
public:
    // Spheres are drawn with `quadric` (the scene's quadric); with none they
    // are left out.
    explicit GlMeshSink(GLUquadric* quadric) : quadric_(quadric) {}

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
    GLUquadric* quadric_;
};

#endif
