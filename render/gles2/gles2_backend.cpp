// The renderer's OpenGL 1.1 calls on OpenGL ES 2.0 / WebGL 1: a compact
// fixed-function emulation for exactly the subset this program uses. The
// stages live in files of their own:
//
//   fixed_function.*  the state the GL calls set: matrix stacks, attribute
//                     groups with glPushAttrib, client arrays (pure)
//   primitives.*      quads, strips and fans unrolled into triangles, or
//                     their corners as indices (pure)
//   display_lists.*   lists recorded as meshes and state changes (pure)
//   shaders.*         the GLSL that lights, textures and tests as OpenGL 1.1 does
//   programs.*        one program per feature set, typed uniform setters
//   draw_state.*      what ES is handed before each draw: the program, its
//                     uniforms, and the ES state that changed
//   render/gl/vertex_stream.*  the bounded stream the immediate-mode and
//                     client-array vertices go through
//
// This file routes each GL call to its stage, keeps the lists and what is
// known of each texture, and draws. Needs a current ES 2.0 context between
// start and stop; where the context is ES 3.0 or later, display lists are
// drawn indexed with flat varyings (drawMesh), each vertex lit once.
#include <GLES2/gl2.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "render/gl/gl_backend.h"
#include "render/gl/gl_constants.h"
#include "render/gl/gl_strings.h"
#include "render/gl/glu_sphere.h"
#include "render/gl/vertex_stream.h"
#include "render/gles2/display_lists.h"
#include "render/gles2/draw_state.h"
#include "render/gles2/fixed_function.h"
#include "render/gles2/primitives.h"
#include "render/gles2/shaders.h"
#include "sim/gl_math.h"

namespace {

bool flatVaryingsAllowed = true;

// ES 2.0's own buffer entry points, for the vertex stream.
BufferProcs esBufferProcs() {
    BufferProcs p;
    p.genBuffers = [](int n, unsigned* b) { glGenBuffers(n, b); };
    p.deleteBuffers = [](int n, const unsigned* b) { glDeleteBuffers(n, b); };
    p.bindBuffer = [](unsigned target, unsigned b) { glBindBuffer(target, b); };
    p.bufferData = [](unsigned target, std::ptrdiff_t bytes, const void* data, unsigned usage) {
        glBufferData(target, static_cast<GLsizeiptr>(bytes), data, usage);
    };
    p.bufferSubData = [](unsigned target, std::ptrdiff_t offset, std::ptrdiff_t bytes, const void* data) {
        glBufferSubData(target, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(bytes), data);
    };
    return p;
}

// What is known of a texture name's picture.
struct TextureInfo {
    bool alpha = false;
    bool hasImage = false;
    bool powerOfTwo = false;
    bool mipmapped = false;  // a mipmap minification filter
};

class Gles2Backend final : public GlBackend {
public:
    const char* name() const override { return "gles2"; }

    // --- life in a context -------------------------------------------------

    bool start(GlProcLoader, std::string* error) override {
        *this = Gles2Backend();
        if (!makeObjects(error)) return false;
        started_ = true;
        return true;
    }

    void stop() override {
        if (!started_) return;
        if (lost_) contextLost();  // only forget: the lists' buffers went with the old context
        for (auto& entry : lists_) freeList(entry.second);
        lists_.clear();
        stream_.stop();
        draw_.stop();
        *this = Gles2Backend();
    }

    // Every state, matrix and list the renderer set is kept on this side, so
    // a new context gets its objects made again (the lists' buffers on their
    // next use) and the viewport and unpacking ES held.
    void contextLost() override {
        if (!started_) return;
        for (auto& entry : lists_) {
            for (ListMesh& m : entry.second.meshes) m.buffer[0] = m.buffer[1] = m.vertexBuffer = m.cornerBuffer = 0;
        }
        textures_.clear();
        draw_.forget();
        stream_ = VertexStream();
        lost_ = true;
    }
    bool contextRestored(GlProcLoader, std::string* error) override {
        if (!started_ || !lost_) return started_;
        if (!makeObjects(error)) return false;
        lost_ = false;
        glViewport(viewport_[0], viewport_[1], viewport_[2], viewport_[3]);
        glPixelStorei(GL_UNPACK_ALIGNMENT, ff_.client.unpackAlignment);
        return true;
    }

