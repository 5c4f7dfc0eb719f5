// The frame batch; see frame_batch.h.
#include "render/frame_batch.h"

#include "render/gl/gl_api.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "render/debris_batch.h"
#include "sim/gfx.h"
#include "sim/gl_math.h"
#include "sim/math3d.h"
#include "view/explosion.h"

namespace {

// Farthest a fragment vertex lies from its fragment's origin: every
// coordinate is within [-8, 8] units, so at most 8 sqrt(3).
constexpr float FragmentReach = 13.8565f;

// Extra room on the cone tests, radians: the rasteriser's snapping of
// vertices to its sub-pixel grid and the rounding of the bounds themselves.
constexpr double ConeSlack = 0.01;

// Lists with more triangles than this are called as lists (their geometry is
// kept by OpenGL already) under a loaded matrix rather than copied into the
// batch: a ship costs two calls, and no vertices travel each frame.
constexpr std::size_t DirectListTriangles = 32;

bool batchingOn = true;

using glmath::multiply;
using glmath::normalMatrix;
using glmath::rotateBy;
using glmath::translateBy;

void transformPoint(const float m[16], const float p[3], float out[3]) {
    out[0] = m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12];
    out[1] = m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13];
    out[2] = m[2] * p[0] + m[6] * p[1] + m[10] * p[2] + m[14];
}

void transformNormal(const float n[9], const float v[3], float out[3]) {
    out[0] = n[0] * v[0] + n[1] * v[1] + n[2] * v[2];
    out[1] = n[3] * v[0] + n[4] * v[1] + n[5] * v[2];
    out[2] = n[6] * v[0] + n[7] * v[1] + n[8] * v[2];
}

// Largest column length of the upper 3 x 3: how much m may stretch a radius.
float stretch(const float m[16]) {
    float s = 0.0f;
    for (int c = 0; c < 3; ++c) {
        const float x = m[4 * c], y = m[4 * c + 1], z = m[4 * c + 2];
        s = std::fmax(s, std::sqrt(x * x + y * y + z * z));
    }
    return s;
}

// The address of a vertex attribute `offset` bytes into the array at `base`,
// which may be an offset into a buffer object (and so 0).
const void* attribute(const char* base, std::size_t offset) {
    return reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(base) + offset);
}

}  // namespace

bool frameBatching() { return batchingOn; }

void setFrameBatching(bool on) { batchingOn = on; }

FrameBatch& frameBatch() {
    static FrameBatch b;
    return b;
}

FrameBatch::FrameBatch() {
    // Room for a busy frame from the start.
    solid_.reserve(1 << 16);
    debris_.reserve(1 << 15);
    debrisMask_.reserve(1 << 13);
    blendedVertices_.reserve(1 << 15);
    staging_.reserve(1 << 16);
    waiting_.reserve(1024);
    runTexture_.reserve(1024);
    runFirst_.reserve(1025);
}

void FrameBatch::beginFrame() {
    depth_ = 0;
    // Lists called directly load their matrix: OpenGL's own comes back at the end.
    glGetFloatv(GL_MODELVIEW_MATRIX, stack_[0]);
    baseKnown_ = true;
    glPushMatrix();
    glGetFloatv(GL_CURRENT_COLOR, color_);
    glGetFloatv(GL_CURRENT_NORMAL, normal_);
    GLint front = GL_CCW;
    glGetIntegerv(GL_FRONT_FACE, &front);
    cw_ = front == GL_CW;
}

void FrameBatch::endFrame() {
    flush();
    glPopMatrix();
    glColor4fv(color_);
    glNormal3fv(normal_);
    glFrontFace(cw_ ? GL_CW : GL_CCW);
    last_ = stats_;
    stats_ = FrameBatchStats();
}

const float* FrameBatch::top() {
    if (depth_ == 0 && !baseKnown_) {
        glGetFloatv(GL_MODELVIEW_MATRIX, stack_[0]);
        baseKnown_ = true;
    }
    return stack_[depth_];
}

void FrameBatch::push() {
    top();
    if (depth_ + 1 < MaxDepth) {
        std::memcpy(stack_[depth_ + 1], stack_[depth_], sizeof stack_[0]);
    }
    ++depth_;
}

void FrameBatch::pushMult(const float m[16]) {
    push();
    if (depth_ < MaxDepth) multiply(stack_[depth_], stack_[depth_], m);
}

void FrameBatch::pop() {
    if (depth_ > 0) --depth_;
}

void FrameBatch::rotate(float angle, float x, float y, float z) {
    top();
    if (depth_ < MaxDepth) rotateBy(stack_[depth_], angle, x, y, z);
}

