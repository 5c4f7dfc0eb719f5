// Display lists recorded as meshes; see display_lists.h.
#include "render/gles2/display_lists.h"

#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>

static_assert(sizeof(IssuedVertex) == 13 * sizeof(float), "vertices are compared as bytes: no padding");

void meshTriangles(const ListMesh& mesh, bool flat, std::vector<ShaderVertex>* out) {
    int at = 0;
    for (const ListMesh::Primitive& p : mesh.primitives) {
        unroll(p.mode, mesh.vertices.data() + at, p.count, flat, p.clockwise, out);
        at += p.count;
    }
}

void meshCorners(const ListMesh& mesh, std::vector<ShaderVertex>* vertices, std::vector<unsigned>* corners) {
    // The ship lists come as triangles whose corners repeat the vertices of
    // the strips they were cut from: equal vertices, to the byte, become one.
    std::unordered_map<std::string, unsigned> known;
    std::vector<unsigned> at(mesh.vertices.size());
    for (std::size_t i = 0; i < mesh.vertices.size(); ++i) {
        const IssuedVertex& v = mesh.vertices[i];
        const std::string bytes(reinterpret_cast<const char*>(&v), sizeof v);
        const auto found = known.emplace(bytes, static_cast<unsigned>(vertices->size()));
        if (found.second) vertices->push_back(shaderVertex(v, v));
        at[i] = found.first->second;
    }
    const std::size_t first = corners->size();
    unsigned start = 0;
    for (const ListMesh::Primitive& p : mesh.primitives) {
        triangleCorners(p.mode, p.count, p.clockwise, start, corners);
        start += static_cast<unsigned>(p.count);
    }
    for (std::size_t k = first; k < corners->size(); ++k) (*corners)[k] = at[(*corners)[k]];
}

void ListRecorder::begin(unsigned id, const CurrentGroup& current) {
    id_ = id;
    list_ = std::make_unique<DisplayList>();
    colorKnown_ = normalKnown_ = windingKnown_ = false;
    winding_ = GL_CCW;
    saved_ = current;
}

DisplayList ListRecorder::end(CurrentGroup* current) {
    endSegment();
    list_->exitWinding = windingKnown_;
    list_->winding = winding_;
    DisplayList done = std::move(*list_);
    list_.reset();
    *current = saved_;  // compiling executes nothing (GL_COMPILE)
    return done;
}

int ListRecorder::inheritance() const { return (colorKnown_ ? 0 : InheritColor) | (normalKnown_ ? 0 : InheritNormal); }

void ListRecorder::color(const float c[4]) {
    colorKnown_ = true;
    list_->exitColor = true;
    std::memcpy(list_->color, c, sizeof list_->color);
}

void ListRecorder::normal(const float n[3]) {
    normalKnown_ = true;
    list_->exitNormal = true;
    std::memcpy(list_->normal, n, sizeof list_->normal);
}

void ListRecorder::texCoord(float s, float t) {
    list_->exitTexCoord = true;
    list_->texCoord[0] = s;
    list_->texCoord[1] = t;
}

void ListRecorder::frontFace(unsigned mode) {
    windingKnown_ = true;
    winding_ = mode;
}

void ListRecorder::primitive(unsigned mode, const std::vector<IssuedVertex>& vertices) {
    ListMesh& mesh = segment_[windingKnown_ ? 0 : 1];
    mesh.ownWinding = windingKnown_;
    mesh.vertices.insert(mesh.vertices.end(), vertices.begin(), vertices.end());
    mesh.primitives.push_back({mode, static_cast<int>(vertices.size()), windingKnown_ && winding_ == GL_CW});
}

void ListRecorder::op(const ListOp& op) {
    endSegment();
    list_->ops.push_back(op);
}

void ListRecorder::endSegment() {
    for (ListMesh& mesh : segment_) {
        if (mesh.vertices.empty()) continue;
        ListOp op{ListOp::Mesh};
        op.mesh = static_cast<int>(list_->meshes.size());
        list_->meshes.push_back(std::move(mesh));
        list_->ops.push_back(op);
        mesh = ListMesh();
    }
}