    void beginFrame() override { stream_.beginFrame(); }
    // The batch's arrays stay where they are: DrawArrays unrolls them into the stream.
    VertexStream& batchStream() override { return clientArrays_; }

    // --- immediate mode ----------------------------------------------------

    void Begin(unsigned mode) override {
        mode_ = mode;
        primitive_.clear();
    }
    void End() override {
        if (recorder_.recording()) {
            recorder_.primitive(mode_, primitive_);
        } else {
            drawIssued(mode_, primitive_.data(), static_cast<int>(primitive_.size()));
        }
    }
    void Vertex3f(float x, float y, float z) override {
        const CurrentGroup& c = ff_.state.current;
        IssuedVertex v;
        v.p[0] = x;
        v.p[1] = y;
        v.p[2] = z;
        std::memcpy(v.n, c.normal, sizeof v.n);
        std::memcpy(v.c, c.color, sizeof v.c);
        std::memcpy(v.t, c.texCoord, sizeof v.t);
        v.inherit = recorder_.recording() ? recorder_.inheritance() : 0;
        primitive_.push_back(v);
    }
    void Normal3f(float x, float y, float z) override {
        const float n[3] = {x, y, z};
        Normal3fv(n);
    }
    void Normal3fv(const float* v) override {
        std::memcpy(ff_.state.current.normal, v, 3 * sizeof(float));
        if (recorder_.recording()) recorder_.normal(v);
    }
    void Color3f(float r, float g, float b) override { Color4f(r, g, b, 1.0f); }
    void Color3fv(const float* v) override { Color4f(v[0], v[1], v[2], 1.0f); }
    void Color4fv(const float* v) override { Color4f(v[0], v[1], v[2], v[3]); }
    void Color4f(float r, float g, float b, float a) override {
        const float c[4] = {r, g, b, a};
        std::memcpy(ff_.state.current.color, c, sizeof c);
        if (recorder_.recording()) recorder_.color(c);
    }
    void TexCoord2f(float s, float t) override {
        ff_.state.current.texCoord[0] = s;
        ff_.state.current.texCoord[1] = t;
        if (recorder_.recording()) recorder_.texCoord(s, t);
    }

    // --- client arrays -----------------------------------------------------

    void VertexPointer(int size, unsigned type, int stride, const void* p) override {
        ff_.arrayPointer(&ff_.client.vertex, size, type, stride, p);
    }
    void NormalPointer(unsigned type, int stride, const void* p) override {
        ff_.arrayPointer(&ff_.client.normal, 3, type, stride, p);
    }
    void ColorPointer(int size, unsigned type, int stride, const void* p) override {
        ff_.arrayPointer(&ff_.client.color, size, type, stride, p);
    }
    void TexCoordPointer(int size, unsigned type, int stride, const void* p) override {
        ff_.arrayPointer(&ff_.client.texCoord, size, type, stride, p);
    }
    void EnableClientState(unsigned array) override { ff_.clientArray(array, true); }
    void DisableClientState(unsigned array) override { ff_.clientArray(array, false); }
    void DrawArrays(unsigned mode, int first, int count) override {
        const ClientState& client = ff_.client;
        const CurrentGroup& current = ff_.state.current;
        if (!client.vertex.on || client.vertex.pointer == nullptr || count <= 0) return;
        issued_.resize(static_cast<std::size_t>(count));
        for (int k = 0; k < count; ++k) {
            IssuedVertex& v = issued_[static_cast<std::size_t>(k)];
            const float* p = client.vertex.at(first + k);
            v.p[0] = p[0];
            v.p[1] = p[1];
            v.p[2] = client.vertex.size >= 3 ? p[2] : 0.0f;
            std::memcpy(v.n, client.normal.on ? client.normal.at(first + k) : current.normal, sizeof v.n);
            if (client.color.on) {
                const float* c = client.color.at(first + k);
                v.c[0] = c[0];
                v.c[1] = c[1];
                v.c[2] = c[2];
                v.c[3] = client.color.size == 4 ? c[3] : 1.0f;
            } else {
                std::memcpy(v.c, current.color, sizeof v.c);
            }
            std::memcpy(v.t, client.texCoord.on ? client.texCoord.at(first + k) : current.texCoord, sizeof v.t);
            v.inherit = 0;
        }
        drawIssued(mode, issued_.data(), count);
    }

