// Merged ship lists, recorded without any GL context: the same triangles,
// culled alike, with the same colours and normals, under the same
// translations, and the same state left behind, in far fewer switches.
#include <gtest/gtest.h>

#include <vector>

#include "render/backdrop_lists.h"
#include "render/meshes.h"
#include "render/drawing_paths.h"
#include "render/merging_sink.h"

namespace {

using Op = RecordingMeshSink::Op;
using Command = RecordingMeshSink::Command;
using Tri = RecordingMeshSink::Triangle;

bool sameCorner(const float* a, const float* b) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }

bool sameCommand(const Command& a, const Command& b) {
    return a.op == b.op && a.i == b.i && a.j == b.j && a.v[0] == b.v[0] && a.v[1] == b.v[1] && a.v[2] == b.v[2] &&
           a.v[3] == b.v[3];
}

// What a list leaves current: its last colour, normal and winding calls.
struct After {
    const Command* color = nullptr;
    const Command* normal = nullptr;
    const Command* winding = nullptr;
};

After stateAfter(const RecordingMeshSink& rec) {
    After after;
    for (const Command& c : rec.commands()) {
        if (c.op == Op::Color) after.color = &c;
        if (c.op == Op::Normal) after.normal = &c;
        if (c.op == Op::FrontFace) after.winding = &c;
    }
    return after;
}

// Calls that switch state or start a draw: glBegin, and colour, normal and
// winding calls outside glBegin/glEnd.
int switches(const RecordingMeshSink& rec) {
    int count = 0;
    bool inside = false;
    for (const Command& c : rec.commands()) {
        if (c.op == Op::Begin) {
            inside = true;
            ++count;
        } else if (c.op == Op::End) {
            inside = false;
        } else if (!inside && (c.op == Op::Color || c.op == Op::Normal || c.op == Op::FrontFace)) {
            ++count;
        }
    }
    return count;
}

std::vector<Command> onlyOps(const RecordingMeshSink& rec, Op op) {
    std::vector<Command> out;
    for (const Command& c : rec.commands()) {
        if (c.op == op) out.push_back(c);
    }
    return out;
}

template <typename Emit>
void record(RecordingMeshSink& plain, RecordingMeshSink& merged, Emit emit) {
    emit(plain);
    MergingMeshSink sink(merged);
    emit(sink);
}

TEST(MergingSink, ShipListsKeepTheirTrianglesStateAndTranslations) {
    for (int id : {ListHexWingFighter, ListFourWingFighter}) {
        SCOPED_TRACE(id);
        RecordingMeshSink plain, merged;
        record(plain, merged, [id](MeshSink& s) { compileShipList(id, s); });

        const std::vector<Tri>& p = plain.triangles();
        const std::vector<Tri>& m = merged.triangles();
        ASSERT_EQ(p.size(), m.size());
        for (std::size_t k = 0; k < p.size(); ++k) {
            SCOPED_TRACE(k);
            // The last corner (the one flat shading takes its colour from)
            // stays last; the first two swap exactly where GL_CW was in force.
            EXPECT_TRUE(sameCorner(p[k].c, m[k].c));
            EXPECT_EQ(m[k].front, Winding::Ccw);
            if (p[k].front == Winding::Cw) {
                EXPECT_TRUE(sameCorner(p[k].a, m[k].b) && sameCorner(p[k].b, m[k].a));
            } else {
                EXPECT_TRUE(sameCorner(p[k].a, m[k].a) && sameCorner(p[k].b, m[k].b));
            }
            for (int i = 0; i < 4; ++i) EXPECT_EQ(p[k].color[i], m[k].color[i]);
            for (int i = 0; i < 3; ++i) EXPECT_EQ(p[k].normal[i], m[k].normal[i]);
        }

        // Translations and spheres in the same order relative to each other.
        std::vector<Command> pm, mm;
        for (const Command& c : plain.commands()) {
            if (c.op == Op::Translate || c.op == Op::Sphere) pm.push_back(c);
        }
        for (const Command& c : merged.commands()) {
            if (c.op == Op::Translate || c.op == Op::Sphere) mm.push_back(c);
        }
        ASSERT_EQ(pm.size(), mm.size());
        for (std::size_t k = 0; k < pm.size(); ++k) EXPECT_TRUE(sameCommand(pm[k], mm[k]));

        // The list leaves the colour, normal and winding the plain list leaves
        // (the drawing after a ship relies on them).
        const After a = stateAfter(plain), b = stateAfter(merged);
        ASSERT_TRUE(a.color && b.color && a.normal && b.normal && a.winding && b.winding);
        EXPECT_TRUE(sameCommand(*a.color, *b.color));
        EXPECT_TRUE(sameCommand(*a.normal, *b.normal));
        EXPECT_EQ(a.winding->i, b.winding->i);

        // One draw per stretch between translations (and around the sphere).
        EXPECT_LE(switches(merged) * 3, switches(plain)) << switches(merged) << " of " << switches(plain);
        EXPECT_LE(static_cast<int>(onlyOps(merged, Op::Begin).size()),
                  static_cast<int>(onlyOps(merged, Op::Translate).size()) +
                      2 * static_cast<int>(onlyOps(merged, Op::Sphere).size()) + 1);
    }
}

