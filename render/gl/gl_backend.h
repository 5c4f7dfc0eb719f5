// The OpenGL calls the renderer makes, as one interface with two
// implementations chosen at run time: the system's OpenGL 1.1 (the default
// where it is linked; render/gl11_backend.cpp) and a fixed-function
// emulation on OpenGL ES 2.0 / WebGL 1 (render/gles2/). The renderer's sources
// call them through render/gl/gl_api.h under their usual OpenGL names.
//
// Each method is the OpenGL or GLU function of the same name without its
// prefix, with the same arguments and meaning (plain C++ types here so that
// this header needs no GL header). Only the subset this program uses.
#ifndef HALVORN_RENDER_GL_GL_BACKEND_H
#define HALVORN_RENDER_GL_GL_BACKEND_H

class GLUquadric;  // GLU's quadric object (opaque)

class GlBackend {
public:
    virtual ~GlBackend() {}

    // A short name for logs and tests ("gl11", "gles2").
    virtual const char* name() const = 0;

    // A frame's drawing begins (drawFrame calls it first): a backend that
    // streams vertices may reuse the room of frames before the last.
    virtual void beginFrame() {}

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

// The backend in use: the installed one, else the default one (OpenGL 1.1
// where the program links it). Calling GL without either is a programming
// error: it aborts with a message.
GlBackend& glBackend();

// Installs b (not owned; null goes back to the default). Switch between
// frames only, with the backend's context current.
void setGlBackend(GlBackend* b);

// The backend used when none is installed; the OpenGL 1.1 backend sets
// itself as the default when it is linked.
void setDefaultGlBackend(GlBackend* b);

#endif