    // --- display lists -----------------------------------------------------

    void NewList(unsigned list, unsigned) override { recorder_.begin(list, ff_.state.current); }
    void EndList() override {
        if (!recorder_.recording()) return;
        const unsigned id = recorder_.id();
        DisplayList list = recorder_.end(&ff_.state.current);
        DeleteLists(id, 1);
        lists_.emplace(id, std::move(list));
    }
    void CallList(unsigned id) override {
        if (recorder_.recording()) {
            record(ListOp::CallList, id);
            return;
        }
        auto found = lists_.find(id);
        if (found == lists_.end() || callDepth_ > MaxListNesting) return;
        ++callDepth_;
        DisplayList& list = found->second;
        for (const ListOp& op : list.ops) {
            switch (op.kind) {
            case ListOp::Mesh:
                drawMesh(list.meshes[static_cast<std::size_t>(op.mesh)]);
                break;
            case ListOp::Translate:
                Translatef(op.f[0], op.f[1], op.f[2]);
                break;
            case ListOp::CallList:
                CallList(op.u[0]);
                break;
            case ListOp::Enable:
                Enable(op.u[0]);
                break;
            case ListOp::Disable:
                Disable(op.u[0]);
                break;
            case ListOp::BlendFunc:
                BlendFunc(op.u[0], op.u[1]);
                break;
            case ListOp::Light:
                Lightfv(op.u[0], op.u[1], op.f);
                break;
            case ListOp::BindTexture:
                BindTexture(op.u[0], op.u[1]);
                break;
            }
        }
        --callDepth_;
        CurrentGroup& current = ff_.state.current;
        if (list.exitColor) std::memcpy(current.color, list.color, sizeof list.color);
        if (list.exitNormal) std::memcpy(current.normal, list.normal, sizeof list.normal);
        if (list.exitTexCoord) std::memcpy(current.texCoord, list.texCoord, sizeof list.texCoord);
        if (list.exitWinding) ff_.state.frontFace = list.winding;
    }
    void DeleteLists(unsigned first, int range) override {
        for (auto at = lists_.lower_bound(first); at != lists_.end() && at->first - first < unsigned(range);) {
            freeList(at->second);
            at = lists_.erase(at);
        }
    }

    // --- matrices ----------------------------------------------------------

    void MatrixMode(unsigned mode) override { ff_.matrixMode(mode); }
    void LoadIdentity() override { ff_.top() = Matrix(); }
    void LoadMatrixf(const float* m) override { std::memcpy(ff_.top().m, m, sizeof(Matrix::m)); }
    void MultMatrixf(const float* m) override { glmath::multiply(ff_.top().m, ff_.top().m, m); }
    void PushMatrix() override { ff_.pushMatrix(); }
    void PopMatrix() override { ff_.popMatrix(); }
    void Rotatef(float angle, float x, float y, float z) override { glmath::rotateBy(ff_.top().m, angle, x, y, z); }
    void Translatef(float x, float y, float z) override {
        if (recorder_.recording()) {
            ListOp op{ListOp::Translate};
            op.f[0] = x;
            op.f[1] = y;
            op.f[2] = z;
            recorder_.op(op);
            return;
        }
        glmath::translateBy(ff_.top().m, x, y, z);
    }
    void Viewport(int x, int y, int width, int height) override {
        viewport_[0] = x;
        viewport_[1] = y;
        viewport_[2] = width;
        viewport_[3] = height;
        glViewport(x, y, width, height);
    }

