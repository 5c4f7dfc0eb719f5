// The sinks that need no GL: winding helper and the recording sink.
#include "render/mesh_sink.h"

Winding swapped(Winding w) { return w == Winding::Cw ? Winding::Ccw : Winding::Cw; }

void RecordingMeshSink::Triangle::facing(float out[3]) const {
    const double u[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
    const double v[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
    double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const double sign = front == Winding::Cw ? -1.0 : 1.0;
    for (int k = 0; k < 3; ++k) out[k] = static_cast<float>(sign * n[k]);
}

bool RecordingMeshSink::Triangle::degenerate() const {
    float f[3];
    facing(f);
    return f[0] == 0.0f && f[1] == 0.0f && f[2] == 0.0f;
}

void RecordingMeshSink::push(Op op, float a, float b, float c, float d, int i, int j) {
    Command cmd;
    cmd.op = op;
    cmd.v[0] = a;
    cmd.v[1] = b;
    cmd.v[2] = c;
    cmd.v[3] = d;
    cmd.i = i;
    cmd.j = j;
    commands_.push_back(cmd);
}

void RecordingMeshSink::beginList(int id) {
    push(Op::BeginList, 0, 0, 0, 0, id, 0);
    list_ = id;
}

void RecordingMeshSink::endList() {
    push(Op::EndList, 0, 0, 0, 0, list_, 0);
    list_ = 0;
}

void RecordingMeshSink::begin(Primitive mode) {
    push(Op::Begin, 0, 0, 0, 0, static_cast<int>(mode), 0);
    inPrimitive_ = true;
    mode_ = mode;
    open_.clear();
}

void RecordingMeshSink::end() {
    push(Op::End, 0, 0, 0, 0, 0, 0);
    finishPrimitive();
    inPrimitive_ = false;
    open_.clear();
}

void RecordingMeshSink::vertex(float x, float y, float z) {
    push(Op::Vertex, x, y, z, 1.0f, 0, 0);
    if (inPrimitive_) {
        Corner c;
        c.p[0] = x + translation_[0];
        c.p[1] = y + translation_[1];
        c.p[2] = z + translation_[2];
        for (int k = 0; k < 4; ++k) c.color[k] = color_[k];
        for (int k = 0; k < 3; ++k) c.normal[k] = normal_[k];
        c.front = front_;
        c.index = vertices_;
        open_.push_back(c);
    }
    ++vertices_;
}

void RecordingMeshSink::normal(float x, float y, float z) {
    push(Op::Normal, x, y, z, 0.0f, 0, 0);
    normal_[0] = x;
    normal_[1] = y;
    normal_[2] = z;
}

void RecordingMeshSink::color(float r, float g, float b) { color(r, g, b, 1.0f); }

void RecordingMeshSink::color(float r, float g, float b, float a) {
    push(Op::Color, r, g, b, a, 0, 0);
    color_[0] = r;
    color_[1] = g;
    color_[2] = b;
    color_[3] = a;
}

void RecordingMeshSink::texCoord(float s, float t) { push(Op::TexCoord, s, t, 0, 0, 0, 0); }

void RecordingMeshSink::frontFace(Winding w) {
    // Front-face state is not part of a primitive, but a change between
    // glBegin and glEnd would be an OpenGL error: keep it out of primitives.
    push(Op::FrontFace, 0, 0, 0, 0, static_cast<int>(w), 0);
    front_ = w;
}

void RecordingMeshSink::translate(float x, float y, float z) {
    push(Op::Translate, x, y, z, 0, 0, 0);
    translation_[0] += x;
    translation_[1] += y;
    translation_[2] += z;
}

void RecordingMeshSink::sphere(double radius, int slices, int stacks) {
    push(Op::Sphere, static_cast<float>(radius), 0, 0, 0, slices, stacks);
}

void RecordingMeshSink::callList(int id) { push(Op::CallList, 0, 0, 0, 0, id, 0); }

void RecordingMeshSink::alphaBlend(bool on) { push(Op::AlphaBlend, 0, 0, 0, 0, on ? 1 : 0, 0); }

void RecordingMeshSink::lightPosition(int light, float x, float y, float z, float w) {
    push(Op::LightPosition, x, y, z, w, light, 0);
}

std::size_t RecordingMeshSink::vertexCount() const { return vertices_; }

void RecordingMeshSink::clear() { *this = RecordingMeshSink(); }

void RecordingMeshSink::finishPrimitive() {
    const std::size_t n = open_.size();
    auto add = [this](const Corner& a, const Corner& b, const Corner& c) {
        Triangle t;
        for (int k = 0; k < 3; ++k) {
            t.a[k] = a.p[k];
            t.b[k] = b.p[k];
            t.c[k] = c.p[k];
            t.normal[k] = c.normal[k];
        }
        for (int k = 0; k < 4; ++k) t.color[k] = c.color[k];
        t.front = c.front;
        t.list = list_;
        t.first = a.index < b.index ? (a.index < c.index ? a.index : c.index) : (b.index < c.index ? b.index : c.index);
        triangles_.push_back(t);
    };
    forEachTriangle(mode_, n, [&](std::size_t i, std::size_t j, std::size_t k) { add(open_[i], open_[j], open_[k]); });
    if (mode_ == Primitive::Quads) {
        for (std::size_t k = 0; k + 3 < n; k += 4) {
            add(open_[k], open_[k + 1], open_[k + 2]);
            add(open_[k], open_[k + 2], open_[k + 3]);
        }
    }
}
