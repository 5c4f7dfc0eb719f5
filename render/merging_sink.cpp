// Ship lists with their colour and winding switches folded into the vertices;
// see merging_sink.h.
#include "render/merging_sink.h"

#include <cstring>

#include "render/drawing_paths.h"
#include "render/meshes.h"

namespace {

bool sameColor(const float a[4], const float b[4]) { return std::memcmp(a, b, 4 * sizeof(float)) == 0; }

bool sameNormal(const float a[3], const float b[3]) { return std::memcmp(a, b, 3 * sizeof(float)) == 0; }

void sendColor(MeshSink& sink, const float c[4]) {
    if (c[3] == 1.0f) {
        sink.color(c[0], c[1], c[2]);
    } else {
        sink.color(c[0], c[1], c[2], c[3]);
    }
}

}  // namespace

void MergingMeshSink::resetState() {
    state_ = State();
    targetState_ = State();
    beginState_ = State();
    inPrimitive_ = false;
    calls_.clear();
    corners_.clear();
    run_.clear();
}

void MergingMeshSink::beginList(int id) {
    resetState();
    target_.beginList(id);
}

void MergingMeshSink::endList() {
    // The list ends with the colour, normal and winding the plain list leaves.
    barrier();
    target_.endList();
    resetState();
}

void MergingMeshSink::begin(Primitive mode) {
    inPrimitive_ = true;
    mode_ = mode;
    beginState_ = state_;
    mergeable_ = mode != Primitive::Quads && state_.windingKnown;
    calls_.clear();
    corners_.clear();
}

void MergingMeshSink::end() {
    if (!inPrimitive_) {
        barrier();
        target_.end();
        return;
    }
    inPrimitive_ = false;
    if (!mergeable_) {
        // Passed on call for call, from the state it began in.
        flushRun();
        syncTo(beginState_);
        target_.begin(mode_);
        for (const Call& c : calls_) {
            switch (c.kind) {
            case Call::Vertex:
                target_.vertex(c.v[0], c.v[1], c.v[2]);
                break;
            case Call::Normal:
                target_.normal(c.v[0], c.v[1], c.v[2]);
                break;
            case Call::Color:
                sendColor(target_, c.v);
                break;
            case Call::TexCoord:
                target_.texCoord(c.v[0], c.v[1]);
                break;
            }
        }
        target_.end();
        // The calls inside set the target's colour and normal as they set ours.
        targetState_.colorKnown = state_.colorKnown;
        targetState_.normalKnown = state_.normalKnown;
        std::memcpy(targetState_.color, state_.color, sizeof state_.color);
        std::memcpy(targetState_.normal, state_.normal, sizeof state_.normal);
        return;
    }

    // Unrolled in OpenGL's order: each triangle keeps its last vertex last.
    const std::size_t n = corners_.size();
    auto add = [this](const Corner& a, const Corner& b, const Corner& c) {
        // Under GL_CW the first two corners swap, so that GL_CCW culls alike.
        if (c.winding == Winding::Cw) {
            run_.push_back(b);
            run_.push_back(a);
        } else {
            run_.push_back(a);
            run_.push_back(b);
        }
        run_.push_back(c);
    };
    // Quads are never mergeable.
    forEachTriangle(mode_, n,
                    [&](std::size_t i, std::size_t j, std::size_t k) { add(corners_[i], corners_[j], corners_[k]); });
}

void MergingMeshSink::vertex(float x, float y, float z) {
    if (!inPrimitive_) {
        barrier();
        target_.vertex(x, y, z);
        return;
    }
    calls_.push_back({Call::Vertex, {x, y, z, 1.0f}});
    if (!state_.colorKnown || !state_.normalKnown) {
        mergeable_ = false;  // it takes state from outside the list
    }
    Corner c;
    c.p[0] = x;
    c.p[1] = y;
    c.p[2] = z;
    std::memcpy(c.color, state_.color, sizeof c.color);
    std::memcpy(c.normal, state_.normal, sizeof c.normal);
    c.winding = state_.winding;
    corners_.push_back(c);
}