    // --- server state ------------------------------------------------------

    void Enable(unsigned cap) override { setCapability(cap, true); }
    void Disable(unsigned cap) override { setCapability(cap, false); }
    void AlphaFunc(unsigned func, float ref) override {
        ff_.state.colorBuffer.alphaFunc = func;
        ff_.state.colorBuffer.alphaRef = std::min(1.0f, std::max(0.0f, ref));
    }
    void BlendFunc(unsigned s, unsigned d) override {
        if (recorder_.recording()) {
            record(ListOp::BlendFunc, s, d);
            return;
        }
        ff_.state.colorBuffer.blendSrc = s;
        ff_.state.colorBuffer.blendDst = d;
    }
    void DepthFunc(unsigned func) override { ff_.state.depth.func = func; }
    void DepthMask(unsigned char flag) override { ff_.state.depth.mask = flag != 0; }
    void FrontFace(unsigned mode) override {
        if (recorder_.recording()) {
            recorder_.frontFace(mode);
            return;
        }
        ff_.state.frontFace = mode;
    }
    void ShadeModel(unsigned mode) override { ff_.state.lighting.flat = mode == GL_FLAT; }
    void PolygonStipple(const unsigned char* mask) override { draw_.setStipple(mask, ff_.client.unpackAlignment); }
    void PushAttrib(unsigned mask) override { ff_.pushAttrib(mask); }
    void PopAttrib() override { ff_.popAttrib(); }
    void PushClientAttrib(unsigned mask) override { ff_.pushClientAttrib(mask); }
    void PopClientAttrib() override {
        if (ff_.popClientAttrib()) glPixelStorei(GL_UNPACK_ALIGNMENT, ff_.client.unpackAlignment);
    }
    void ClearColor(float r, float g, float b, float a) override {
        const float c[4] = {r, g, b, a};
        std::memcpy(ff_.state.colorBuffer.clearColor, c, sizeof c);
    }
    void ClearDepth(double depth) override { ff_.state.depth.clear = static_cast<float>(depth); }
    void Clear(unsigned mask) override {
        const float* c = ff_.state.colorBuffer.clearColor;
        glClearColor(c[0], c[1], c[2], c[3]);
        glClearDepthf(ff_.state.depth.clear);
        draw_.applyDepthMask(ff_.state.depth.mask);
        glClear(mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT));
    }
    void Flush() override { glFlush(); }
    unsigned GetError() override {
        const unsigned e = ff_.takeError();
        return e != GL_NO_ERROR ? e : glGetError();
    }
    const unsigned char* GetString(unsigned name) override { return glGetString(name); }
    void GetFloatv(unsigned pname, float* out) override { ff_.getFloats(pname, out); }
    void GetIntegerv(unsigned pname, int* out) override { ff_.getIntegers(pname, viewport_, out); }

    // --- lighting ----------------------------------------------------------

    void Lightfv(unsigned light, unsigned pname, const float* p) override {
        if (recorder_.recording()) {
            if (light - GL_LIGHT0 >= unsigned(MaxLights)) {
                ff_.error(GL_INVALID_ENUM);
                return;
            }
            ListOp op{ListOp::Light};
            op.u[0] = light;
            op.u[1] = pname;
            std::memcpy(op.f, p, sizeof op.f);
            recorder_.op(op);
            return;
        }
        ff_.light(light, pname, p);
    }
    void Materialfv(unsigned, unsigned pname, const float* p) override { ff_.material(pname, p); }
    void Materiali(unsigned face, unsigned pname, int param) override {
        const float p[4] = {static_cast<float>(param), 0, 0, 0};
        Materialfv(face, pname, p);
    }
    void ColorMaterial(unsigned, unsigned mode) override { ff_.state.lighting.colorMaterialMode = mode; }