void FrameBatch::translate(float x, float y, float z) {
    top();
    if (depth_ < MaxDepth) translateBy(stack_[depth_], x, y, z);
}

void FrameBatch::color(float r, float g, float b, float a) {
    color_[0] = r;
    color_[1] = g;
    color_[2] = b;
    color_[3] = a;
}

void FrameBatch::keepList(int id, const ListMesh& mesh) {
    if (id < 0) return;
    if (static_cast<std::size_t>(id) >= lists_.size()) lists_.resize(static_cast<std::size_t>(id) + 1);
    lists_[static_cast<std::size_t>(id)] = mesh;
}

bool FrameBatch::hasList(int id) const {
    return id >= 0 && static_cast<std::size_t>(id) < lists_.size() && lists_[static_cast<std::size_t>(id)].usable;
}

FrameBatch::Cone FrameBatch::coneAround(const float centre[3], float radius) const {
    Cone cone;
    const double r = static_cast<double>(radius) * 1.01 + 1.0;
    const double d = std::sqrt(static_cast<double>(centre[0]) * centre[0] + static_cast<double>(centre[1]) * centre[1] +
                               static_cast<double>(centre[2]) * centre[2]);
    cone.wide = !(d > r);
    if (cone.wide) {
        cone.d[0] = cone.d[1] = 0.0f;
        cone.d[2] = -1.0f;
        cone.cosA = -1.0f;
        cone.sinA = 0.0f;
        return cone;
    }
    for (int i = 0; i < 3; ++i) cone.d[i] = static_cast<float>(centre[i] / d);
    const double angle = std::asin(r / d) + ConeSlack;
    if (angle >= 3.14159265358979323846 / 2.0) {
        cone.wide = true;  // too wide to bother: meets everything
    }
    cone.cosA = static_cast<float>(std::cos(angle));
    cone.sinA = static_cast<float>(std::sin(angle));
    return cone;
}

bool FrameBatch::meetsWaitingBlended(const Cone& c) const {
    for (const Waiting& w : waiting_) {
        const Cone& b = w.cone;
        if (c.wide || b.wide) return true;
        // The angle between the axes is at most the sum of the half-angles
        // (both below 90 degrees, so the sum is below 180).
        const float dot = c.d[0] * b.d[0] + c.d[1] * b.d[1] + c.d[2] * b.d[2];
        if (dot >= c.cosA * b.cosA - c.sinA * b.sinA - 1e-6f) return true;
    }
    return false;
}

void FrameBatch::opaque(const Cone& c) {
    ++stats_.items;
    if (!waiting_.empty() && meetsWaitingBlended(c)) flush();
}

void FrameBatch::blended(const Cone& c, unsigned texture) {
    ++stats_.items;
    int join = -1;
    const int runs = static_cast<int>(runTexture_.size());
    // Look back a few runs for one of this texture that nothing in between overlaps.
    for (int r = runs - 1; r >= 0 && r >= runs - 8; --r) {
        if (runTexture_[static_cast<std::size_t>(r)] != texture) continue;
        bool clear = true;
        for (const Waiting& w : waiting_) {
            if (w.run <= r) continue;
            const Cone& b = w.cone;
            const float dot = c.d[0] * b.d[0] + c.d[1] * b.d[1] + c.d[2] * b.d[2];
            if (c.wide || b.wide || dot >= c.cosA * b.cosA - c.sinA * b.sinA - 1e-6f) {
                clear = false;
                break;
            }
        }
        if (clear) join = r;
        break;
    }
    if (join < 0) {
        join = runs;
        runTexture_.push_back(texture);
    }
    const int first = static_cast<int>(blendedVertices_.size());
    waiting_.push_back({c, join, first, 0});
}

void FrameBatch::endBlended() {
    Waiting& w = waiting_.back();
    w.count = static_cast<int>(blendedVertices_.size()) - w.first;
}

