// The OpenGL calls of the renderer: what render/'s sources include instead of
// the system's GL and GLU headers. Every call goes to the backend in use
// (render/gl_backend.h): the system's OpenGL 1.1 or the emulation on OpenGL
// ES 2.0. Only the types, constants and functions this program uses; the
// constants have OpenGL's values. Not to be included together with the
// system's GL headers (the names would clash).
#ifndef HALVORN_RENDER_GL_API_H
#define HALVORN_RENDER_GL_API_H

#include "render/gl_backend.h"

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

#define GLU_FILL 100012
#define GLU_OUTSIDE 100020
#define GLU_SMOOTH 100000
#define GL_ALL_ATTRIB_BITS 0xFFFFFFFF
#define GL_ALPHA 0x1906
#define GL_ALPHA_TEST 0x0BC0
#define GL_ALWAYS 0x0207
#define GL_AMBIENT 0x1200
#define GL_AMBIENT_AND_DIFFUSE 0x1602
#define GL_BACK 0x0405
#define GL_BLEND 0x0BE2
#define GL_CCW 0x0901
#define GL_CLAMP_TO_EDGE 0x812F
#define GL_CLIENT_ALL_ATTRIB_BITS 0xFFFFFFFF
#define GL_CLIENT_PIXEL_STORE_BIT 0x00000001
#define GL_CLIENT_VERTEX_ARRAY_BIT 0x00000002
#define GL_COLOR_ARRAY 0x8076
#define GL_COLOR_BUFFER_BIT 0x00004000
#define GL_COLOR_MATERIAL 0x0B57
#define GL_COMPILE 0x1300
#define GL_CONSTANT_ATTENUATION 0x1207
#define GL_CULL_FACE 0x0B44
#define GL_CULL_FACE_MODE 0x0B45
#define GL_CURRENT_BIT 0x00000001
#define GL_CURRENT_COLOR 0x0B00
#define GL_CURRENT_NORMAL 0x0B02
#define GL_CW 0x0900
#define GL_DECAL 0x2101
#define GL_DEPTH_BUFFER_BIT 0x00000100
#define GL_DEPTH_TEST 0x0B71
#define GL_DIFFUSE 0x1201
#define GL_EMISSION 0x1600
#define GL_ENABLE_BIT 0x00002000
#define GL_EYE_LINEAR 0x2400
#define GL_EYE_PLANE 0x2502
#define GL_FALSE 0
#define GL_FLAT 0x1D00
#define GL_FLOAT 0x1406
#define GL_FRONT 0x0404
#define GL_FRONT_AND_BACK 0x0408
#define GL_FRONT_FACE 0x0B46
#define GL_GREATER 0x0204
#define GL_INVALID_ENUM 0x0500
#define GL_INVALID_OPERATION 0x0502
#define GL_INVALID_VALUE 0x0501
#define GL_LEQUAL 0x0203
#define GL_LESS 0x0201
#define GL_LIGHT0 0x4000
#define GL_LIGHT1 0x4001
#define GL_LIGHT2 0x4002
#define GL_LIGHT3 0x4003
#define GL_LIGHT4 0x4004
#define GL_LIGHT5 0x4005
#define GL_LIGHT6 0x4006
#define GL_LIGHT7 0x4007
#define GL_LIGHTING 0x0B50
#define GL_LIGHTING_BIT 0x00000040
#define GL_LIGHT_MODEL_AMBIENT 0x0B53
#define GL_LINEAR 0x2601
#define GL_LINEAR_MIPMAP_LINEAR 0x2703
#define GL_LUMINANCE 0x1909
#define GL_MATRIX_MODE 0x0BA0
#define GL_MODELVIEW 0x1700
#define GL_MODELVIEW_MATRIX 0x0BA6
#define GL_MODULATE 0x2100
#define GL_NEAREST 0x2600
#define GL_NEAREST_MIPMAP_NEAREST 0x2700
#define GL_NORMALIZE 0x0BA1
#define GL_NORMAL_ARRAY 0x8075
#define GL_NO_ERROR 0
#define GL_OBJECT_LINEAR 0x2401
#define GL_ONE 1
#define GL_ONE_MINUS_SRC_ALPHA 0x0303
#define GL_OUT_OF_MEMORY 0x0505
#define GL_POLYGON_BIT 0x00000008
#define GL_POLYGON_STIPPLE 0x0B42
#define GL_POSITION 0x1203
#define GL_PROJECTION 0x1701
#define GL_PROJECTION_MATRIX 0x0BA7
#define GL_Q 0x2003
#define GL_QUADS 0x0007
#define GL_QUAD_STRIP 0x0008
#define GL_R 0x2002
#define GL_RENDERER 0x1F01
#define GL_REPEAT 0x2901
#define GL_REPLACE 0x1E01
#define GL_RGB 0x1907
#define GL_RGBA 0x1908
#define GL_S 0x2000
#define GL_SHININESS 0x1601
#define GL_SMOOTH 0x1D01
#define GL_SPECULAR 0x1202
#define GL_SRC_ALPHA 0x0302
#define GL_STACK_OVERFLOW 0x0503
#define GL_STACK_UNDERFLOW 0x0504
#define GL_T 0x2001
#define GL_TEXTURE 0x1702
#define GL_TEXTURE_2D 0x0DE1
#define GL_TEXTURE_BINDING_2D 0x8069
#define GL_TEXTURE_BIT 0x00040000
#define GL_TEXTURE_COORD_ARRAY 0x8078
#define GL_TEXTURE_ENV 0x2300
#define GL_TEXTURE_ENV_COLOR 0x2201
#define GL_TEXTURE_ENV_MODE 0x2200
#define GL_TEXTURE_GEN_MODE 0x2500
#define GL_TEXTURE_GEN_Q 0x0C63
#define GL_TEXTURE_GEN_R 0x0C62
#define GL_TEXTURE_GEN_S 0x0C60
#define GL_TEXTURE_GEN_T 0x0C61
#define GL_TEXTURE_MAG_FILTER 0x2800
#define GL_TEXTURE_MATRIX 0x0BA8
#define GL_TEXTURE_MIN_FILTER 0x2801
#define GL_TEXTURE_WRAP_S 0x2802
#define GL_TEXTURE_WRAP_T 0x2803
#define GL_TRANSFORM_BIT 0x00001000
#define GL_TRIANGLES 0x0004
#define GL_TRIANGLE_FAN 0x0006
#define GL_TRIANGLE_STRIP 0x0005
#define GL_TRUE 1
#define GL_UNPACK_ALIGNMENT 0x0CF5
#define GL_UNPACK_ROW_LENGTH 0x0CF2
#define GL_UNPACK_SKIP_PIXELS 0x0CF4
#define GL_UNPACK_SKIP_ROWS 0x0CF3
#define GL_UNSIGNED_BYTE 0x1401
#define GL_UNSIGNED_SHORT 0x1403
#define GL_VERSION 0x1F02
#define GL_EXTENSIONS 0x1F03
#define GL_VERTEX_ARRAY 0x8074
#define GL_VIEWPORT 0x0BA2
#define GL_ZERO 0

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