    // --- textures ----------------------------------------------------------

    void GenTextures(int n, unsigned* names) override { glGenTextures(n, names); }
    void DeleteTextures(int n, const unsigned* names) override {
        for (int i = 0; i < n; ++i) textures_.erase(names[i]);
        glDeleteTextures(n, names);
    }
    void BindTexture(unsigned target, unsigned texture) override {
        if (recorder_.recording()) {
            record(ListOp::BindTexture, target, texture);
            return;
        }
        ff_.state.texture.bound = texture;
    }
    void TexParameteri(unsigned target, unsigned pname, int param) override {
        bindForUpdate();
        glTexParameteri(target, pname, param);
        if (pname == GL_TEXTURE_MIN_FILTER) {
            TextureInfo& info = textures_[ff_.state.texture.bound];
            info.mipmapped = param != GL_NEAREST && param != GL_LINEAR;
            makeMipmaps(info);
        }
    }
    void TexImage2D(unsigned target, int level, int internalFormat, int width, int height, int border, unsigned format,
                    unsigned type, const void* pixels) override {
        // ES takes the format as the internal format; OpenGL 1.1's component counts name them.
        unsigned esFormat = format;
        if (internalFormat == 3) esFormat = GL_RGB;
        if (internalFormat == 4) esFormat = GL_RGBA;
        if (internalFormat == GL_ALPHA) esFormat = GL_ALPHA;
        bindForUpdate();
        glTexImage2D(target, level, static_cast<GLint>(esFormat), width, height, border, format, type, pixels);
        if (level == 0) {
            TextureInfo& info = textures_[ff_.state.texture.bound];
            info.alpha = esFormat == GL_ALPHA;
            info.hasImage = width > 0 && height > 0;
            info.powerOfTwo = (width & (width - 1)) == 0 && (height & (height - 1)) == 0;
            makeMipmaps(info);
        }
    }
    void TexEnvi(unsigned, unsigned pname, int param) override {
        if (pname == GL_TEXTURE_ENV_MODE) ff_.state.texture.envMode = static_cast<unsigned>(param);
    }
    void TexGeni(unsigned coord, unsigned pname, int param) override {
        const unsigned i = coord - GL_S;
        if (i < 4 && pname == GL_TEXTURE_GEN_MODE) ff_.state.texture.genMode[i] = static_cast<unsigned>(param);
    }
    void TexGenfv(unsigned coord, unsigned pname, const float* p) override { ff_.texGenPlane(coord, pname, p); }
    void PixelStorei(unsigned pname, int param) override {
        if (pname == GL_UNPACK_ALIGNMENT) {
            ff_.client.unpackAlignment = param;
            glPixelStorei(GL_UNPACK_ALIGNMENT, param);
        }
        // Row length and skips: this program only ever sets them to 0, ES's fixed values.
    }

    // --- GLU ---------------------------------------------------------------

    void LookAt(double eyeX, double eyeY, double eyeZ, double cx, double cy, double cz, double upX, double upY,
                double upZ) override {
        const double eye[3] = {eyeX, eyeY, eyeZ}, centre[3] = {cx, cy, cz}, up[3] = {upX, upY, upZ};
        glmath::lookAtBy(ff_.top().m, eye, centre, up);
    }
    void Perspective(double fovy, double aspect, double zNear, double zFar) override {
        Matrix m;
        if (glmath::perspective(m.m, fovy, aspect, zNear, zFar)) MultMatrixf(m.m);
    }
    GLUquadric* NewQuadric() override {
        // Spheres are always filled, smooth and facing outward here: the
        // object carries nothing.
        static char token;
        return reinterpret_cast<GLUquadric*>(&token);
    }
    void DeleteQuadric(GLUquadric*) override {}
    void QuadricDrawStyle(GLUquadric*, unsigned) override {}
    void QuadricOrientation(GLUquadric*, unsigned) override {}
    void Sphere(GLUquadric*, double radius, int slices, int stacks) override {
        struct Emitter {
            Gles2Backend& gl;
            void begin(SpherePiece piece) {
                gl.Begin(piece == SpherePiece::TriangleFan ? GL_TRIANGLE_FAN : GL_QUAD_STRIP);
            }
            void normal(float x, float y, float z) { gl.Normal3f(x, y, z); }
            void vertex(float x, float y, float z) { gl.Vertex3f(x, y, z); }
            void end() { gl.End(); }
        } emitter{*this};
        tessellateGluSphere(radius, slices, stacks, emitter);
    }

private:
    // The start-up program (a context that cannot run the shaders says so at
    // start-up), the stream's buffers and the stipple texture.
    bool makeObjects(std::string* error) {
        if (!draw_.start(hasFlatVaryings(), error)) return false;
        if (!stream_.start(esBufferProcs())) {
            *error = "gles2: cannot make the vertex stream's buffers";
            return false;
        }
        return true;
    }