void FrameBatch::list(int id) {
    const float* m = top();
    if (!hasList(id)) {
        // Not kept here: called as it is, with the state it expects.
        flush();
        glColor4fv(color_);
        glNormal3fv(normal_);
        glFrontFace(cw_ ? GL_CW : GL_CCW);
        glPushMatrix();
        glLoadMatrixf(m);
        glCallList(static_cast<GLuint>(id));
        glPopMatrix();
        glGetFloatv(GL_CURRENT_COLOR, color_);
        glGetFloatv(GL_CURRENT_NORMAL, normal_);
        GLint front = GL_CCW;
        glGetIntegerv(GL_FRONT_FACE, &front);
        cw_ = front == GL_CW;
        return;
    }
    const ListMesh& mesh = lists_[static_cast<std::size_t>(id)];
    float centre[3];
    transformPoint(m, mesh.centre, centre);
    opaque(coneAround(centre, mesh.radius * stretch(m)));
    if (mesh.winding.size() > DirectListTriangles) {
        // Its geometry already lives with OpenGL: called under its matrix,
        // with what it takes from outside set first.
        const ListMesh::Corner* c = mesh.corners.data();
        bool colour = false, normal = false, winding = false;
        for (std::size_t k = 0; k < mesh.corners.size(); ++k) {
            colour = colour || !c[k].colorKnown;
            normal = normal || !c[k].normalKnown;
        }
        for (ListMesh::Wind w : mesh.winding) winding = winding || w == ListMesh::Wind::Inherited;
        if (colour) glColor4fv(color_);
        if (normal) glNormal3fv(normal_);
        if (winding) glFrontFace(cw_ ? GL_CW : GL_CCW);
        glLoadMatrixf(m);
        glCallList(static_cast<GLuint>(id));
        ++stats_.lists;
    } else {
        float nm[9];
        normalMatrix(m, nm);
        float inherited[3];
        transformNormal(nm, normal_, inherited);
        const std::size_t triangles = mesh.winding.size();
        const std::size_t first = solid_.size();
        solid_.resize(first + 3 * triangles);
        Vertex* out = solid_.data() + first;
        for (std::size_t t = 0; t < triangles; ++t) {
            const ListMesh::Corner* c = &mesh.corners[3 * t];
            // An inherited winding swaps the first two corners as GL_CW would.
            const bool swap = mesh.winding[t] == ListMesh::Wind::Inherited && cw_;
            for (int k = 0; k < 3; ++k) {
                const ListMesh::Corner& corner = c[swap && k < 2 ? 1 - k : k];
                Vertex& v = out[3 * t + static_cast<std::size_t>(k)];
                transformPoint(m, corner.p, v.p);
                if (corner.normalKnown) {
                    transformNormal(nm, corner.normal, v.n);
                } else {
                    std::memcpy(v.n, inherited, sizeof v.n);
                }
                std::memcpy(v.c, corner.colorKnown ? corner.color : color_, sizeof v.c);
                v.t[0] = v.t[1] = 0.0f;
            }
        }
    }
    if (mesh.exitColorKnown) std::memcpy(color_, mesh.exitColor, sizeof color_);
    if (mesh.exitNormalKnown) std::memcpy(normal_, mesh.exitNormal, sizeof normal_);
    if (mesh.exitWindingKnown) cw_ = mesh.exitWinding == Winding::Cw;
    const float* t = mesh.exitTranslation;
    if (t[0] != 0.0f || t[1] != 0.0f || t[2] != 0.0f) translate(t[0], t[1], t[2]);
}

void FrameBatch::debrisShell(const Explosion& e, int shell) {
    float m[16];
    std::memcpy(m, top(), sizeof m);
    const float r = e.shellRadius[shell];
    float centre[3] = {m[12], m[13], m[14]};
    opaque(coneAround(centre, (std::fabs(r) + FragmentReach) * stretch(m)));

    int mask = e.stippleIndex;
    for (int k = 0; k < ExplosionFragments; ++k) {
        mask = nextStippleIndex(mask);
        rotateBy(m, 24.0f, 0.0f, 1.0f, 0.0f);
        translateBy(m, r, 0.0f, 0.0f);
        float nm[9];
        normalMatrix(m, nm);
        Vertex v;
        transformNormal(nm, normal_, v.n);
        std::memcpy(v.c, color_, sizeof v.c);
        v.t[0] = v.t[1] = 0.0f;
        const float* tri = FragmentTriangles[shell][k];
        for (int i = 0; i < 3; ++i) {
            transformPoint(m, tri + 3 * i, v.p);
            debris_.push_back(v);
        }
        debrisMask_.push_back(static_cast<unsigned char>(mask));
        translateBy(m, -r, 0.0f, 0.0f);
    }
    // The straightforward painting leaves GL_CCW in front.
    cw_ = false;
}

