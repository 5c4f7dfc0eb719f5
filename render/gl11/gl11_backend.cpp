// The OpenGL 1.1 backend: every call goes straight to the system's OpenGL
// and GLU. Where the context has buffer objects (OpenGL 1.5 or its ARB
// extension) the frame batch's vertices are streamed through them.
#include "render/gl/gl_backend.h"

#ifdef _WIN32
#include <windows.h>  // the system's GL header builds on it
#endif
#include <GL/gl.h>
#include <GL/glu.h>

#include "render/gl11/buffer_objects.h"

namespace {

class Gl11Backend final : public GlBackend {
public:
    const char* name() const override { return "gl11"; }

    bool start(GlProcLoader load, std::string*) override {
        // Without buffer objects the batch draws from client arrays.
        BufferProcs procs;
        if (findBufferObjects(load, &procs)) stream_.start(procs);
        return true;
    }
    void stop() override { stream_.stop(); }
    // OpenGL 1.1 keeps its state in the context, so there is nothing to hand a
    // new one; no host of this backend loses its context.
    void contextLost() override { stream_ = VertexStream(); }
    bool contextRestored(GlProcLoader, std::string* error) override {
        *error = "gl11: the state went with the lost context";
        return false;
    }
    void beginFrame() override { stream_.beginFrame(); }
    VertexStream& batchStream() override { return stream_; }