    void setCapability(unsigned cap, bool on) {
        if (recorder_.recording()) {
            record(on ? ListOp::Enable : ListOp::Disable, cap);
            return;
        }
        ff_.setCapability(cap, on);
    }

    // A state change inside a list being compiled.
    void record(ListOp::Kind kind, unsigned u0, unsigned u1 = 0) {
        ListOp op{kind};
        op.u[0] = u0;
        op.u[1] = u1;
        recorder_.op(op);
    }

    void freeList(DisplayList& list) {
        for (ListMesh& m : list.meshes) {
            for (unsigned* b : {&m.buffer[0], &m.buffer[1], &m.vertexBuffer, &m.cornerBuffer}) {
                if (*b != 0) glDeleteBuffers(1, b);
                *b = 0;
            }
        }
    }

    // --- textures ---

    void bindForUpdate() {
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, ff_.state.texture.bound);
        draw_.boundForUpdate(ff_.state.texture.bound);
    }

    // gluBuild2DMipmaps's part: ES makes the levels of a power-of-two picture.
    void makeMipmaps(const TextureInfo& info) {
        if (info.mipmapped && info.hasImage && info.powerOfTwo) glGenerateMipmap(GL_TEXTURE_2D);
    }

    // --- drawing ---

    // Hands ES the state in force, with the texture to sample: the bound one
    // where texturing is on and it has a picture.
    void prepareDraw() {
        const TextureGroup& t = ff_.state.texture;
        if (ff_.state.enable.texture2d) {
            auto found = textures_.find(t.bound);
            if (found != textures_.end() && found->second.hasImage) {
                draw_.prepare(ff_, t.bound, found->second.alpha);
                return;
            }
        }
        draw_.prepare(ff_, 0, false);
    }

    // A list's mesh, from buffer objects of its own made the first time: its
    // triangles unrolled for the shade model in force or, where colours can
    // be flat, its vertices once and the corners of its triangles, so that
    // the vertex shader lights a vertex shared by several triangles once
    // rather than at every corner.
    void drawMesh(ListMesh& mesh) {
        const bool indexed = draw_.flatVaryings();
        const int shade = ff_.state.lighting.flat ? 1 : 0;
        if (indexed ? mesh.vertexBuffer == 0 : mesh.buffer[shade] == 0) makeMeshBuffers(mesh, indexed, shade);
        const int count = indexed ? mesh.corners : mesh.count[shade];
        if (count == 0) return;
        const unsigned front = ff_.state.frontFace;
        if (mesh.ownWinding) ff_.state.frontFace = GL_CCW;
        prepareDraw();
        glBindBuffer(GL_ARRAY_BUFFER, indexed ? mesh.vertexBuffer : mesh.buffer[shade]);
        pointAttributes(0);
        if (indexed) {
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.cornerBuffer);
            glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, nullptr);  // ES 3.0 has 32-bit indices
        } else {
            glDrawArrays(GL_TRIANGLES, 0, count);
        }
        ff_.state.frontFace = front;
    }

    void makeMeshBuffers(ListMesh& mesh, bool indexed, int shade) {
        scratch_.clear();
        if (!indexed) {
            meshTriangles(mesh, shade == 1, &scratch_);
            mesh.buffer[shade] = newBuffer(GL_ARRAY_BUFFER, scratch_);
            mesh.count[shade] = static_cast<int>(scratch_.size());
            return;
        }
        corners_.clear();
        meshCorners(mesh, &scratch_, &corners_);
        mesh.vertexBuffer = newBuffer(GL_ARRAY_BUFFER, scratch_);
        mesh.cornerBuffer = newBuffer(GL_ELEMENT_ARRAY_BUFFER, corners_);
        mesh.corners = static_cast<int>(corners_.size());
    }

    // A buffer object bound to `target` holding `data`.
    template <typename T>
    static unsigned newBuffer(unsigned target, const std::vector<T>& data) {
        unsigned buffer = 0;
        glGenBuffers(1, &buffer);
        glBindBuffer(target, buffer);
        glBufferData(target, static_cast<GLsizeiptr>(data.size() * sizeof(T)), data.data(), GL_STATIC_DRAW);
        return buffer;
    }

    // OpenGL ES 3.0 or later (WebGL 2 says "OpenGL ES 3.0 (WebGL 2.0)"): flat varyings.
    static bool hasFlatVaryings() {
        return flatVaryingsAllowed && versionAtLeast(reinterpret_cast<const char*>(glGetString(GL_VERSION)), 3, 0);
    }

    // Immediate mode and client arrays: unrolled into the stream and drawn from there.
    void drawIssued(unsigned mode, const IssuedVertex* v, int count) {
        scratch_.clear();
        unroll(mode, v, count, ff_.state.lighting.flat, false, &scratch_);
        if (scratch_.empty()) return;
        prepareDraw();
        const std::size_t bytes = scratch_.size() * sizeof(ShaderVertex);
        stream_.reserve(bytes);
        const char* at = stream_.put(scratch_.data(), bytes);
        pointAttributes(reinterpret_cast<std::uintptr_t>(at));
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(scratch_.size()));
    }

    void pointAttributes(std::size_t offset) {
        const GLsizei stride = sizeof(ShaderVertex);
        auto at = [offset](std::size_t field) { return reinterpret_cast<const void*>(offset + field); };
        glVertexAttribPointer(APosition, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(ShaderVertex, p)));
        glVertexAttribPointer(ALitPosition, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(ShaderVertex, litP)));
        glVertexAttribPointer(ANormal, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(ShaderVertex, n)));
        glVertexAttribPointer(AColor, 4, GL_FLOAT, GL_FALSE, stride, at(offsetof(ShaderVertex, c)));
        glVertexAttribPointer(ATexCoord, 2, GL_FLOAT, GL_FALSE, stride, at(offsetof(ShaderVertex, t)));
        glVertexAttribPointer(AInherit, 1, GL_FLOAT, GL_FALSE, stride, at(offsetof(ShaderVertex, inherit)));
    }

    bool started_ = false;
    bool lost_ = false;  // the context's objects are gone
    FixedFunction ff_;
    int viewport_[4] = {0, 0, 0, 0};

    unsigned mode_ = GL_TRIANGLES;
    std::vector<IssuedVertex> primitive_, issued_;
    std::vector<ShaderVertex> scratch_;
    std::vector<unsigned> corners_;

    std::map<unsigned, DisplayList> lists_;
    ListRecorder recorder_;
    int callDepth_ = 0;

    std::map<unsigned, TextureInfo> textures_;
    DrawState draw_;
    VertexStream stream_;        // immediate mode and client arrays, frame by frame
    VertexStream clientArrays_;  // never started
};

}  // namespace

void gles2AllowFlatVaryings(bool allowed) { flatVaryingsAllowed = allowed; }

GlBackend& gles2Backend() {
    static Gles2Backend backend;
    return backend;
}
