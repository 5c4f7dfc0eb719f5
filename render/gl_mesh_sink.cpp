// The only place where mesh emitters reach OpenGL.
#include "render/gl_mesh_sink.h"

#include "render/gl/gl_api.h"

namespace {

GLenum glMode(Primitive mode) {
    switch (mode) {
    case Primitive::Triangles:
        return GL_TRIANGLES;
    case Primitive::TriangleStrip:
        return GL_TRIANGLE_STRIP;
    case Primitive::TriangleFan:
        return GL_TRIANGLE_FAN;
    case Primitive::Quads:
        return GL_QUADS;
    }
    return GL_TRIANGLES;
}

}  // namespace

void GlMeshSink::beginList(int id) { glNewList(static_cast<GLuint>(id), GL_COMPILE); }

void GlMeshSink::endList() { glEndList(); }

void GlMeshSink::begin(Primitive mode) { glBegin(glMode(mode)); }

void GlMeshSink::end() { glEnd(); }

void GlMeshSink::vertex(float x, float y, float z) { glVertex3f(x, y, z); }

void GlMeshSink::normal(float x, float y, float z) { glNormal3f(x, y, z); }

void GlMeshSink::color(float r, float g, float b) { glColor3f(r, g, b); }

void GlMeshSink::color(float r, float g, float b, float a) { glColor4f(r, g, b, a); }

void GlMeshSink::texCoord(float s, float t) { glTexCoord2f(s, t); }

void GlMeshSink::frontFace(Winding w) { glFrontFace(w == Winding::Cw ? GL_CW : GL_CCW); }

void GlMeshSink::translate(float x, float y, float z) { glTranslatef(x, y, z); }

void GlMeshSink::sphere(double radius, int slices, int stacks) {
    if (quadric_ != nullptr) {
        gluSphere(quadric_, radius, slices, stacks);
    }
}

void GlMeshSink::callList(int id) { glCallList(static_cast<GLuint>(id)); }

void GlMeshSink::alphaBlend(bool on) {
    if (on) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_BLEND);
    } else {
        glDisable(GL_BLEND);
    }
}

void GlMeshSink::lightPosition(int light, float x, float y, float z, float w) {
    if (light < 0 || light > 7) {
        return;  // only GL_LIGHT0 to GL_LIGHT7 are guaranteed to exist
    }
    const GLfloat position[4] = {x, y, z, w};
    glLightfv(static_cast<GLenum>(GL_LIGHT0 + light), GL_POSITION, position);
}
