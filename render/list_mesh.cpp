// Display lists kept on the CPU; see list_mesh.h.
#include "render/list_mesh.h"

#include <cmath>

#include "render/gl/glu_sphere.h"

void ListMeshSink::beginList(int) {
    out_ = ListMesh();
    out_.usable = true;
    inPrimitive_ = false;
    open_.clear();
    for (int i = 0; i < 3; ++i) translation_[i] = 0.0f;
    for (int i = 0; i < 4; ++i) color_[i] = 1.0f;
    normal_[0] = 0.0f;
    normal_[1] = 0.0f;
    normal_[2] = 1.0f;
    colorKnown_ = normalKnown_ = windingKnown_ = false;
    winding_ = Winding::Ccw;
}

void ListMeshSink::endList() {
    out_.exitColorKnown = colorKnown_;
    out_.exitNormalKnown = normalKnown_;
    out_.exitWindingKnown = windingKnown_;
    for (int i = 0; i < 4; ++i) out_.exitColor[i] = color_[i];
    for (int i = 0; i < 3; ++i) out_.exitNormal[i] = normal_[i];
    for (int i = 0; i < 3; ++i) out_.exitTranslation[i] = translation_[i];
    out_.exitWinding = winding_;
    // The bounding sphere: centred in the box around the corners.
    float lo[3] = {0.0f, 0.0f, 0.0f}, hi[3] = {0.0f, 0.0f, 0.0f};
    for (std::size_t k = 0; k < out_.corners.size(); ++k) {
        for (int i = 0; i < 3; ++i) {
            const float v = out_.corners[k].p[i];
            if (k == 0 || v < lo[i]) lo[i] = v;
            if (k == 0 || v > hi[i]) hi[i] = v;
        }
    }
    double r2 = 0.0;
    for (int i = 0; i < 3; ++i) out_.centre[i] = 0.5f * (lo[i] + hi[i]);
    for (const ListMesh::Corner& c : out_.corners) {
        double d2 = 0.0;
        for (int i = 0; i < 3; ++i) {
            const double d = static_cast<double>(c.p[i]) - out_.centre[i];
            d2 += d * d;
        }
        r2 = std::fmax(r2, d2);
    }
    out_.radius = static_cast<float>(std::sqrt(r2) * 1.001 + 0.01);
}

void ListMeshSink::open(Mode mode) {
    inPrimitive_ = true;
    mode_ = mode;
    open_.clear();
}

void ListMeshSink::begin(Primitive mode) {
    switch (mode) {
    case Primitive::Triangles:
        open(Mode::Triangles);
        break;
    case Primitive::TriangleStrip:
        open(Mode::TriangleStrip);
        break;
    case Primitive::TriangleFan:
        open(Mode::TriangleFan);
        break;
    case Primitive::Quads:
        open(Mode::Quads);
        break;
    }
}

void ListMeshSink::add(const ListMesh::Corner& a, const ListMesh::Corner& b, const ListMesh::Corner& c) {
    // The winding in force when the primitive is drawn: the current one.
    if (windingKnown_ && winding_ == Winding::Cw) {
        out_.corners.push_back(b);
        out_.corners.push_back(a);
        out_.winding.push_back(ListMesh::Wind::Cw);
    } else {
        out_.corners.push_back(a);
        out_.corners.push_back(b);
        out_.winding.push_back(windingKnown_ ? ListMesh::Wind::Ccw : ListMesh::Wind::Inherited);
    }
    out_.corners.push_back(c);
}

void ListMeshSink::close() {
    inPrimitive_ = false;
    const std::vector<ListMesh::Corner>& v = open_;
    const std::size_t n = v.size();
    const auto one = [&](std::size_t i, std::size_t j, std::size_t k) { add(v[i], v[j], v[k]); };
    switch (mode_) {
    case Mode::Triangles:
        forEachTriangle(Primitive::Triangles, n, one);
        break;
    case Mode::TriangleStrip:
        forEachTriangle(Primitive::TriangleStrip, n, one);
        break;
    case Mode::TriangleFan:
        forEachTriangle(Primitive::TriangleFan, n, one);
        break;
    case Mode::Quads:
        // Quad (a, b, c, d) as (a, b, d) and (b, c, d): d, whose colour a
        // flat quad takes, stays last in both.
        for (std::size_t k = 0; k + 3 < n; k += 4) {
            add(v[k], v[k + 1], v[k + 3]);
            add(v[k + 1], v[k + 2], v[k + 3]);
        }
        break;
    case Mode::QuadStrip:
        // Quad k is (v2k, v2k+1, v2k+3, v2k+2) and takes its flat colour from v2k+3.
        for (std::size_t k = 0; 2 * k + 3 < n; ++k) {
            add(v[2 * k], v[2 * k + 1], v[2 * k + 3]);
            add(v[2 * k + 2], v[2 * k], v[2 * k + 3]);
        }
        break;
    }
    open_.clear();
}

void ListMeshSink::end() {
    if (inPrimitive_) close();
}

void ListMeshSink::vertex(float x, float y, float z) {
    if (!inPrimitive_) {
        out_.usable = false;
        return;
    }
    ListMesh::Corner c;
    c.p[0] = x + translation_[0];
    c.p[1] = y + translation_[1];
    c.p[2] = z + translation_[2];
    for (int i = 0; i < 3; ++i) c.normal[i] = normal_[i];
    for (int i = 0; i < 4; ++i) c.color[i] = color_[i];
    c.normalKnown = normalKnown_;
    c.colorKnown = colorKnown_;
    open_.push_back(c);
}

void ListMeshSink::normal(float x, float y, float z) {
    normal_[0] = x;
    normal_[1] = y;
    normal_[2] = z;
    normalKnown_ = true;
}

void ListMeshSink::color(float r, float g, float b) { color(r, g, b, 1.0f); }

void ListMeshSink::color(float r, float g, float b, float a) {
    color_[0] = r;
    color_[1] = g;
    color_[2] = b;
    color_[3] = a;
    colorKnown_ = true;
}

void ListMeshSink::texCoord(float, float) { out_.usable = false; }

void ListMeshSink::frontFace(Winding w) {
    winding_ = w;
    windingKnown_ = true;
}

void ListMeshSink::translate(float x, float y, float z) {
    // Translations only ever add up; the sum is rounded once per corner where
    // OpenGL rounds once per matrix update, well below a pixel.
    translation_[0] += x;
    translation_[1] += y;
    translation_[2] += z;
}

void ListMeshSink::sphere(double radius, int slices, int stacks) {
    struct Recorder {
        ListMeshSink& sink;
        void begin(SpherePiece piece) {
            sink.open(piece == SpherePiece::TriangleFan ? Mode::TriangleFan : Mode::QuadStrip);
        }
        void normal(float x, float y, float z) { sink.normal(x, y, z); }
        void vertex(float x, float y, float z) { sink.vertex(x, y, z); }
        void end() { sink.close(); }
    } recorder{*this};
    tessellateGluSphere(radius, slices, stacks, recorder);
}

void ListMeshSink::callList(int) { out_.usable = false; }

void ListMeshSink::alphaBlend(bool) { out_.usable = false; }

void ListMeshSink::lightPosition(int, float, float, float, float) { out_.usable = false; }
