// The renderer's OpenGL 1.1 calls on OpenGL ES 2.0 / WebGL 1: a compact
// fixed-function emulation for exactly the subset this program uses. The
// stages live in files of their own:
//
//   fixed_function.*  the state the GL calls set: matrix stacks, attribute
//                     groups with glPushAttrib, client arrays (pure)
//   primitives.*      quads, strips and fans unrolled into triangles (pure)
//   display_lists.*   lists recorded as meshes and state changes (pure)
//   shaders.*         the GLSL that lights, textures and tests as OpenGL 1.1 does
//   programs.*        one program per feature set, typed uniform setters
//   render/gl/vertex_stream.*  the bounded stream the immediate-mode and
//                     client-array vertices go through
//
// This file routes each GL call to its stage and, before every draw, hands
// ES the state in force: the program for its features, the uniforms, and
// the blending, depth, culling and winding ES keeps itself (only what
// changed). Needs a current ES 2.0 context between start and stop.
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
#include "render/gl/glu_sphere.h"
#include "render/gl/vertex_stream.h"
#include "render/gles2/display_lists.h"
#include "render/gles2/fixed_function.h"
#include "render/gles2/primitives.h"
#include "render/gles2/programs.h"
#include "render/gles2/shaders.h"
#include "sim/gl_math.h"

namespace {

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

// The transposed inverse of the upper 3 x 3 of m, column-major in n[9] (a
// GLSL mat3): what takes normals to eye coordinates.
void normalMatrix(const float m[16], float n[9]) {
    float rows[9];
    glmath::normalMatrix(m, rows);
    for (int r = 0; r < 3; ++r) {
        for (int col = 0; col < 3; ++col) n[3 * col + r] = rows[3 * r + col];
    }
}

// What is known of a texture name's picture.
struct TextureInfo {
    bool alpha = false;
    bool hasImage = false;
    bool powerOfTwo = false;
    bool mipmapped = false;  // a mipmap minification filter
};

// What ES holds now, so that a draw changes only what differs.
struct EsState {
    bool valid = false;
    bool depthTest, cull, blend, depthMask;
    unsigned depthFunc, frontFace, blendSrc, blendDst;
    unsigned texture;
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
        glDeleteTextures(1, &stippleTexture_);
        glUseProgram(0);  // a program in use would outlive its deletion
        programs_.clear();
        *this = Gles2Backend();
    }

