// Ship, bolt and beam meshes, recorded without any GL context.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>
#include <vector>

#include "render/meshes.h"

namespace {

using Op = RecordingMeshSink::Op;
using Command = RecordingMeshSink::Command;
using Tri = RecordingMeshSink::Triangle;
using V3 = std::array<double, 3>;

V3 facing(const Tri& t) {
    float f[3];
    t.facing(f);
    return {f[0], f[1], f[2]};
}

V3 centroid(const Tri& t) {
    return {(t.a[0] + t.b[0] + t.c[0]) / 3.0, (t.a[1] + t.b[1] + t.c[1]) / 3.0, (t.a[2] + t.b[2] + t.c[2]) / 3.0};
}

double dot(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

V3 sub(const V3& a, const V3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

bool colorIs(const Tri& t, float r, float g, float b) { return t.color[0] == r && t.color[1] == g && t.color[2] == b; }

// The commands between beginList(id) and its endList, both excluded.
std::vector<Command> listBody(const RecordingMeshSink& rec, int id) {
    std::vector<Command> out;
    bool inside = false;
    for (const Command& c : rec.commands()) {
        if (c.op == Op::BeginList && c.i == id) {
            inside = true;
        } else if (c.op == Op::EndList && inside) {
            break;
        } else if (inside) {
            out.push_back(c);
        }
    }
    return out;
}

bool sameCommand(const Command& a, const Command& b) {
    return a.op == b.op && a.i == b.i && a.j == b.j && a.v[0] == b.v[0] && a.v[1] == b.v[1] && a.v[2] == b.v[2] &&
           a.v[3] == b.v[3];
}

template <typename Emit>
RecordingMeshSink record(Emit emit) {
    RecordingMeshSink rec;
    emit(rec);
    return rec;
}

std::size_t vertices(const std::vector<Command>& cmds) {
    std::size_t n = 0;
    for (const Command& c : cmds) n += c.op == Op::Vertex ? 1 : 0;
    return n;
}

// Every edge of a closed surface is used by exactly two triangles, once in
// each direction, when both are read in their front-facing order.
void expectClosedAndConsistent(const std::vector<Tri>& tris) {
    std::map<std::array<float, 6>, int> directed;
    for (const Tri& t : tris) {
        // Read each triangle counter-clockwise as seen from its front side.
        const float* p[3] = {t.a, t.b, t.c};
        if (t.front == Winding::Cw) std::swap(p[1], p[2]);
        for (int k = 0; k < 3; ++k) {
            const float* u = p[k];
            const float* v = p[(k + 1) % 3];
            ++directed[{u[0], u[1], u[2], v[0], v[1], v[2]}];
        }
    }
    for (const auto& e : directed) {
        const auto& k = e.first;
        const std::array<float, 6> reverse = {k[3], k[4], k[5], k[0], k[1], k[2]};
        EXPECT_EQ(e.second, 1) << "edge used twice in one direction";
        EXPECT_EQ(directed.count(reverse), 1u) << "open edge at " << k[0] << "," << k[1] << "," << k[2];
    }
}

}  // namespace

TEST(MeshLists, VertexCountsMatchTheTable) {
    const std::map<int, std::size_t> expected = {{ListHexWingFighter, 298},
                                                 {ListHexWingFighterCockpit, 270},
                                                 {ListFourWingFighter, 118 + 96 + 4 * 48 + 4 * 21},
                                                 {ListFourWingFighterCockpit, 36 + 21},
                                                 {ListBolt, 24},
                                                 {ListBeam, 24}};
    for (const auto& e : expected) {
        RecordingMeshSink rec;
        ASSERT_TRUE(compileShipList(e.first, rec));
        EXPECT_EQ(vertices(listBody(rec, e.first)), e.second) << "list " << e.first;
        ASSERT_GE(rec.commands().size(), 2u);
        EXPECT_EQ(rec.commands().front().op, Op::BeginList);
        EXPECT_EQ(rec.commands().back().op, Op::EndList);
    }
    EXPECT_EQ(record(emitWingPlate).vertexCount(), 135u);
    EXPECT_EQ(record(emitPodAndStruts).vertexCount(), 28u);
    EXPECT_EQ(record(emitFuselage).vertexCount(), 118u);
    EXPECT_EQ(record(emitEnginePod).vertexCount(), 48u);
    EXPECT_EQ(record([](MeshSink& s) { emitNozzle(s, 15); }).vertexCount(), 21u);
    EXPECT_EQ(record(emitWingSpars).vertexCount(), 36u);
    EXPECT_EQ(record(emitCanopyFrame).vertexCount(), 21u);

    // Other ids compile nothing.
    for (int id : {0, 5, ListSun, ListStarTiles, ListStarTile, 11, ListBindStarTexture, ListBindSunTexture, -1}) {
        RecordingMeshSink rec;
        EXPECT_FALSE(compileShipList(id, rec));
        EXPECT_TRUE(rec.commands().empty());
    }
}

TEST(MeshLists, PodSphereIsDrawnOnceWithTheSceneQuadricSizes) {
    RecordingMeshSink rec;
    compileShipList(ListHexWingFighter, rec);
    int spheres = 0;
    for (const Command& c : rec.commands()) {
        if (c.op != Op::Sphere) continue;
        ++spheres;
        EXPECT_EQ(c.v[0], 10.0f);
        EXPECT_EQ(c.i, 5);
        EXPECT_EQ(c.j, 5);
    }
    EXPECT_EQ(spheres, 1);
}

TEST(MeshLists, CockpitHexWingIsExactlyThePlatesOfTheFullShip) {
    RecordingMeshSink full, cockpit, pod;
    compileShipList(ListHexWingFighter, full);
    compileShipList(ListHexWingFighterCockpit, cockpit);
    emitPodAndStruts(pod);
    const std::vector<Command> a = listBody(full, ListHexWingFighter);
    const std::vector<Command> b = listBody(cockpit, ListHexWingFighterCockpit);
    ASSERT_EQ(a.size(), b.size() + pod.commands().size());
    for (std::size_t k = 0; k < b.size(); ++k) EXPECT_TRUE(sameCommand(a[k], b[k])) << k;
    for (std::size_t k = 0; k < pod.commands().size(); ++k) {
        EXPECT_TRUE(sameCommand(a[b.size() + k], pod.commands()[k])) << k;
    }
}

TEST(WingPlates, LowerPlateMirrorsTheUpperVertexForVertex) {
    const RecordingMeshSink upper = record(emitWingPlate);
    const RecordingMeshSink both = record(emitWingPlates);
    const std::vector<Command>& u = upper.commands();
    const std::vector<Command>& all = both.commands();
    ASSERT_EQ(all.size(), 2 * u.size());
    for (std::size_t k = 0; k < u.size(); ++k) {
        const Command& up = all[k];
        const Command& low = all[u.size() + k];
        ASSERT_TRUE(sameCommand(up, u[k]));
        ASSERT_EQ(low.op, up.op) << k;
        switch (up.op) {
        case Op::Vertex:
        case Op::Normal:
            EXPECT_EQ(low.v[0], up.v[0]);
            EXPECT_EQ(low.v[1], up.v[1]);
            EXPECT_EQ(low.v[2], -up.v[2]);
            break;
        case Op::FrontFace:
            EXPECT_EQ(static_cast<Winding>(low.i), swapped(static_cast<Winding>(up.i)));
            break;
        default:
            EXPECT_TRUE(sameCommand(low, up)) << k;
        }
    }
    // The upper plate stays within z 16.5 to 18.
    for (const Command& c : u) {
        if (c.op != Op::Vertex) continue;
        EXPECT_GE(c.v[2], 16.5f);
        EXPECT_LE(c.v[2], 18.0f);
    }
}

TEST(WingPlates, EverySurfaceFacesOutOfThePlate) {
    const RecordingMeshSink rec = record(emitWingPlates);
    const std::vector<Tri>& tris = rec.triangles();
    ASSERT_EQ(tris.size(), 2u * (12 + 6 + 24 + 7));
    int degenerate = 0;
    for (std::size_t k = 0; k < tris.size(); ++k) {
        const Tri& t = tris[k];
        if (t.degenerate()) {
            ++degenerate;
            continue;
        }
        const bool upper = t.a[2] > 0;
        const double up = upper ? 1.0 : -1.0;  // away from the body, along z
        const V3 f = facing(t);
        const V3 c = centroid(t);
        if (colorIs(t, 0.3f, 0.3f, 0.3f)) {
            // Underside: faces the body, as its normal says.
            EXPECT_LT(f[2] * up, 0) << k;
            EXPECT_EQ(t.normal[2], float(-up));
        } else if (f[2] == 0.0) {
            // Outer rim wall: faces away from the plate's centre.
            EXPECT_GT(f[0] * c[0] + f[1] * c[1], 0) << k;
        } else {
            // Ridges, panels and the inner bevel of the rim: seen from outside.
            EXPECT_GT(f[2] * up, 0) << k;
            EXPECT_EQ(t.normal[2], float(up));
        }
    }
    EXPECT_EQ(degenerate, 2);  // the doubled underside corner, once per plate
}

TEST(WingPlates, RidgesRiseAlongTheThreeDiagonals) {
    // Crest corners at z = 18 are the ends of the three diagonals; every foot
    // at z = 17.5 stands one unit beside one of them.
    const double diagonals[3][4] = {{-15, 32, 15, -32}, {15, 32, -15, -32}, {-30, 0, 30, 0}};
    const RecordingMeshSink rec = record(emitWingPlate);
    int crests = 0, feet = 0;
    for (const Tri& t : rec.triangles()) {
        if (!colorIs(t, 0.37f, 0.37f, 0.37f)) continue;
        for (const float* p : {t.a, t.b, t.c}) {
            double nearest = 1e9;
            for (const double* d : diagonals) {
                const double dx = d[2] - d[0], dy = d[3] - d[1];
                const double dist = std::fabs((p[0] - d[0]) * dy - (p[1] - d[1]) * dx) / std::sqrt(dx * dx + dy * dy);
                nearest = std::min(nearest, dist);
            }
            if (p[2] == 18.0f) {
                ++crests;
                EXPECT_NEAR(nearest, 0.0, 1e-6);
            } else {
                ++feet;
                EXPECT_EQ(p[2], 17.5f);
                EXPECT_NEAR(nearest, 1.0, 1e-5);
            }
        }
    }
    EXPECT_EQ(crests, 3 * 6);
    EXPECT_EQ(feet, 3 * 6);
}

TEST(HexWingPod, StrutsAndWindowFaceOutward) {
    const RecordingMeshSink rec = record(emitPodAndStruts);
    const std::vector<Tri>& tris = rec.triangles();
    ASSERT_EQ(tris.size(), 8u + 8u + 6u);
    for (std::size_t k = 0; k < 16; ++k) {
        const V3 c = centroid(tris[k]);
        EXPECT_GT(dot(facing(tris[k]), {c[0], c[1], 0.0}), 0) << "strut triangle " << k;
        EXPECT_EQ(tris[k].front, Winding::Ccw);
    }
    for (std::size_t k = 16; k < tris.size(); ++k) {
        EXPECT_GT(facing(tris[k])[0], 0) << "window triangle " << k;
        EXPECT_TRUE(colorIs(tris[k], 0.2f, 0.2f, 0.3f));
    }
}

TEST(FourWingFighter, TranslationAfterTheFullShip) {
    RecordingMeshSink rec;
    compileShipList(ListFourWingFighter, rec);
    EXPECT_EQ(rec.translation()[0], -28.0f);
    EXPECT_EQ(rec.translation()[1], 7.0f);
    EXPECT_EQ(rec.translation()[2], -7.0f);

    const RecordingMeshSink fuselage = record(emitFuselage);
    EXPECT_EQ(fuselage.translation()[0], -28.0f);
    EXPECT_EQ(fuselage.translation()[1], 0.0f);
    EXPECT_EQ(fuselage.translation()[2], 0.0f);
}

TEST(FourWingFighter, CockpitSparsStandTwentyUnitsFurtherForward) {
    RecordingMeshSink full, cockpit;
    compileShipList(ListFourWingFighter, full);
    compileShipList(ListFourWingFighterCockpit, cockpit);
    ASSERT_GE(cockpit.triangles().size(), 12u);
    std::set<std::array<float, 10>> fullTris;
    for (const Tri& t : full.triangles()) {
        fullTris.insert({t.a[0], t.a[1], t.a[2], t.b[0], t.b[1], t.b[2], t.c[0], t.c[1], t.c[2], float(t.front)});
    }
    for (std::size_t k = 0; k < 12; ++k) {
        const Tri& t = cockpit.triangles()[k];
        // The same spar, 20 further back, with the same winding, is in list 3.
        EXPECT_EQ(fullTris.count({t.a[0] - 20, t.a[1], t.a[2], t.b[0] - 20, t.b[1], t.b[2], t.c[0] - 20, t.c[1], t.c[2],
                                  float(t.front)}),
                  1u)
            << "spar " << k;
        EXPECT_GE(t.a[0], 15 - 8);  // the spars begin at x = 15 under the -8 translation
    }
    const std::vector<Command> body = listBody(cockpit, ListFourWingFighterCockpit);
    bool sawTranslate = false;
    for (const Command& c : body) {
        if (c.op != Op::Translate) continue;
        EXPECT_FALSE(sawTranslate);
        sawTranslate = true;
        EXPECT_EQ(c.v[0], -8.0f);
        EXPECT_EQ(c.v[1], 0.0f);
        EXPECT_EQ(c.v[2], 0.0f);
    }
    EXPECT_TRUE(sawTranslate);
}

TEST(FourWingFighter, FuselageFacesAlongItsNormals) {
    const RecordingMeshSink rec = record(emitFuselage);
    int stripes = 0;
    for (std::size_t k = 0; k < rec.triangles().size(); ++k) {
        const Tri& t = rec.triangles()[k];
        ASSERT_FALSE(t.degenerate()) << k;
        EXPECT_EQ(t.front, Winding::Cw);
        const V3 f = facing(t);
        const V3 n = {t.normal[0], t.normal[1], t.normal[2]};
        const V3 c = centroid(t);
        if (colorIs(t, 0.44f, 0.1f, 0.1f)) {
            // The stripes keep the -z normal on both sides but face outward.
            ++stripes;
            EXPECT_GT(f[2] * c[2], 0) << k;
            continue;
        }
        const double along = dot(f, n) / std::sqrt(dot(f, f));
        if (std::fabs(along) < 1e-6) {
            // Square to their normal: the outer edge of the canopy frame,
            // which faces sideways under the glass's upward normal, and the
            // small step at x = 4 where the rear body is wider than the
            // canopy, which faces forward.
            if (c[0] == 4.0) {
                EXPECT_GT(f[0], 0) << k;
            } else {
                EXPECT_GT(f[2] * c[2], 0) << k;
                EXPECT_EQ(t.normal[1], 1.0f) << k;
            }
        } else {
            EXPECT_GT(along, 0) << k;
        }
        // Nothing looks into the body across the middle plane.
        if (std::fabs(c[2]) > 1.0 && f[2] != 0.0) {
            EXPECT_GT(f[2] * c[2], 0) << k;
        }
    }
    EXPECT_EQ(stripes, 4);
}

TEST(FourWingFighter, BladesFaceTheWayTheirNormalsSay) {
    const RecordingMeshSink rec = record(emitWings);
    // 4 blades x 5 triangles, then 12 spars, then 4 x (16 + 7) engine triangles.
    ASSERT_EQ(rec.triangles().size(), 20u + 12u + 4u * 23u);
    int red = 0;
    int group = 0;
    for (std::size_t k = 0; k < 32; ++k) {
        const Tri& t = rec.triangles()[k];
        const V3 f = facing(t);
        const V3 c = centroid(t);
        const bool spar = c[0] > 24.0;
        if (colorIs(t, 0.5f, 0.1f, 0.1f)) {
            ++red;
            EXPECT_GT(c[1], 0);  // only on the upper blades
        }
        if (!spar) {
            EXPECT_GT(f[1] * t.normal[1], 0) << k;
            continue;
        }
        // A spar is a thin three-sided pyramid from x = 15 to its point at
        // (55, +-20, +-40), its base bulging 1 unit away from the middle plane:
        // those at y = -20 show their outside, those at y = +20 their far faces.
        const double ty = c[1] > 0 ? 20.0 : -20.0, tz = c[2] > 0 ? 40.25 : -40.25;
        const double out = dot(f, sub(c, {25.0, ty, tz}));
        if (ty < 0) {
            EXPECT_GT(out, 0) << k;
        } else {
            EXPECT_LT(out, 0) << k;
        }
        group += t.front == Winding::Cw ? 1 : 0;
    }
    EXPECT_EQ(red, 2);
    EXPECT_EQ(group, 6);  // six spar triangles under GL_CW, six under GL_CCW
}

TEST(FourWingFighter, EnginePodsAreClosedPentagonalPrismsFacingOut) {
    const RecordingMeshSink rec = record(emitEnginePod);
    const std::set<std::array<float, 2>> pentagon = {
        {4, 0}, {1.2f, -3.8f}, {-3.2f, -2.3f}, {-3.2f, 2.3f}, {1.2f, 3.8f}};
    std::set<std::array<float, 2>> back, front;
    for (const Command& c : rec.commands()) {
        if (c.op != Op::Vertex) continue;
        ASSERT_TRUE(c.v[0] == 0.0f || c.v[0] == 25.0f);
        (c.v[0] == 0.0f ? back : front).insert({c.v[1], c.v[2]});
    }
    EXPECT_EQ(back, pentagon);
    EXPECT_EQ(front, pentagon);
    expectClosedAndConsistent(rec.triangles());
    for (const Tri& t : rec.triangles()) {
        EXPECT_GT(dot(facing(t), sub(centroid(t), {12.5, 0, 0})), 0);
        EXPECT_TRUE(colorIs(t, 0.15f, 0.15f, 0.15f));
    }
}

TEST(FourWingFighter, NozzlesFaceOutAndGlowAtTheirEnd) {
    for (float length : {10.0f, 15.0f}) {
        const RecordingMeshSink rec = record([length](MeshSink& s) {
            s.frontFace(Winding::Ccw);
            emitNozzle(s, length);
        });
        ASSERT_EQ(rec.triangles().size(), 7u);
        for (const Tri& t : rec.triangles()) {
            EXPECT_GT(dot(facing(t), sub(centroid(t), {-length / 2.0, 2.0 / 3.0, 0})), 0);
        }
        const Tri& cap = rec.triangles().back();
        EXPECT_TRUE(colorIs(cap, 0.55f, 0.15f, 0.15f));
        EXPECT_EQ(cap.a[0], -length);
        EXPECT_LT(facing(cap)[0], 0);
    }
}

TEST(FourWingFighter, EnginesSitAtTheFourCornersWithLongNozzlesOnTop) {
    const RecordingMeshSink rec = record(emitWings);
    // The glow caps are the last triangle of each engine.
    std::vector<std::array<double, 3>> caps;
    for (const Tri& t : rec.triangles()) {
        if (colorIs(t, 0.55f, 0.15f, 0.15f)) caps.push_back({t.a[0], t.a[1], t.a[2]});
    }
    ASSERT_EQ(caps.size(), 4u);
    // Cap corner (-length, 2, 0) shifted by the pod position.
    const double expected[4][3] = {{-15, 9, 7}, {-10, -5, 7}, {-10, -5, -7}, {-15, 9, -7}};
    for (int k = 0; k < 4; ++k) {
        for (int i = 0; i < 3; ++i) EXPECT_EQ(caps[k][i], expected[k][i]) << k;
    }
}

TEST(Prisms, BoltAndBeamDifferOnlyInTheFarCorners) {
    RecordingMeshSink bolt, beam;
    compileShipList(ListBolt, bolt);
    compileShipList(ListBeam, beam);
    const std::vector<Command> a = listBody(bolt, ListBolt);
    const std::vector<Command> b = listBody(beam, ListBeam);
    ASSERT_EQ(a.size(), b.size());
    int far = 0;
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (a[k].op == Op::Vertex && a[k].v[0] == 40.0f) {
            ++far;
            EXPECT_EQ(b[k].v[0], 1800.0f);
            Command moved = b[k];
            moved.v[0] = 40.0f;
            EXPECT_TRUE(sameCommand(a[k], moved)) << k;
        } else {
            EXPECT_TRUE(sameCommand(a[k], b[k])) << k;
        }
        EXPECT_NE(a[k].op, Op::Color);  // the shot sets the colour
    }
    EXPECT_EQ(far, 12);
}

TEST(Prisms, ShowTheirInsideAndAreClosed) {
    const RecordingMeshSink rec = record([](MeshSink& s) { emitPrism(s, 40); });
    ASSERT_EQ(rec.triangles().size(), 8u);
    for (const Tri& t : rec.triangles()) {
        EXPECT_LT(dot(facing(t), sub(centroid(t), {20, 0.2, 0})), 0);
        EXPECT_EQ(t.normal[2], 1.0f);
    }
    expectClosedAndConsistent(rec.triangles());
}