TEST(MergingSink, ListsWithNothingToMergePassThroughUnchanged) {
    // List 4 takes its normal from outside, the prisms their colour, the
    // backdrop lists carry texture coordinates and quads.
    auto check = [](const char* what, auto emit) {
        SCOPED_TRACE(what);
        RecordingMeshSink plain, merged;
        record(plain, merged, emit);
        ASSERT_EQ(plain.commands().size(), merged.commands().size());
        for (std::size_t k = 0; k < plain.commands().size(); ++k) {
            EXPECT_TRUE(sameCommand(plain.commands()[k], merged.commands()[k])) << "command " << k;
        }
    };
    check("cockpit 4", [](MeshSink& s) { compileShipList(ListFourWingFighterCockpit, s); });
    check("bolt", [](MeshSink& s) { compileShipList(ListBolt, s); });
    check("beam", [](MeshSink& s) { compileShipList(ListBeam, s); });
    check("sun", [](MeshSink& s) { compileSunList(s); });
    check("star faces", [](MeshSink& s) { compileStarFaceLists(s); });
}

TEST(MergingSink, InheritedStateIsNeverBakedIn) {
    RecordingMeshSink out;
    MergingMeshSink sink(out);
    sink.beginList(50);
    // Colour, normal and winding still those of the caller: passed on as is.
    sink.begin(Primitive::Triangles);
    sink.vertex(0, 0, 0);
    sink.vertex(1, 0, 0);
    sink.vertex(0, 1, 0);
    sink.end();
    // Known from here on: a strip under GL_CW, merged with swapped corners.
    sink.color(0.5f, 0.25f, 0.125f);
    sink.frontFace(Winding::Cw);
    sink.begin(Primitive::TriangleStrip);
    sink.normal(0, 0, 1);
    sink.vertex(0, 0, 1);
    sink.vertex(1, 0, 1);
    sink.vertex(0, 1, 1);
    sink.vertex(1, 1, 1);
    sink.end();
    sink.endList();

    const std::vector<Command>& c = out.commands();
    const std::vector<Op> expected = {Op::BeginList, Op::Begin,     Op::Vertex,    Op::Vertex, Op::Vertex,
                                      Op::End,       Op::FrontFace, Op::Begin,     Op::Color,  Op::Normal,
                                      Op::Vertex,    Op::Vertex,    Op::Vertex,    Op::Vertex, Op::Vertex,
                                      Op::Vertex,    Op::End,       Op::FrontFace, Op::EndList};
    ASSERT_EQ(c.size(), expected.size());
    for (std::size_t k = 0; k < c.size(); ++k) EXPECT_EQ(c[k].op, expected[k]) << "command " << k;
    EXPECT_EQ(c[6].i, static_cast<int>(Winding::Ccw));
    EXPECT_EQ(c[17].i, static_cast<int>(Winding::Cw));  // the list leaves GL_CW, as written
    // Strip triangles (0 1 2) and (2 1 3) under GL_CW become (1 0 2) and (1 2 3).
    const float want[6][2] = {{1, 0}, {0, 0}, {0, 1}, {1, 0}, {0, 1}, {1, 1}};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(c[10 + k].v[0], want[k][0]) << "vertex " << k;
        EXPECT_EQ(c[10 + k].v[1], want[k][1]) << "vertex " << k;
    }
}

TEST(MergingSink, ChoosesMergedListsByDefault) {
    ASSERT_TRUE(drawingPaths().mergedLists);
    DrawingPaths plainPaths;
    plainPaths.mergedLists = false;
    setDrawingPaths(plainPaths);
    RecordingMeshSink plain;
    compileShipListFor(ListHexWingFighter, plain);
    RecordingMeshSink direct;
    compileShipList(ListHexWingFighter, direct);
    EXPECT_EQ(plain.commands().size(), direct.commands().size());

    setDrawingPaths(DrawingPaths());
    RecordingMeshSink merged;
    compileShipListFor(ListHexWingFighter, merged);
    EXPECT_LT(switches(merged), switches(direct));
    // The cockpit form is never merged: it is drawn once at most, right around the eye.
    RecordingMeshSink cockpit;
    compileShipListFor(ListHexWingFighterCockpit, cockpit);
    RecordingMeshSink cockpitDirect;
    compileShipList(ListHexWingFighterCockpit, cockpitDirect);
    EXPECT_EQ(cockpit.commands().size(), cockpitDirect.commands().size());
}

}  // namespace
