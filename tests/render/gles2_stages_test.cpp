// The ES 2.0 emulation's stages that need no context: primitives unrolled
// into triangles, display lists recorded as meshes, the fixed-function state
// with its attribute and matrix stacks, and the program features a state needs.
#include <gtest/gtest.h>

#include <vector>

#include "render/gl/gl_constants.h"
#include "render/gles2/display_lists.h"
#include "render/gles2/fixed_function.h"
#include "render/gles2/primitives.h"
#include "render/gles2/programs.h"

namespace {

// Vertex i sits at x = i, with colour red = i.
std::vector<IssuedVertex> numbered(int count) {
    std::vector<IssuedVertex> v(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        v[static_cast<std::size_t>(i)] = {{float(i), 0, 0}, {0, 0, 1}, {float(i), 0, 0, 1}, {0, 0}, 0};
    return v;
}

// The corners' vertex numbers, and with `flat` their lighting vertices'.
std::vector<int> corners(const std::vector<ShaderVertex>& t, bool lit = false) {
    std::vector<int> out;
    for (const ShaderVertex& s : t) out.push_back(static_cast<int>(lit ? s.c[0] : s.p[0]));
    return out;
}

TEST(Gles2Primitives, UnrollInOpenGlsOrderWithTheProvokingVertex) {
    struct Case {
        unsigned mode;
        int count;
        bool reverse;
        std::vector<int> corners;
    } const cases[] = {
        {GL_TRIANGLES, 7, false, {0, 1, 2, 3, 4, 5}},                // a stray vertex draws nothing
        {GL_TRIANGLE_STRIP, 5, false, {0, 1, 2, 2, 1, 3, 2, 3, 4}},  // every other one turned round
        {GL_TRIANGLE_FAN, 4, false, {0, 1, 2, 0, 2, 3}},
        {GL_QUADS, 4, false, {0, 1, 3, 1, 2, 3}},  // Mesa's diagonal
        {GL_QUAD_STRIP, 6, false, {2, 0, 3, 0, 1, 3, 4, 2, 5, 2, 3, 5}},
        {GL_TRIANGLES, 3, true, {1, 0, 2}},  // reversed: the last corner stays
        {0x0001 /* GL_LINES */, 4, false, {}},
    };
    for (const Case& c : cases) {
        std::vector<ShaderVertex> smooth, flat;
        const std::vector<IssuedVertex> v = numbered(c.count);
        unroll(c.mode, v.data(), c.count, false, c.reverse, &smooth);
        unroll(c.mode, v.data(), c.count, true, c.reverse, &flat);
        EXPECT_EQ(corners(smooth), c.corners) << c.mode;
        EXPECT_EQ(corners(smooth, true), c.corners) << "smooth: each corner lit as itself";
        // Flat: every corner of a triangle lit as its last.
        const std::vector<int> lit = corners(flat, true);
        for (std::size_t k = 0; k < lit.size(); ++k) EXPECT_EQ(lit[k], c.corners[k / 3 * 3 + 2]) << c.mode;
        // As indices from 10, for flat varyings: the same corners.
        std::vector<unsigned> indexed, expected;
        triangleCorners(c.mode, c.count, c.reverse, 10, &indexed);
        for (int k : c.corners) expected.push_back(10u + static_cast<unsigned>(k));
        EXPECT_EQ(indexed, expected) << c.mode;
    }
}

TEST(Gles2DisplayLists, RecordMeshesBetweenStateChangesAndWhatTheListTakesAndLeaves) {
    ListRecorder r;
    CurrentGroup current;
    current.color[0] = 0.25f;
    r.begin(5, current);
    ASSERT_TRUE(r.recording());
    std::vector<IssuedVertex> before = numbered(3);
    for (IssuedVertex& v : before) v.inherit = r.inheritance();
    r.primitive(GL_TRIANGLES, before);
    const float red[4] = {1, 0, 0, 1};
    r.color(red);
    ListOp move{ListOp::Translate};
    move.f[0] = 2;
    r.op(move);
    r.frontFace(GL_CW);
    r.primitive(GL_TRIANGLES, numbered(3));
    EXPECT_EQ(r.inheritance(), InheritNormal);
    current.color[0] = 0.75f;  // as issued while compiling
    const DisplayList list = r.end(&current);
    EXPECT_FALSE(r.recording());
    EXPECT_EQ(current.color[0], 0.25f) << "compiling executes nothing";

    ASSERT_EQ(list.ops.size(), 3u);
    EXPECT_EQ(list.ops[0].kind, ListOp::Mesh);
    EXPECT_EQ(list.ops[1].kind, ListOp::Translate);
    EXPECT_EQ(list.ops[2].kind, ListOp::Mesh);
    ASSERT_EQ(list.meshes.size(), 2u);
    EXPECT_FALSE(list.meshes[0].ownWinding);
    EXPECT_EQ(list.meshes[0].vertices[0].inherit, InheritColor | InheritNormal);
    EXPECT_TRUE(list.meshes[1].ownWinding);
    EXPECT_TRUE(list.meshes[1].primitives[0].clockwise);
    EXPECT_TRUE(list.exitColor && list.exitWinding);
    EXPECT_FALSE(list.exitNormal);
    EXPECT_EQ(list.winding, static_cast<unsigned>(GL_CW));

    // A clockwise primitive's triangles come out counter-clockwise.
    std::vector<ShaderVertex> t;
    meshTriangles(list.meshes[1], false, &t);
    EXPECT_EQ(corners(t), (std::vector<int>{1, 0, 2}));

    // With flat varyings: each vertex once, the corners counted across the mesh's primitives.
    // Equal vertices are one: here vertex 5 repeats vertex 2.
    ListMesh mesh;
    mesh.vertices = numbered(7);
    mesh.vertices[5] = mesh.vertices[2];
    mesh.primitives = {{GL_TRIANGLES, 3, false}, {GL_TRIANGLE_STRIP, 4, true}};
    std::vector<ShaderVertex> vertices;
    std::vector<unsigned> indices;
    meshCorners(mesh, &vertices, &indices);
    EXPECT_EQ(corners(vertices, true), (std::vector<int>{0, 1, 2, 3, 4, 6}));
    EXPECT_EQ(indices, (std::vector<unsigned>{0, 1, 2, 4, 3, 2, 4, 2, 5}));
}

TEST(Gles2FixedFunction, PopAttribRestoresOnlyThePushedGroups) {
    struct Case {
        unsigned mask;
        bool colorBack, blendBack, depthBack, lightingBack;
    } const cases[] = {
        {GL_CURRENT_BIT, true, false, false, false},      {GL_ENABLE_BIT, false, true, true, true},
        {GL_COLOR_BUFFER_BIT, false, true, false, false}, {GL_DEPTH_BUFFER_BIT, false, false, true, false},
        {GL_LIGHTING_BIT, false, false, false, true},
    };
    for (const Case& c : cases) {
        FixedFunction ff;
        ff.pushAttrib(c.mask);
        ff.state.current.color[0] = 0.5f;
        ff.setCapability(GL_BLEND, true);
        ff.setCapability(GL_DEPTH_TEST, true);
        ff.setCapability(GL_LIGHTING, true);
        ff.popAttrib();
        EXPECT_EQ(ff.state.current.color[0] == 1.0f, c.colorBack) << c.mask;
        EXPECT_EQ(!ff.state.enable.blend, c.blendBack) << c.mask;
        EXPECT_EQ(!ff.state.enable.depthTest, c.depthBack) << c.mask;
        EXPECT_EQ(!ff.state.enable.lighting, c.lightingBack) << c.mask;
    }
    FixedFunction ff;
    ff.popAttrib();
    EXPECT_EQ(ff.takeError(), static_cast<unsigned>(GL_STACK_UNDERFLOW));
    ff.setCapability(0x1234, true);
    EXPECT_EQ(ff.takeError(), static_cast<unsigned>(GL_INVALID_ENUM));
    EXPECT_EQ(ff.takeError(), static_cast<unsigned>(GL_NO_ERROR));
}

TEST(Gles2FixedFunction, MatrixStacksKeepOpenGlsDepthsAndLightsGoToEyeCoordinates) {
    FixedFunction ff;
    for (int i = 1; i < 32; ++i) ff.pushMatrix();
    EXPECT_EQ(ff.takeError(), static_cast<unsigned>(GL_NO_ERROR));
    ff.pushMatrix();
    EXPECT_EQ(ff.takeError(), static_cast<unsigned>(GL_STACK_OVERFLOW));
    ff.matrixMode(GL_PROJECTION);
    for (int i = 1; i < 4; ++i) ff.pushMatrix();
    ff.pushMatrix();
    EXPECT_EQ(ff.takeError(), static_cast<unsigned>(GL_STACK_OVERFLOW));

    FixedFunction eye;
    eye.top().m[12] = 10;  // the model-view translates by 10 in x
    const float position[4] = {1, 2, 3, 1};
    eye.light(GL_LIGHT1, GL_POSITION, position);
    EXPECT_EQ(eye.state.lighting.lights[1].position[0], 11.0f);
    EXPECT_EQ(eye.state.lighting.lights[1].position[3], 1.0f);
}

TEST(Gles2Programs, FeaturesFollowTheStateInForce) {
    AttribState s;
    s.enable.lighting = true;
    s.enable.light[0] = s.enable.light[2] = true;
    s.enable.texGen[0] = true;
    s.enable.alphaTest = true;  // with GL_ALWAYS: no test
    const Matrix identity, projective = {{1, 0, 0, 0.5f, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    ProgramFeatures f = featuresFor(s, false, false, identity.m, false);
    EXPECT_EQ(f.lights, 2);
    EXPECT_FALSE(f.texGen) << "coordinates are generated only for a texture";
    EXPECT_FALSE(f.alphaTest);
    s.colorBuffer.alphaFunc = GL_GREATER;
    s.texture.envMode = GL_REPLACE;
    f = featuresFor(s, true, true, identity.m, false);
    EXPECT_TRUE(f.texGen && f.projective && f.alphaTest && f.replace && f.alphaTexture);
    EXPECT_NE(f.key(), featuresFor(s, true, false, identity.m, false).key());
    EXPECT_EQ(f.defines(),
              "#define LIGHTS 2\n#define TEXTURE\n#define ALPHA_TEXTURE\n#define REPLACE\n"
              "#define TEXGEN\n#define PROJECTIVE\n#define ALPHA_TEST\n");
    // Without generated coordinates q is 1, unless the texture matrix makes it otherwise.
    s.enable.texGen[0] = false;
    EXPECT_FALSE(featuresFor(s, true, false, identity.m, false).projective);
    EXPECT_TRUE(featuresFor(s, true, false, projective.m, false).projective);
    s.enable.lighting = false;
    EXPECT_EQ(featuresFor(s, false, false, identity.m, false).lights, 0);
    // A flat colour for flat shading where the context has flat varyings: GLSL ES 3.00.
    EXPECT_FALSE(featuresFor(s, false, false, identity.m, true).flatColor) << "smooth";
    s.lighting.flat = true;
    EXPECT_FALSE(featuresFor(s, false, false, identity.m, false).flatColor) << "OpenGL ES 2.0";
    f = featuresFor(s, false, false, identity.m, true);
    EXPECT_TRUE(f.flatColor);
    EXPECT_EQ(f.defines().rfind("#version 300 es\n", 0), 0u) << "the version first";
}

}  // namespace