    void Begin(unsigned mode) override { ::glBegin(mode); }
    void End() override { ::glEnd(); }
    void Vertex3f(float x, float y, float z) override { ::glVertex3f(x, y, z); }
    void Normal3f(float x, float y, float z) override { ::glNormal3f(x, y, z); }
    void Normal3fv(const float* v) override { ::glNormal3fv(v); }
    void Color3f(float r, float g, float b) override { ::glColor3f(r, g, b); }
    void Color3fv(const float* v) override { ::glColor3fv(v); }
    void Color4f(float r, float g, float b, float a) override { ::glColor4f(r, g, b, a); }
    void Color4fv(const float* v) override { ::glColor4fv(v); }
    void TexCoord2f(float s, float t) override { ::glTexCoord2f(s, t); }
    void VertexPointer(int size, unsigned type, int stride, const void* pointer) override {
        ::glVertexPointer(size, type, stride, pointer);
    }
    void NormalPointer(unsigned type, int stride, const void* pointer) override {
        ::glNormalPointer(type, stride, pointer);
    }
    void ColorPointer(int size, unsigned type, int stride, const void* pointer) override {
        ::glColorPointer(size, type, stride, pointer);
    }
    void TexCoordPointer(int size, unsigned type, int stride, const void* pointer) override {
        ::glTexCoordPointer(size, type, stride, pointer);
    }
    void EnableClientState(unsigned array) override { ::glEnableClientState(array); }
    void DisableClientState(unsigned array) override { ::glDisableClientState(array); }
    void DrawArrays(unsigned mode, int first, int count) override { ::glDrawArrays(mode, first, count); }
    void NewList(unsigned list, unsigned mode) override { ::glNewList(list, mode); }
    void EndList() override { ::glEndList(); }
    void CallList(unsigned list) override { ::glCallList(list); }
    void DeleteLists(unsigned list, int range) override { ::glDeleteLists(list, range); }
    void MatrixMode(unsigned mode) override { ::glMatrixMode(mode); }
    void LoadIdentity() override { ::glLoadIdentity(); }
    void LoadMatrixf(const float* m) override { ::glLoadMatrixf(m); }
    void MultMatrixf(const float* m) override { ::glMultMatrixf(m); }
    void PushMatrix() override { ::glPushMatrix(); }
    void PopMatrix() override { ::glPopMatrix(); }
    void Rotatef(float angle, float x, float y, float z) override { ::glRotatef(angle, x, y, z); }
    void Translatef(float x, float y, float z) override { ::glTranslatef(x, y, z); }
    void Viewport(int x, int y, int width, int height) override { ::glViewport(x, y, width, height); }
    void Enable(unsigned cap) override { ::glEnable(cap); }
    void Disable(unsigned cap) override { ::glDisable(cap); }
    void AlphaFunc(unsigned func, float ref) override { ::glAlphaFunc(func, ref); }
    void BlendFunc(unsigned sfactor, unsigned dfactor) override { ::glBlendFunc(sfactor, dfactor); }
    void DepthFunc(unsigned func) override { ::glDepthFunc(func); }
    void DepthMask(unsigned char flag) override { ::glDepthMask(flag); }
    void FrontFace(unsigned mode) override { ::glFrontFace(mode); }
    void ShadeModel(unsigned mode) override { ::glShadeModel(mode); }
    void PolygonStipple(const unsigned char* mask) override { ::glPolygonStipple(mask); }
    void PushAttrib(unsigned mask) override { ::glPushAttrib(mask); }
    void PopAttrib() override { ::glPopAttrib(); }
    void PushClientAttrib(unsigned mask) override { ::glPushClientAttrib(mask); }
    void PopClientAttrib() override { ::glPopClientAttrib(); }
    void ClearColor(float r, float g, float b, float a) override { ::glClearColor(r, g, b, a); }
    void ClearDepth(double depth) override { ::glClearDepth(depth); }
    void Clear(unsigned mask) override { ::glClear(mask); }
    void Flush() override { ::glFlush(); }
    unsigned GetError() override { return ::glGetError(); }
    const unsigned char* GetString(unsigned name) override { return ::glGetString(name); }
    void GetFloatv(unsigned pname, float* params) override { ::glGetFloatv(pname, params); }
    void GetIntegerv(unsigned pname, int* params) override { ::glGetIntegerv(pname, params); }
    void Lightfv(unsigned light, unsigned pname, const float* params) override { ::glLightfv(light, pname, params); }
    void Materialfv(unsigned face, unsigned pname, const float* params) override {
        ::glMaterialfv(face, pname, params);
    }
    void Materiali(unsigned face, unsigned pname, int param) override { ::glMateriali(face, pname, param); }
    void ColorMaterial(unsigned face, unsigned mode) override { ::glColorMaterial(face, mode); }
    void GenTextures(int n, unsigned* textures) override { ::glGenTextures(n, textures); }
    void DeleteTextures(int n, const unsigned* textures) override { ::glDeleteTextures(n, textures); }
    void BindTexture(unsigned target, unsigned texture) override { ::glBindTexture(target, texture); }
    void TexParameteri(unsigned target, unsigned pname, int param) override { ::glTexParameteri(target, pname, param); }
    void TexImage2D(unsigned target, int level, int internalFormat, int width, int height, int border, unsigned format,
                    unsigned type, const void* pixels) override {
        ::glTexImage2D(target, level, internalFormat, width, height, border, format, type, pixels);
    }
    void TexEnvi(unsigned target, unsigned pname, int param) override { ::glTexEnvi(target, pname, param); }
    void TexGeni(unsigned coord, unsigned pname, int param) override { ::glTexGeni(coord, pname, param); }
    void TexGenfv(unsigned coord, unsigned pname, const float* params) override { ::glTexGenfv(coord, pname, params); }
    void PixelStorei(unsigned pname, int param) override { ::glPixelStorei(pname, param); }
    void LookAt(double eyeX, double eyeY, double eyeZ, double centreX, double centreY, double centreZ, double upX,
                double upY, double upZ) override {
        ::gluLookAt(eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ);
    }
    void Perspective(double fovy, double aspect, double zNear, double zFar) override {
        ::gluPerspective(fovy, aspect, zNear, zFar);
    }
    GLUquadric* NewQuadric() override { return ::gluNewQuadric(); }
    void DeleteQuadric(GLUquadric* quadric) override { ::gluDeleteQuadric(quadric); }
    void QuadricDrawStyle(GLUquadric* quadric, unsigned style) override { ::gluQuadricDrawStyle(quadric, style); }
    void QuadricOrientation(GLUquadric* quadric, unsigned orientation) override {
        ::gluQuadricOrientation(quadric, orientation);
    }
    void Sphere(GLUquadric* quadric, double radius, int slices, int stacks) override {
        ::gluSphere(quadric, radius, slices, stacks);
    }

private:
    VertexStream stream_;
};

}  // namespace

GlBackend& gl11Backend() {
    static Gl11Backend backend;
    return backend;
}