void MergingMeshSink::normal(float x, float y, float z) {
    if (inPrimitive_) {
        calls_.push_back({Call::Normal, {x, y, z, 0.0f}});
    }
    state_.normal[0] = x;
    state_.normal[1] = y;
    state_.normal[2] = z;
    state_.normalKnown = true;
}

void MergingMeshSink::color(float r, float g, float b) { color(r, g, b, 1.0f); }

void MergingMeshSink::color(float r, float g, float b, float a) {
    if (inPrimitive_) {
        calls_.push_back({Call::Color, {r, g, b, a}});
    }
    state_.color[0] = r;
    state_.color[1] = g;
    state_.color[2] = b;
    state_.color[3] = a;
    state_.colorKnown = true;
}

void MergingMeshSink::texCoord(float s, float t) {
    if (inPrimitive_) {
        calls_.push_back({Call::TexCoord, {s, t, 0.0f, 0.0f}});
        mergeable_ = false;
        return;
    }
    barrier();
    target_.texCoord(s, t);
}

void MergingMeshSink::frontFace(Winding w) {
    state_.winding = w;
    state_.windingKnown = true;
}

void MergingMeshSink::translate(float x, float y, float z) {
    barrier();
    target_.translate(x, y, z);
}

void MergingMeshSink::sphere(double radius, int slices, int stacks) {
    barrier();
    target_.sphere(radius, slices, stacks);
    // GLU gives every vertex of the sphere its own normal.
    targetState_.normalKnown = false;
    state_.normalKnown = false;
}

void MergingMeshSink::callList(int id) {
    barrier();
    target_.callList(id);
    // The called list may set anything.
    targetState_ = State();
    state_ = State();
}

void MergingMeshSink::alphaBlend(bool on) {
    barrier();
    target_.alphaBlend(on);
}

void MergingMeshSink::lightPosition(int light, float x, float y, float z, float w) {
    barrier();
    target_.lightPosition(light, x, y, z, w);
}

void MergingMeshSink::emitCorner(const Corner& c, bool first) {
    if (first || !sameColor(c.color, targetState_.color)) {
        sendColor(target_, c.color);
        std::memcpy(targetState_.color, c.color, sizeof c.color);
    }
    if (first || !sameNormal(c.normal, targetState_.normal)) {
        target_.normal(c.normal[0], c.normal[1], c.normal[2]);
        std::memcpy(targetState_.normal, c.normal, sizeof c.normal);
    }
    target_.vertex(c.p[0], c.p[1], c.p[2]);
}

void MergingMeshSink::flushRun() {
    if (run_.empty()) {
        return;
    }
    if (!targetState_.windingKnown || targetState_.winding != Winding::Ccw) {
        target_.frontFace(Winding::Ccw);
        targetState_.winding = Winding::Ccw;
        targetState_.windingKnown = true;
    }
    target_.begin(Primitive::Triangles);
    for (std::size_t k = 0; k < run_.size(); ++k) {
        emitCorner(run_[k], k == 0);
    }
    target_.end();
    targetState_.colorKnown = true;
    targetState_.normalKnown = true;
    run_.clear();
}

void MergingMeshSink::syncTo(const State& s) {
    if (s.colorKnown && !(targetState_.colorKnown && sameColor(s.color, targetState_.color))) {
        sendColor(target_, s.color);
        std::memcpy(targetState_.color, s.color, sizeof s.color);
        targetState_.colorKnown = true;
    }
    if (s.normalKnown && !(targetState_.normalKnown && sameNormal(s.normal, targetState_.normal))) {
        target_.normal(s.normal[0], s.normal[1], s.normal[2]);
        std::memcpy(targetState_.normal, s.normal, sizeof s.normal);
        targetState_.normalKnown = true;
    }
    if (s.windingKnown && !(targetState_.windingKnown && s.winding == targetState_.winding)) {
        target_.frontFace(s.winding);
        targetState_.winding = s.winding;
        targetState_.windingKnown = true;
    }
}

void MergingMeshSink::barrier() {
    flushRun();
    syncTo(state_);
}

void compileShipListFor(int id, MeshSink& sink) {
    if (drawingPaths().mergedLists && (id == ListHexWingFighter || id == ListFourWingFighter)) {
        MergingMeshSink merged(sink);
        compileShipList(id, merged);
    } else {
        compileShipList(id, sink);
    }
}
