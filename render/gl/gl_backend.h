// The OpenGL calls the renderer makes, as one interface with two
// implementations: the system's OpenGL 1.1 (gl11Backend(), render/gl11/) and
// a fixed-function emulation on OpenGL ES 2.0 / WebGL 1 (gles2Backend(),
// render/gles2/). The renderer's sources call them through
// render/gl/gl_api.h under their usual OpenGL names.
//
// Nothing is chosen behind a host's back: the host hands the backend of its
// context to its painter (host/common/gl_painter.h), which starts it,
// installs it with setGlBackend for as long as it draws, and stops it.
//
// Each GL method is the OpenGL or GLU function of the same name without its
// prefix, with the same arguments and meaning (plain C++ types here so that
// this header needs no GL header). Only the subset this program uses.
#ifndef HALVORN_RENDER_GL_GL_BACKEND_H
#define HALVORN_RENDER_GL_GL_BACKEND_H

#include <string>

#include "render/gl/vertex_stream.h"

class GLUquadric;  // GLU's quadric object (opaque)

class GlBackend {
public:
    virtual ~GlBackend() {}

    // A short name for logs and tests ("gl11", "gles2").
    virtual const char* name() const = 0;

    // --- Life in a context (the painter calls these with it current) -------

    // Starts in the current context: `load` finds the context's entry points
    // beyond OpenGL 1.1 (may be null). False with *error set ("gles2: ...")
    // when the backend cannot draw in this context.
    virtual bool start(GlProcLoader load, std::string* error) = 0;
    // Deletes everything start and the drawing made; the context stays current.
    virtual void stop() = 0;
    // The context was lost (a browser may take a WebGL context away at any
    // time): forgets the names of everything it made without deleting them.
    virtual void contextLost() = 0;
    // A new context is current after contextLost: makes its objects again and
    // hands the new context the state the renderer set before the loss. False
    // with *error set when it cannot (the painter keeps the battle waiting).
    virtual bool contextRestored(GlProcLoader load, std::string* error) = 0;
    // A frame's drawing begins (drawFrame calls it first): a backend that
    // streams vertices may reuse the room of frames before the last.
    virtual void beginFrame() = 0;
    // The stream the frame batch copies its vertices into before it points
    // the client arrays at them: buffer objects where the backend has them,
    // else the batch's own memory.
    virtual VertexStream& batchStream() = 0;

    // --- OpenGL 1.1 and GLU -------------------------------------------------

    // Immediate mode and current attributes.
    virtual void Begin(unsigned mode) = 0;
    virtual void End() = 0;
    virtual void Vertex3f(float x, float y, float z) = 0;
    virtual void Normal3f(float x, float y, float z) = 0;
    virtual void Normal3fv(const float* v) = 0;
    virtual void Color3f(float r, float g, float b) = 0;
    virtual void Color3fv(const float* v) = 0;
    virtual void Color4f(float r, float g, float b, float a) = 0;
    virtual void Color4fv(const float* v) = 0;
    virtual void TexCoord2f(float s, float t) = 0;

    // Client arrays.
    virtual void VertexPointer(int size, unsigned type, int stride, const void* pointer) = 0;
    virtual void NormalPointer(unsigned type, int stride, const void* pointer) = 0;
    virtual void ColorPointer(int size, unsigned type, int stride, const void* pointer) = 0;
    virtual void TexCoordPointer(int size, unsigned type, int stride, const void* pointer) = 0;
    virtual void EnableClientState(unsigned array) = 0;
    virtual void DisableClientState(unsigned array) = 0;
    virtual void DrawArrays(unsigned mode, int first, int count) = 0;

    // Display lists.
    virtual void NewList(unsigned list, unsigned mode) = 0;
    virtual void EndList() = 0;
    virtual void CallList(unsigned list) = 0;
    virtual void DeleteLists(unsigned list, int range) = 0;

