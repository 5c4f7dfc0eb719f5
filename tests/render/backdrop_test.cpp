// Backdrop lists, recorded without any GL context.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "render/backdrop_lists.h"

namespace {

using Op = RecordingMeshSink::Op;
using Command = RecordingMeshSink::Command;

struct TexturedVertex {
    float x, y, z, s, t;
};

// The vertices of each primitive, each with the texture coordinate current at it.
std::vector<std::vector<TexturedVertex>> primitives(const RecordingMeshSink& rec) {
    std::vector<std::vector<TexturedVertex>> out;
    float s = -1, t = -1;
    for (const Command& c : rec.commands()) {
        if (c.op == Op::Begin) {
            out.emplace_back();
        } else if (c.op == Op::TexCoord) {
            s = c.v[0];
            t = c.v[1];
        } else if (c.op == Op::Vertex && !out.empty()) {
            out.back().push_back({c.v[0], c.v[1], c.v[2], s, t});
        }
    }
    return out;
}

std::vector<TexturedVertex> texturedVertices(const RecordingMeshSink& rec) {
    std::vector<TexturedVertex> all;
    for (const auto& p : primitives(rec)) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Checks a face list: every triangle with area lies in z = -1024, faces the
// eye at the origin under GL_CCW (drawBackdrop's winding), and maps
// `unitsPerCopy` units in x and in y onto one copy of the texture. Returns
// the area covered.
double checkFace(const RecordingMeshSink& rec, double unitsPerCopy) {
    double area = 0;
    for (const auto& strip : primitives(rec)) {
        for (std::size_t k = 0; k + 2 < strip.size(); ++k) {
            const TexturedVertex& a = strip[k];
            const TexturedVertex& b = strip[k + 1];
            const TexturedVertex& c = strip[k + 2];
            EXPECT_EQ(a.z, -1024.0f);
            // Signed area seen from the eye (looking down -z): > 0 is
            // counter-clockwise; every second strip triangle is taken reversed.
            double det = (double(b.x) - a.x) * (double(c.y) - a.y) - (double(c.x) - a.x) * (double(b.y) - a.y);
            if (det == 0) continue;
            EXPECT_GT(k % 2 == 0 ? det : -det, 0) << "triangle " << k;
            area += std::fabs(det) / 2;
            // The texture coordinates as an affine function of (x, y).
            const double dsdx =
                ((double(b.s) - a.s) * (double(c.y) - a.y) - (double(c.s) - a.s) * (double(b.y) - a.y)) / det;
            const double dsdy =
                ((double(c.s) - a.s) * (double(b.x) - a.x) - (double(b.s) - a.s) * (double(c.x) - a.x)) / det;
            const double dtdx =
                ((double(b.t) - a.t) * (double(c.y) - a.y) - (double(c.t) - a.t) * (double(b.y) - a.y)) / det;
            const double dtdy =
                ((double(c.t) - a.t) * (double(b.x) - a.x) - (double(b.t) - a.t) * (double(c.x) - a.x)) / det;
            EXPECT_DOUBLE_EQ(dsdx, 1.0 / unitsPerCopy);
            EXPECT_DOUBLE_EQ(dtdy, 1.0 / unitsPerCopy);
            EXPECT_EQ(dsdy, 0.0);
            EXPECT_EQ(dtdx, 0.0);
        }
    }
    return area;
}

}  // namespace

TEST(BackdropLists, SingleTileCoversTheFaceOnce) {
    RecordingMeshSink rec;
    compileStarTileList(rec);
    ASSERT_EQ(rec.commands().front().op, Op::BeginList);
    EXPECT_EQ(rec.commands().front().i, 9);
    EXPECT_EQ(rec.vertexCount(), 4u);
    const std::vector<TexturedVertex> v = texturedVertices(rec);
    const TexturedVertex expected[4] = {
        {-1024, 1024, -1024, 0, 1}, {-1024, -1024, -1024, 0, 0}, {1024, 1024, -1024, 1, 1}, {1024, -1024, -1024, 1, 0}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(v[k].x, expected[k].x);
        EXPECT_EQ(v[k].y, expected[k].y);
        EXPECT_EQ(v[k].z, expected[k].z);
        EXPECT_EQ(v[k].s, expected[k].s);
        EXPECT_EQ(v[k].t, expected[k].t);
    }
    EXPECT_DOUBLE_EQ(checkFace(rec, 2048), 2048.0 * 2048.0);
}

TEST(BackdropLists, TiledFaceRepeatsTheTextureTwoByTwo) {
    RecordingMeshSink rec;
    compileStarTilesList(rec);
    EXPECT_EQ(rec.commands().front().i, 8);
    EXPECT_EQ(rec.vertexCount(), 16u);
    int strips = 0, degenerate = 0;
    for (const Command& c : rec.commands()) {
        if (c.op == Op::Begin) {
            ++strips;
            EXPECT_EQ(static_cast<Primitive>(c.i), Primitive::TriangleStrip);
        }
        // No normal and no winding of its own: drawBackdrop's stand.
        EXPECT_NE(c.op, Op::Normal);
        EXPECT_NE(c.op, Op::FrontFace);
    }
    for (const RecordingMeshSink::Triangle& t : rec.triangles()) degenerate += t.degenerate() ? 1 : 0;
    EXPECT_EQ(strips, 2);
    EXPECT_EQ(degenerate, 4);  // two at the join of each strip
    EXPECT_DOUBLE_EQ(checkFace(rec, 1024), 2048.0 * 2048.0);
}

TEST(BackdropLists, SunSquareBlendsBindsDrawsAndMovesLightTwo) {
    RecordingMeshSink rec;
    compileSunList(rec);
    const std::vector<Command>& c = rec.commands();
    const Op order[] = {Op::BeginList, Op::AlphaBlend, Op::Color,      Op::CallList,      Op::Begin,  Op::TexCoord,
                        Op::Vertex,    Op::TexCoord,   Op::Vertex,     Op::TexCoord,      Op::Vertex, Op::TexCoord,
                        Op::Vertex,    Op::End,        Op::AlphaBlend, Op::LightPosition, Op::EndList};
    ASSERT_EQ(c.size(), sizeof order / sizeof order[0]);
    for (std::size_t k = 0; k < c.size(); ++k) EXPECT_EQ(c[k].op, order[k]) << k;
    EXPECT_EQ(c[0].i, ListSun);
    EXPECT_EQ(c[1].i, 1);
    EXPECT_EQ(c[2].v[0], 0.9f);
    EXPECT_EQ(c[2].v[3], 0.8f);
    EXPECT_EQ(c[3].i, ListBindSunTexture);
    EXPECT_EQ(static_cast<Primitive>(c[4].i), Primitive::Quads);
    EXPECT_EQ(c[14].i, 0);
    EXPECT_EQ(c[15].i, 2);
    EXPECT_EQ(c[15].v[0], -538.0f);
    EXPECT_EQ(c[15].v[1], -122.0f);
    EXPECT_EQ(c[15].v[2], -1000.0f);
    EXPECT_EQ(c[15].v[3], 1.0f);

    const std::vector<TexturedVertex> v = texturedVertices(rec);
    const TexturedVertex expected[4] = {
        {-788, 128, -1000, 0, 1}, {-788, -372, -1000, 1, 1}, {-288, -372, -1000, 1, 0}, {-288, 128, -1000, 0, 0}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(v[k].x, expected[k].x);
        EXPECT_EQ(v[k].y, expected[k].y);
        EXPECT_EQ(v[k].s, expected[k].s);
        EXPECT_EQ(v[k].t, expected[k].t);
    }
    // Centre (-538, -122), facing the eye.
    EXPECT_EQ((v[0].x + v[2].x) / 2, -538.0f);
    EXPECT_EQ((v[0].y + v[2].y) / 2, -122.0f);
    for (const RecordingMeshSink::Triangle& t : rec.triangles()) {
        float f[3];
        t.facing(f);
        EXPECT_GT(f[2], 0);
    }
}

TEST(BackdropLists, FaceListChoiceAndCompileOrder) {
    EXPECT_EQ(StarFaceList, ListStarTiles);
    EXPECT_EQ(starFaceListFor(0), ListStarTiles);
    EXPECT_EQ(starFaceListFor(1), ListStarTile);
    EXPECT_EQ(starFaceListFor(-3), ListStarTile);

    RecordingMeshSink rec;
    compileStarFaceLists(rec);
    std::vector<int> lists;
    for (const Command& c : rec.commands()) {
        if (c.op == Op::BeginList) lists.push_back(c.i);
    }
    EXPECT_EQ(lists, (std::vector<int>{ListStarTiles, ListStarTile}));
}