    // Every state, matrix and list the renderer set is kept on this side, so
    // a new context gets its objects made again (the lists' buffers on their
    // next use) and the viewport and unpacking ES held.
    void contextLost() override {
        if (!started_) return;
        for (auto& entry : lists_) {
            for (ListMesh& m : entry.second.meshes) m.buffer[0] = m.buffer[1] = 0;
        }
        textures_.clear();
        programs_.forget();
        current_ = nullptr;
        stream_ = VertexStream();
        stippleTexture_ = 0;
        es_ = EsState();
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
    void PolygonStipple(const unsigned char* mask) override {
        // Row y of the mask is bytes 4y..4y+3, the first pixel in the highest
        // bit; row 0 is the bottom row, as texture row 0 is.
        unsigned char alpha[32 * 32];
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) alpha[32 * y + x] = (mask[4 * y + x / 8] & (0x80 >> (x % 8))) != 0 ? 255 : 0;
        }
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, stippleTexture_);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 32, 32, GL_ALPHA, GL_UNSIGNED_BYTE, alpha);
        glPixelStorei(GL_UNPACK_ALIGNMENT, ff_.client.unpackAlignment);
        glActiveTexture(GL_TEXTURE0);
    }
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
        applyDepthMask();
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
        if (programs_.get(usualFeatures(), error) == nullptr) return false;
        if (!stream_.start(esBufferProcs())) {
            *error = "gles2: cannot make the vertex stream's buffers";
            return false;
        }
        glGenTextures(1, &stippleTexture_);
        glBindTexture(GL_TEXTURE_2D, stippleTexture_);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        std::vector<unsigned char> full(32 * 32, 255);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, 32, 32, 0, GL_ALPHA, GL_UNSIGNED_BYTE, full.data());
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glBindTexture(GL_TEXTURE_2D, 0);
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
            for (unsigned& b : m.buffer) {
                if (b != 0) glDeleteBuffers(1, &b);
                b = 0;
            }
        }
    }

    // --- textures ---

    void bindForUpdate() {
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, ff_.state.texture.bound);
        es_.texture = ff_.state.texture.bound;
    }

    // gluBuild2DMipmaps's part: ES makes the levels of a power-of-two picture.
    void makeMipmaps(const TextureInfo& info) {
        if (info.mipmapped && info.hasImage && info.powerOfTwo) glGenerateMipmap(GL_TEXTURE_2D);
    }

    // --- drawing ---

    // A list's mesh: its triangles for the shade model in force go into a
    // buffer object of their own the first time, and are drawn from there.
    void drawMesh(ListMesh& mesh) {
        const int shade = ff_.state.lighting.flat ? 1 : 0;
        if (mesh.buffer[shade] == 0) {
            scratch_.clear();
            meshTriangles(mesh, shade == 1, &scratch_);
            glGenBuffers(1, &mesh.buffer[shade]);
            glBindBuffer(GL_ARRAY_BUFFER, mesh.buffer[shade]);
            glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(scratch_.size() * sizeof(ShaderVertex)),
                         scratch_.data(), GL_STATIC_DRAW);
            mesh.count[shade] = static_cast<int>(scratch_.size());
        }
        if (mesh.count[shade] == 0) return;
        const unsigned front = ff_.state.frontFace;
        if (mesh.ownWinding) ff_.state.frontFace = GL_CCW;
        prepareDraw();
        glBindBuffer(GL_ARRAY_BUFFER, mesh.buffer[shade]);
        pointAttributes(0);
        glDrawArrays(GL_TRIANGLES, 0, mesh.count[shade]);
        ff_.state.frontFace = front;
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

    // --- handing ES the state in force ---

    void applyDepthMask() {
        const bool mask = ff_.state.depth.mask;
        if (!es_.valid || es_.depthMask != mask) glDepthMask(mask ? GL_TRUE : GL_FALSE);
        es_.depthMask = mask;
    }

    void capability(GLenum cap, bool on, bool* known) {
        if (es_.valid && *known == on) return;
        if (on) {
            glEnable(cap);
        } else {
            glDisable(cap);
        }
        *known = on;
    }

    // Before every draw: the program for the state's features, the ES state
    // that differs, and the program's uniforms.
    void prepareDraw() {
        const AttribState& s = ff_.state;
        const EnableGroup& e = s.enable;
        if (!es_.valid) {
            for (int a = 0; a < AttributeCount; ++a) glEnableVertexAttribArray(static_cast<GLuint>(a));
            glActiveTexture(GL_TEXTURE1);
            glBindTexture(GL_TEXTURE_2D, stippleTexture_);
            glActiveTexture(GL_TEXTURE0);
            current_ = nullptr;
        }
        const TextureInfo* texture = nullptr;
        if (e.texture2d) {
            auto found = textures_.find(s.texture.bound);
            if (found != textures_.end() && found->second.hasImage) texture = &found->second;
        }
        const ProgramFeatures features =
            featuresFor(s, texture != nullptr, texture != nullptr && texture->alpha, ff_.textureMatrix().m);
        std::string error;
        Program* chosen = programs_.get(features, &error);
        if (chosen == nullptr) {
            // Only the start-up program is known to build; say once what failed.
            if (!programFailed_) std::fprintf(stderr, "%s\n", error.c_str());
            programFailed_ = true;
            chosen = programs_.get(usualFeatures(), &error);
            if (chosen == nullptr) return;
        }
        if (chosen != current_) {
            current_ = chosen;
            glUseProgram(chosen->id());
            chosen->setInt(Uniform::Texture, 0);  // texture unit 0
            chosen->setInt(Uniform::Stipple, 1);  // texture unit 1
        }
        capability(GL_DEPTH_TEST, e.depthTest, &es_.depthTest);
        capability(GL_CULL_FACE, e.cullFace, &es_.cull);
        capability(GL_BLEND, e.blend, &es_.blend);
        applyDepthMask();
        if (!es_.valid || es_.depthFunc != s.depth.func) glDepthFunc(s.depth.func);
        if (!es_.valid || es_.frontFace != s.frontFace) glFrontFace(s.frontFace);
        if (!es_.valid || es_.blendSrc != s.colorBuffer.blendSrc || es_.blendDst != s.colorBuffer.blendDst)
            glBlendFunc(s.colorBuffer.blendSrc, s.colorBuffer.blendDst);
        es_.depthFunc = s.depth.func;
        es_.frontFace = s.frontFace;
        es_.blendSrc = s.colorBuffer.blendSrc;
        es_.blendDst = s.colorBuffer.blendDst;
        if (texture != nullptr && (!es_.valid || es_.texture != s.texture.bound)) {
            glBindTexture(GL_TEXTURE_2D, s.texture.bound);
            es_.texture = s.texture.bound;
        }
        es_.valid = true;
        setUniforms(*chosen, features);
    }

    void setUniforms(Program& p, const ProgramFeatures& features) {
        const AttribState& s = ff_.state;
        const float* mv = ff_.modelView().m;
        float mvp[16];
        glmath::multiply(mvp, ff_.projection().m, mv);
        p.setMat4(Uniform::Mvp, mvp);
        p.setMat4(Uniform::ModelView, mv);
        p.setVec4(Uniform::CurrentColor, s.current.color);
        if (features.texture) p.setMat4(Uniform::TextureMatrix, ff_.textureMatrix().m);

        if (features.lights > 0) {
            float nm[9];
            normalMatrix(mv, nm);
            p.setMat3(Uniform::NormalMatrix, nm);
            p.setVec3(Uniform::CurrentNormal, s.current.normal);
            const LightingGroup& l = s.lighting;
            p.setInt(Uniform::ColorMaterial,
                     s.enable.colorMaterial && l.colorMaterialMode == GL_AMBIENT_AND_DIFFUSE ? 1 : 0);
            p.setVec4(Uniform::MaterialAmbient, l.materialAmbient);
            p.setVec4(Uniform::MaterialDiffuse, l.materialDiffuse);
            p.setVec4(Uniform::MaterialSpecular, l.materialSpecular);
            p.setVec4(Uniform::MaterialEmission, l.materialEmission);
            p.setFloat(Uniform::Shininess, l.shininess);
            p.setVec4(Uniform::SceneAmbient, l.sceneAmbient);
            // The lights that are on, packed in order.
            float ambient[4 * MaxLights], diffuse[4 * MaxLights], specular[4 * MaxLights], position[4 * MaxLights];
            int count = 0;
            for (int i = 0; i < MaxLights; ++i) {
                if (!s.enable.light[i]) continue;
                std::memcpy(ambient + 4 * count, l.lights[i].ambient, 4 * sizeof(float));
                std::memcpy(diffuse + 4 * count, l.lights[i].diffuse, 4 * sizeof(float));
                std::memcpy(specular + 4 * count, l.lights[i].specular, 4 * sizeof(float));
                std::memcpy(position + 4 * count, l.lights[i].position, 4 * sizeof(float));
                ++count;
            }
            p.setVec4(Uniform::LightAmbient, ambient, count);
            p.setVec4(Uniform::LightDiffuse, diffuse, count);
            p.setVec4(Uniform::LightSpecular, specular, count);
            p.setVec4(Uniform::LightPosition, position, count);
        }

        if (features.texGen) {
            float on[4];
            for (int k = 0; k < 4; ++k)
                on[k] = s.enable.texGen[k] && s.texture.genMode[k] == GL_EYE_LINEAR ? 1.0f : 0.0f;
            p.setVec4(Uniform::TexGenOn, on);
            p.setVec4(Uniform::PlaneS, s.texture.eyePlane[0]);
            p.setVec4(Uniform::PlaneT, s.texture.eyePlane[1]);
            p.setVec4(Uniform::PlaneR, s.texture.eyePlane[2]);
            p.setVec4(Uniform::PlaneQ, s.texture.eyePlane[3]);
        }
        p.setInt(Uniform::AlphaFunc, features.alphaTest ? alphaFuncCode(s.colorBuffer.alphaFunc) : 0);
        p.setFloat(Uniform::AlphaRef, s.colorBuffer.alphaRef);
    }

    bool started_ = false;
    bool lost_ = false;  // the context's objects are gone
    FixedFunction ff_;
    int viewport_[4] = {0, 0, 0, 0};

    unsigned mode_ = GL_TRIANGLES;
    std::vector<IssuedVertex> primitive_, issued_;
    std::vector<ShaderVertex> scratch_;

    std::map<unsigned, DisplayList> lists_;
    ListRecorder recorder_;
    int callDepth_ = 0;

    std::map<unsigned, TextureInfo> textures_;
    ProgramCache programs_;
    Program* current_ = nullptr;
    bool programFailed_ = false;
    VertexStream stream_;        // immediate mode and client arrays, frame by frame
    VertexStream clientArrays_;  // never started
    unsigned stippleTexture_ = 0;
    EsState es_ = {};
};

}  // namespace

GlBackend& gles2Backend() {
    static Gles2Backend backend;
    return backend;
}