void FrameBatch::flash(const Explosion& e, const Vector3& R, const Vector3& U, unsigned texture) {
    const float* m = top();
    const float s = e.flashSize;
    float centre[3] = {m[12], m[13], m[14]};
    const float reach =
        s * (std::sqrt(R.x * R.x + R.y * R.y + R.z * R.z) + std::sqrt(U.x * U.x + U.y * U.y + U.z * U.z));
    blended(coneAround(centre, std::fabs(reach) * stretch(m)), texture);
    std::vector<Vertex>& out = blendedVertices_;
    color(e.color[0], e.color[1], e.color[2], e.flashAlpha);
    cw_ = false;
    const float corners[4][3] = {{(U.x - R.x) * s, (U.y - R.y) * s, (U.z - R.z) * s},
                                 {(-R.x - U.x) * s, (-R.y - U.y) * s, (-R.z - U.z) * s},
                                 {(U.x + R.x) * s, (U.y + R.y) * s, (U.z + R.z) * s},
                                 {(R.x - U.x) * s, (R.y - U.y) * s, (R.z - U.z) * s}};
    static const float tex[4][2] = {{0.0f, 1.0f}, {0.0f, 0.0f}, {1.0f, 1.0f}, {1.0f, 0.0f}};
    // The strip's two triangles, in OpenGL's order.
    static const int order[6] = {0, 1, 2, 2, 1, 3};
    float nm[9];
    normalMatrix(m, nm);
    Vertex v;
    transformNormal(nm, normal_, v.n);
    std::memcpy(v.c, color_, sizeof v.c);
    for (int k : order) {
        transformPoint(m, corners[k], v.p);
        v.t[0] = tex[k][0];
        v.t[1] = tex[k][1];
        out.push_back(v);
    }
    endBlended();
}

void FrameBatch::glowShell(const Explosion& e, int shell, unsigned texture) {
    float m[16];
    std::memcpy(m, top(), sizeof m);
    const float r = e.shellRadius[shell];
    float centre[3] = {m[12], m[13], m[14]};
    blended(coneAround(centre, (std::fabs(r) + FragmentReach) * stretch(m)), texture);
    std::vector<Vertex>& out = blendedVertices_;
    // The same triangle in both windings, the texture turned a quarter between
    // them: the GL_CW one has its first two corners swapped.
    static const float frontTex[6] = {1.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f};
    static const int frontOrder[3] = {1, 0, 2};
    static const float backTex[6] = {1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f};
    Vertex v;
    std::memcpy(v.c, color_, sizeof v.c);
    for (int k = 0; k < ExplosionFragments; ++k) {
        const float* tri = FragmentTriangles[shell][k];
        rotateBy(m, e.fragmentAngle[shell][k], 0.0f, 1.0f, 0.0f);
        translateBy(m, r, 0.0f, 0.0f);
        float nm[9];
        normalMatrix(m, nm);
        transformNormal(nm, normal_, v.n);
        for (int i = 0; i < 3; ++i) {
            transformPoint(m, tri + 3 * frontOrder[i], v.p);
            v.t[0] = frontTex[2 * i];
            v.t[1] = frontTex[2 * i + 1];
            out.push_back(v);
        }
        for (int i = 0; i < 3; ++i) {
            transformPoint(m, tri + 3 * i, v.p);
            v.t[0] = backTex[2 * i];
            v.t[1] = backTex[2 * i + 1];
            out.push_back(v);
        }
        translateBy(m, -r, 0.0f, 0.0f);
    }
    endBlended();
    cw_ = false;
}

