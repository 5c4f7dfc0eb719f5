// The OpenGL calls of the renderer: what render/'s sources include instead of
// the system's GL and GLU headers. Every call goes to the backend in use
// (render/gl/gl_backend.h): the system's OpenGL 1.1 (render/gl11/) or the
// emulation on OpenGL ES 2.0 (render/gles2/). Only the types and functions
// this program uses, and the constants of gl_constants.h. Not to be included
// together with the system's GL headers (the names would clash).
#ifndef HALVORN_RENDER_GL_GL_API_H
#define HALVORN_RENDER_GL_GL_API_H

#include "render/gl/gl_backend.h"
#include "render/gl/gl_constants.h"

typedef unsigned int GLenum;
typedef unsigned char GLboolean;
typedef unsigned int GLbitfield;
typedef int GLint;
typedef int GLsizei;
typedef unsigned int GLuint;
typedef unsigned char GLubyte;
typedef float GLfloat;
typedef float GLclampf;
typedef double GLdouble;
typedef double GLclampd;
typedef GLUquadric GLUquadricObj;

inline void glBegin(unsigned mode) { glBackend().Begin(mode); }
inline void glEnd() { glBackend().End(); }
inline void glVertex3f(float x, float y, float z) { glBackend().Vertex3f(x, y, z); }
inline void glNormal3f(float x, float y, float z) { glBackend().Normal3f(x, y, z); }
inline void glNormal3fv(const float* v) { glBackend().Normal3fv(v); }
inline void glColor3f(float r, float g, float b) { glBackend().Color3f(r, g, b); }
inline void glColor3fv(const float* v) { glBackend().Color3fv(v); }
inline void glColor4f(float r, float g, float b, float a) { glBackend().Color4f(r, g, b, a); }
inline void glColor4fv(const float* v) { glBackend().Color4fv(v); }
inline void glTexCoord2f(float s, float t) { glBackend().TexCoord2f(s, t); }
inline void glVertexPointer(int size, unsigned type, int stride, const void* pointer) {
    glBackend().VertexPointer(size, type, stride, pointer);
}
inline void glNormalPointer(unsigned type, int stride, const void* pointer) {
    glBackend().NormalPointer(type, stride, pointer);
}
inline void glColorPointer(int size, unsigned type, int stride, const void* pointer) {
    glBackend().ColorPointer(size, type, stride, pointer);
}
inline void glTexCoordPointer(int size, unsigned type, int stride, const void* pointer) {
    glBackend().TexCoordPointer(size, type, stride, pointer);
}
inline void glEnableClientState(unsigned array) { glBackend().EnableClientState(array); }
inline void glDisableClientState(unsigned array) { glBackend().DisableClientState(array); }
inline void glDrawArrays(unsigned mode, int first, int count) { glBackend().DrawArrays(mode, first, count); }
inline void glNewList(unsigned list, unsigned mode) { glBackend().NewList(list, mode); }
inline void glEndList() { glBackend().EndList(); }
inline void glCallList(unsigned list) { glBackend().CallList(list); }
inline void glDeleteLists(unsigned list, int range) { glBackend().DeleteLists(list, range); }
inline void glMatrixMode(unsigned mode) { glBackend().MatrixMode(mode); }
inline void glLoadIdentity() { glBackend().LoadIdentity(); }
inline void glLoadMatrixf(const float* m) { glBackend().LoadMatrixf(m); }
inline void glMultMatrixf(const float* m) { glBackend().MultMatrixf(m); }
inline void glPushMatrix() { glBackend().PushMatrix(); }
inline void glPopMatrix() { glBackend().PopMatrix(); }
inline void glRotatef(float angle, float x, float y, float z) { glBackend().Rotatef(angle, x, y, z); }
inline void glTranslatef(float x, float y, float z) { glBackend().Translatef(x, y, z); }
inline void glViewport(int x, int y, int width, int height) { glBackend().Viewport(x, y, width, height); }
inline void glEnable(unsigned cap) { glBackend().Enable(cap); }
inline void glDisable(unsigned cap) { glBackend().Disable(cap); }
inline void glAlphaFunc(unsigned func, float ref) { glBackend().AlphaFunc(func, ref); }
inline void glBlendFunc(unsigned sfactor, unsigned dfactor) { glBackend().BlendFunc(sfactor, dfactor); }
inline void glDepthFunc(unsigned func) { glBackend().DepthFunc(func); }
inline void glDepthMask(unsigned char flag) { glBackend().DepthMask(flag); }
inline void glFrontFace(unsigned mode) { glBackend().FrontFace(mode); }
inline void glShadeModel(unsigned mode) { glBackend().ShadeModel(mode); }
inline void glPolygonStipple(const unsigned char* mask) { glBackend().PolygonStipple(mask); }
inline void glPushAttrib(unsigned mask) { glBackend().PushAttrib(mask); }
inline void glPopAttrib() { glBackend().PopAttrib(); }
inline void glPushClientAttrib(unsigned mask) { glBackend().PushClientAttrib(mask); }
inline void glPopClientAttrib() { glBackend().PopClientAttrib(); }
inline void glClearColor(float r, float g, float b, float a) { glBackend().ClearColor(r, g, b, a); }
inline void glClearDepth(double depth) { glBackend().ClearDepth(depth); }
inline void glClear(unsigned mask) { glBackend().Clear(mask); }
inline void glFlush() { glBackend().Flush(); }
inline unsigned glGetError() { return glBackend().GetError(); }
inline const GLubyte* glGetString(unsigned name) { return glBackend().GetString(name); }
inline void glGetFloatv(unsigned pname, float* params) { glBackend().GetFloatv(pname, params); }
inline void glGetIntegerv(unsigned pname, int* params) { glBackend().GetIntegerv(pname, params); }
inline void glLightfv(unsigned light, unsigned pname, const float* params) {
    glBackend().Lightfv(light, pname, params);
}
inline void glMaterialfv(unsigned face, unsigned pname, const float* params) {
    glBackend().Materialfv(face, pname, params);
}
inline void glMateriali(unsigned face, unsigned pname, int param) { glBackend().Materiali(face, pname, param); }
inline void glColorMaterial(unsigned face, unsigned mode) { glBackend().ColorMaterial(face, mode); }
inline void glGenTextures(int n, unsigned* textures) { glBackend().GenTextures(n, textures); }
inline void glDeleteTextures(int n, const unsigned* textures) { glBackend().DeleteTextures(n, textures); }
inline void glBindTexture(unsigned target, unsigned texture) { glBackend().BindTexture(target, texture); }
inline void glTexParameteri(unsigned target, unsigned pname, int param) {
    glBackend().TexParameteri(target, pname, param);
}
inline void glTexImage2D(unsigned target, int level, int internalFormat, int width, int height, int border,
                         unsigned format, unsigned type, const void* pixels) {
    glBackend().TexImage2D(target, level, internalFormat, width, height, border, format, type, pixels);
}
inline void glTexEnvi(unsigned target, unsigned pname, int param) { glBackend().TexEnvi(target, pname, param); }
inline void glTexGeni(unsigned coord, unsigned pname, int param) { glBackend().TexGeni(coord, pname, param); }
inline void glTexGenfv(unsigned coord, unsigned pname, const float* params) {
    glBackend().TexGenfv(coord, pname, params);
}
inline void glPixelStorei(unsigned pname, int param) { glBackend().PixelStorei(pname, param); }
inline void gluLookAt(double eyeX, double eyeY, double eyeZ, double centreX, double centreY, double centreZ, double upX,
                      double upY, double upZ) {
    glBackend().LookAt(eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ);
}
inline void gluPerspective(double fovy, double aspect, double zNear, double zFar) {
    glBackend().Perspective(fovy, aspect, zNear, zFar);
}
inline GLUquadric* gluNewQuadric() { return glBackend().NewQuadric(); }
inline void gluDeleteQuadric(GLUquadric* quadric) { glBackend().DeleteQuadric(quadric); }
inline void gluQuadricDrawStyle(GLUquadric* quadric, unsigned style) { glBackend().QuadricDrawStyle(quadric, style); }
inline void gluQuadricOrientation(GLUquadric* quadric, unsigned orientation) {
    glBackend().QuadricOrientation(quadric, orientation);
}
inline void gluSphere(GLUquadric* quadric, double radius, int slices, int stacks) {
    glBackend().Sphere(quadric, radius, slices, stacks);
}

#endif