    // Matrices.
    virtual void MatrixMode(unsigned mode) = 0;
    virtual void LoadIdentity() = 0;
    virtual void LoadMatrixf(const float* m) = 0;
    virtual void MultMatrixf(const float* m) = 0;
    virtual void PushMatrix() = 0;
    virtual void PopMatrix() = 0;
    virtual void Rotatef(float angle, float x, float y, float z) = 0;
    virtual void Translatef(float x, float y, float z) = 0;
    virtual void Viewport(int x, int y, int width, int height) = 0;

    // Server state.
    virtual void Enable(unsigned cap) = 0;
    virtual void Disable(unsigned cap) = 0;
    virtual void AlphaFunc(unsigned func, float ref) = 0;
    virtual void BlendFunc(unsigned sfactor, unsigned dfactor) = 0;
    virtual void DepthFunc(unsigned func) = 0;
    virtual void DepthMask(unsigned char flag) = 0;
    virtual void FrontFace(unsigned mode) = 0;
    virtual void ShadeModel(unsigned mode) = 0;
    virtual void PolygonStipple(const unsigned char* mask) = 0;
    virtual void PushAttrib(unsigned mask) = 0;
    virtual void PopAttrib() = 0;
    virtual void PushClientAttrib(unsigned mask) = 0;
    virtual void PopClientAttrib() = 0;
    virtual void ClearColor(float r, float g, float b, float a) = 0;
    virtual void ClearDepth(double depth) = 0;
    virtual void Clear(unsigned mask) = 0;
    virtual void Flush() = 0;
    virtual unsigned GetError() = 0;
    virtual const unsigned char* GetString(unsigned name) = 0;
    virtual void GetFloatv(unsigned pname, float* params) = 0;
    virtual void GetIntegerv(unsigned pname, int* params) = 0;

    // Lighting.
    virtual void Lightfv(unsigned light, unsigned pname, const float* params) = 0;
    virtual void Materialfv(unsigned face, unsigned pname, const float* params) = 0;
    virtual void Materiali(unsigned face, unsigned pname, int param) = 0;
    virtual void ColorMaterial(unsigned face, unsigned mode) = 0;

    // Textures.
    virtual void GenTextures(int n, unsigned* textures) = 0;
    virtual void DeleteTextures(int n, const unsigned* textures) = 0;
    virtual void BindTexture(unsigned target, unsigned texture) = 0;
    virtual void TexParameteri(unsigned target, unsigned pname, int param) = 0;
    virtual void TexImage2D(unsigned target, int level, int internalFormat, int width, int height, int border,
                            unsigned format, unsigned type, const void* pixels) = 0;
    virtual void TexEnvi(unsigned target, unsigned pname, int param) = 0;
    virtual void TexGeni(unsigned coord, unsigned pname, int param) = 0;
    virtual void TexGenfv(unsigned coord, unsigned pname, const float* params) = 0;
    virtual void PixelStorei(unsigned pname, int param) = 0;

    // GLU.
    virtual void LookAt(double eyeX, double eyeY, double eyeZ, double centreX, double centreY, double centreZ,
                        double upX, double upY, double upZ) = 0;
    virtual void Perspective(double fovy, double aspect, double zNear, double zFar) = 0;
    virtual GLUquadric* NewQuadric() = 0;
    virtual void DeleteQuadric(GLUquadric* quadric) = 0;
    virtual void QuadricDrawStyle(GLUquadric* quadric, unsigned style) = 0;
    virtual void QuadricOrientation(GLUquadric* quadric, unsigned orientation) = 0;
    virtual void Sphere(GLUquadric* quadric, double radius, int slices, int stacks) = 0;
};

// The backend in use. Calling GL with none installed is a programming error:
// it aborts with a message.
GlBackend& glBackend();

// Installs b (not owned; null: none). Switch between frames only, with the
// backend's context current.
void setGlBackend(GlBackend* b);

// The backends, one each per process (each follows one context at a time).
// A program has those it links: render_gl11 and render_gles2.
GlBackend& gl11Backend();
GlBackend& gles2Backend();
// Whether the ES backend flat-shades with OpenGL ES 3.0's flat varyings
// where the context has them (the default, and faster), or everywhere as on
// OpenGL ES 2.0 and WebGL 1, which the tests compare it with. Read at start.
void gles2AllowFlatVaryings(bool allowed);

#endif