void FrameBatch::flush() {
    const int runs = static_cast<int>(runTexture_.size());
    if (solid_.empty() && debris_.empty() && runs == 0) {
        waiting_.clear();
        return;
    }
    ++stats_.flushes;

    // Debris grouped by mask, then the blended runs, into one array (counting
    // sorts, keeping the order within a mask and within a run).
    staging_.clear();
    int firstOf[33] = {};
    for (unsigned char k : debrisMask_) ++firstOf[k + 1];
    for (int k = 0; k < 32; ++k) firstOf[k + 1] += firstOf[k];
    int next[32];
    for (int k = 0; k < 32; ++k) {
        firstOf[k] *= 3;
        next[k] = firstOf[k];
    }
    firstOf[32] *= 3;
    staging_.resize(debris_.size());
    for (std::size_t f = 0; f < debrisMask_.size(); ++f) {
        const int at = next[debrisMask_[f]];
        next[debrisMask_[f]] += 3;
        for (int i = 0; i < 3; ++i)
            staging_[static_cast<std::size_t>(at + i)] = debris_[3 * f + static_cast<std::size_t>(i)];
    }
    runFirst_.assign(static_cast<std::size_t>(runs) + 1, 0);
    for (const Waiting& w : waiting_) runFirst_[static_cast<std::size_t>(w.run) + 1] += w.count;
    runFirst_[0] = static_cast<int>(staging_.size());
    for (int r = 0; r < runs; ++r) runFirst_[static_cast<std::size_t>(r) + 1] += runFirst_[static_cast<std::size_t>(r)];
    staging_.resize(static_cast<std::size_t>(runFirst_[static_cast<std::size_t>(runs)]));
    for (const Waiting& w : waiting_) {
        int& at = runFirst_[static_cast<std::size_t>(w.run)];
        std::memcpy(&staging_[static_cast<std::size_t>(at)], &blendedVertices_[static_cast<std::size_t>(w.first)],
                    static_cast<std::size_t>(w.count) * sizeof(Vertex));
        at += w.count;
    }
    // runFirst_[r] is now where run r ends.

    // One copy of the flush's vertices to OpenGL: into the stream's buffer,
    // or, with client arrays, left where they are.
    const std::size_t solidBytes = solid_.size() * sizeof(Vertex);
    const std::size_t stagingBytes = staging_.size() * sizeof(Vertex);
    VertexStream& stream = glBackend().batchStream();
    stream.reserve(solidBytes + stagingBytes);
    const char* const solidAt = solid_.empty() ? nullptr : stream.put(solid_.data(), solidBytes);
    const char* const stagingAt = staging_.empty() ? nullptr : stream.put(staging_.data(), stagingBytes);

    const GLsizei stride = static_cast<GLsizei>(sizeof(Vertex));
    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_LIGHTING_BIT | GL_POLYGON_BIT | GL_TEXTURE_BIT |
                 GL_COLOR_BUFFER_BIT | GL_TRANSFORM_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glFrontFace(GL_CCW);
    glShadeModel(GL_FLAT);

    if (!solid_.empty()) {
        glVertexPointer(3, GL_FLOAT, stride, attribute(solidAt, offsetof(Vertex, p)));
        glNormalPointer(GL_FLOAT, stride, attribute(solidAt, offsetof(Vertex, n)));
        glColorPointer(4, GL_FLOAT, stride, attribute(solidAt, offsetof(Vertex, c)));
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(solid_.size()));
        ++stats_.draws;
    }
    if (!staging_.empty()) {
        glVertexPointer(3, GL_FLOAT, stride, attribute(stagingAt, offsetof(Vertex, p)));
        glNormalPointer(GL_FLOAT, stride, attribute(stagingAt, offsetof(Vertex, n)));
        glColorPointer(4, GL_FLOAT, stride, attribute(stagingAt, offsetof(Vertex, c)));
    }
    if (!debris_.empty()) {
        glDisable(GL_CULL_FACE);
        const bool textured = debrisMaskTexturesReady();
        if (textured) {
            beginDebrisMaskTexturing();
        } else {
            glDisable(GL_TEXTURE_2D);
            glEnable(GL_POLYGON_STIPPLE);
        }
        for (int k = 0; k < 32; ++k) {
            if (firstOf[k] == firstOf[k + 1]) continue;
            if (textured) {
                glBindTexture(GL_TEXTURE_2D, debrisMaskTexture(k));
            } else {
                glPolygonStipple(StipplePatterns[k]);
            }
            glDrawArrays(GL_TRIANGLES, firstOf[k], firstOf[k + 1] - firstOf[k]);
            ++stats_.draws;
        }
        if (textured) {
            endDebrisMaskTexturing();
            glDisable(GL_TEXTURE_GEN_S);
            glDisable(GL_TEXTURE_GEN_T);
            glDisable(GL_TEXTURE_GEN_Q);
            glDisable(GL_ALPHA_TEST);
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        } else {
            glDisable(GL_POLYGON_STIPPLE);
        }
        glEnable(GL_CULL_FACE);
    }
    if (runs != 0) {
        glShadeModel(GL_SMOOTH);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_BLEND);
        glEnable(GL_TEXTURE_2D);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, stride, attribute(stagingAt, offsetof(Vertex, t)));
        int at = firstOf[32];
        for (int r = 0; r < runs; ++r) {
            const int end = runFirst_[static_cast<std::size_t>(r)];
            if (end > at) {
                glBindTexture(GL_TEXTURE_2D, runTexture_[static_cast<std::size_t>(r)]);
                glDrawArrays(GL_TRIANGLES, at, end - at);
                ++stats_.draws;
            }
            at = end;
        }
    }
    stream.release();
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();

    stats_.vertices += static_cast<long>(solid_.size() + staging_.size());
    solid_.clear();
    debris_.clear();
    debrisMask_.clear();
    runTexture_.clear();
    blendedVertices_.clear();
    waiting_.clear();
}
