// The ship, bolt and beam meshes. Where the shape is given only as corners and
// cross-sections, the vertex orders below were chosen so that, under the
// stated front-face winding, every surface faces out of the body.
#include "render/meshes.h"

#include <cmath>
#include <cstddef>

namespace {

using Point = float[3];

void grey(MeshSink& sink, float v) { sink.color(v, v, v); }

void vertex(MeshSink& sink, const float* p) { sink.vertex(p[0], p[1], p[2]); }

void triangle(MeshSink& sink, const float* a, const float* b, const float* c) {
    vertex(sink, a);
    vertex(sink, b);
    vertex(sink, c);
}

template <std::size_t N>
void strip(MeshSink& sink, const Point (&v)[N]) {
    sink.begin(Primitive::TriangleStrip);
    for (std::size_t k = 0; k < N; ++k) vertex(sink, v[k]);
    sink.end();
}

// The same strip mirrored to -z, facing out on its own side under the same
// front-face winding. A mirror turns every triangle over; an odd strip taken
// backwards turns them back with the same triangles. An even strip cannot be
// reversed that way, so its rungs (v0 v1)(v2 v3)... are swapped instead, which
// picks the other diagonal of each quad: the same surface where the quads are
// flat.
template <std::size_t N>
void stripMirrored(MeshSink& sink, const Point (&v)[N]) {
    sink.begin(Primitive::TriangleStrip);
    for (std::size_t k = 0; k < N; ++k) {
        std::size_t src;
        if (N % 2 == 1) {
            src = N - 1 - k;
        } else {
            src = k ^ 1u;
        }
        sink.vertex(v[src][0], v[src][1], -v[src][2]);
    }
    sink.end();
}

// ---------------------------------------------------------------------------
// HexWingFighter

constexpr float PlateBottom = 16.5f;  // z of the plate's underside
constexpr float PlatePanel = 17.5f;   // z of the dark panels and ridge feet
constexpr float PlateTop = 18.0f;     // z of the ridge crests and rim top

// Hexagon corners (x, y), clockwise as seen from above (+z).
const float Hexagon[6][2] = {{-15, 32}, {15, 32}, {30, 0}, {15, -32}, {-15, -32}, {-30, 0}};

double signOf(double v) { return v > 0.0 ? 1.0 : (v < 0.0 ? -1.0 : 0.0); }

// A raised ridge from corner (px, py) to corner (qx, qy): crest at PlateTop,
// flanks falling to PlatePanel one unit to either side and one unit short of
// each end. Four triangles: two flanks on the right of the crest direction,
// two on the left.
void ridge(MeshSink& sink, double px, double py, double qx, double qy) {
    const double len = std::sqrt((qx - px) * (qx - px) + (qy - py) * (qy - py));
    const double dx = (qx - px) / len, dy = (qy - py) / len;  // along the crest
    const double mx = dy, my = -dx;                           // to its right
    const float P[3] = {float(px), float(py), PlateTop};
    const float Q[3] = {float(qx), float(qy), PlateTop};
    const float qRight[3] = {float(qx - dx + mx), float(qy - dy + my), PlatePanel};
    const float pRight[3] = {float(px + dx + mx), float(py + dy + my), PlatePanel};
    const float qLeft[3] = {float(qx - dx - mx), float(qy - dy - my), PlatePanel};
    const float pLeft[3] = {float(px + dx - mx), float(py + dy - my), PlatePanel};
    triangle(sink, P, Q, qRight);
    triangle(sink, P, qRight, pRight);
    triangle(sink, P, qLeft, Q);
    triangle(sink, P, pLeft, qLeft);
}

// A strut of diamond section, half-widths 1.5 (x) and 3 (y) at the plate and
// 1.5 and 1.5 at the pod: one strip around it, the +x faces then the -x faces.
void emitStrut(MeshSink& sink, const Point (&v)[10]) {
    sink.begin(Primitive::TriangleStrip);
    sink.normal(1, 0, 0);
    for (int k = 0; k < 6; ++k) vertex(sink, v[k]);
    sink.normal(-1, 0, 0);
    for (int k = 6; k < 10; ++k) vertex(sink, v[k]);
    sink.end();
}

const Point LowerStrut[10] = {{0, 3, -16.5f},  {0, 1.5f, -4.5f},  {1.5f, 0, -16.5f},  {1.5f, 0, -4.5f},
                              {0, -3, -16.5f}, {0, -1.5f, -4.5f}, {-1.5f, 0, -16.5f}, {-1.5f, 0, -4.5f},
                              {0, 3, -16.5f},  {0, 1.5f, -4.5f}};
const Point UpperStrut[10] = {{0, 1.5f, 4.5f}, {0, 3, 16.5f},    {1.5f, 0, 4.5f},   {1.5f, 0, 16.5f}, {0, -1.5f, 4.5f},
                              {0, -3, 16.5f},  {-1.5f, 0, 4.5f}, {-1.5f, 0, 16.5f}, {0, 1.5f, 4.5f},  {0, 3, 16.5f}};

// ---------------------------------------------------------------------------
// FourWingFighter fuselage, joining the cross-sections at x = -28, -8, 4, 18
// and 62 and the nose at 68. The side tables are the +z side; the -z side is
// their mirror. Strips are ordered so that under GL_CW they face outward.

// Canopy glass on top, from x = 4 to 18.
const Point CanopyGlass[4] = {{4, 7, 3.5f}, {4, 7, -3.5f}, {18, 5, 1.6f}, {18, 5, -1.6f}};
// Canopy frame beside the glass: flat top strip, then the outer edge down to the side window.
const Point CanopyFrame[6] = {{4, 7, 3.5f}, {18, 5, 1.6f}, {4, 7, 4}, {18, 5, 2}, {4, 6.5f, 4}, {18, 4.6f, 2}};
// Top of the rear body, y = 7 from x = -28 to 4, meeting the frame and glass corners at x = 4.
const Point RearTop[6] = {{4, 7, 4}, {-28, 7, 4}, {4, 7, 3.5f}, {-28, 7, -4}, {4, 7, -3.5f}, {4, 7, -4}};
// Top of the nose, x = 18 to 62 and on to the tip at 68.
const Point NoseTop[6] = {{18, 5, 2},     {18, 5, -2},       {62, 3, 1.5f},
                          {62, 3, -1.5f}, {68, 1.5f, 0.75f}, {68, 1.5f, -0.75f}};
// Rear body, upper side: from the top edge (y 7, z 4) down to y 1, z 6, closed
// at x = 4 against the canopy frame and the side window.
const Point RearUpperSide[5] = {{-28, 1, 6}, {-28, 7, 4}, {4, 1, 6}, {4, 7, 4}, {4, 6.5f, 4}};
// Rear body, lower side from x = -28 to -8.
const Point RearLowerSide[5] = {{-8, -6, 3.5f}, {-28, -6, 3.5f}, {-8, -3, 5}, {-28, 1, 6}, {-8, 1, 6}};
// Lower side from x = -8 to 4, down to where the underside begins.
const Point MidLowerSide[5] = {{-8, -6, 3.5f}, {-8, -3, 5}, {4, -3, 5}, {-8, 1, 6}, {4, 1, 6}};
// Forward side below the side window and above the stripe, x = 4 to 62; its
// lower edge passes through the section point (18, 1, 5), which lies 0.03
// inside the stripe's straight upper edge.
const Point ForeSide[5] = {{18, 5, 2}, {62, 1, 2}, {18, 4.6f, 2}, {18, 1, 5}, {4, 1, 6}};
// Forward side from x = 18 up to the nose tip.
const Point NoseSide[5] = {{18, 5, 2}, {62, 3, 1.5f}, {62, 1, 2}, {68, 1.5f, 0.75f}, {62, 0, 1.5f}};
// Underside: keel at y = -7 from x = -28 to -8, rising to -3 at x = 4, 0 at 62, and the nose.
const Point UndersideRear[6] = {{-28, -6, 3.5f}, {-8, -6, 3.5f},   {-28, -7, 0},
                                {-8, -7, 0},     {-28, -6, -3.5f}, {-8, -6, -3.5f}};
const Point UndersideMid[5] = {{-8, -6, 3.5f}, {4, -3, 5}, {-8, -7, 0}, {4, -3, -5}, {-8, -6, -3.5f}};
const Point UndersideFore[6] = {{4, -3, -5},   {4, -3, 5},         {62, 0, -1.5f},
                                {62, 0, 1.5f}, {68, 1.5f, -0.75f}, {68, 1.5f, 0.75f}};
// Red stripe on the lower side, x = 4 to 62.
const Point SideStripe[4] = {{4, 1, 6}, {62, 1, 2}, {4, -3, 5}, {62, 0, 1.5f}};

// ---------------------------------------------------------------------------
// FourWingFighter wings (origin at the tail station x = -28)

// Blade tip directions (y, z), in drawing order.
const float BladeTips[4][2] = {{20, 40}, {20, -40}, {-20, 40}, {-20, -40}};

// The tip spars: six triangles shown under GL_CW, then six under GL_CCW.
const float SparsCw[6][9] = {
    {15, -19.5f, -40, 15, -20, -41, 55, -20, -40}, {15, -20, -41, 15, -20.5f, -40, 55, -20, -40},
    {15, 19.5f, -40, 15, 20, -41, 55, 20, -40},    {15, 20, -41, 15, 20.5f, -40, 55, 20, -40},
    {15, -19.5f, 40, 15, -20.5f, 40, 55, -20, 40}, {15, 19.5f, 40, 15, 20.5f, 40, 55, 20, 40},
};
const float SparsCcw[6][9] = {
    {15, -19.5f, -40, 15, -20.5f, -40, 55, -20, -40}, {15, 19.5f, -40, 15, 20.5f, -40, 55, 20, -40},
    {15, -19.5f, 40, 15, -20, 41, 55, -20, 40},       {15, -20, 41, 15, -20.5f, 40, 55, -20, 40},
    {15, 19.5f, 40, 15, 20, 41, 55, 20, 40},          {15, 20, 41, 15, 20.5f, 40, 55, 20, 40},
};

void sparTriangles(MeshSink& sink, const float (&tris)[6][9]) {
    sink.begin(Primitive::Triangles);
    for (const float* t : tris) triangle(sink, t, t + 3, t + 6);
    sink.end();
}

// The flat side of a blade: two triangles.
void bladeFlatSide(MeshSink& sink, float y, float z) {
    const float root0[3] = {0, 0, 0}, root1[3] = {24, 0, 0};
    const float tip0[3] = {14, y, z}, tip1[3] = {24, y, z};
    sink.begin(Primitive::Triangles);
    triangle(sink, root0, tip0, tip1);
    triangle(sink, root0, tip1, root1);
    sink.end();
}

// The ridged side of a blade: three triangles meeting at the ridge apex; the
// middle one red on the upper blades.
void bladeRidgeSide(MeshSink& sink, float y, float z) {
    const float root0[3] = {0, 0, 0}, root1[3] = {24, 0, 0};
    const float tip0[3] = {14, y, z}, tip1[3] = {24, y, z};
    const float apex[3] = {12, y > 0 ? 3.8f : -3.8f, 0};
    sink.begin(Primitive::Triangles);
    triangle(sink, root0, tip0, apex);
    if (y > 0) sink.color(0.5f, 0.1f, 0.1f);
    triangle(sink, apex, tip0, tip1);
    if (y > 0) grey(sink, 0.2f);
    triangle(sink, apex, tip1, root1);
    sink.end();
}

// One side of every blade: in the first group the flat side of the blades whose
// tip has y and z of equal sign and the ridged side of the others, in the
// second group the remaining sides. Whichever side is drawn faces the way its
// ridge apex points (ridged side) or away from it (flat side).
void bladeSides(MeshSink& sink, bool firstGroup) {
    for (const float* tip : BladeTips) {
        const float y = tip[0], z = tip[1];
        const bool flat = ((y > 0) == (z > 0)) == firstGroup;
        const float up = (y > 0) == !flat ? 1.0f : -1.0f;
        sink.normal(0, up, 0);
        if (flat) {
            bladeFlatSide(sink, y, z);
        } else {
            bladeRidgeSide(sink, y, z);
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------

void emitWingPlate(MeshSink& sink) {
    // Ridges: three crests between opposite corners.
    grey(sink, 0.37f);
    sink.frontFace(Winding::Cw);
    sink.begin(Primitive::Triangles);
    sink.normal(0, 0, 1);
    ridge(sink, -15, 32, 15, -32);
    ridge(sink, 15, 32, -15, -32);
    ridge(sink, -30, 0, 30, 0);
    sink.end();

    // Panels: one dark triangle in each wedge between the ridges.
    static const float Panels[6][9] = {
        {-14.5f, 32, PlatePanel, 14.5f, 32, PlatePanel, 0, 1, PlatePanel},
        {15.5f, 32, PlatePanel, 29.5f, 1, PlatePanel, 1, 1, PlatePanel},
        {29.5f, -1, PlatePanel, 15.5f, -32, PlatePanel, 1, -1, PlatePanel},
        {14.5f, -32, PlatePanel, -14.5f, -32, PlatePanel, 0, -1, PlatePanel},
        {-15.5f, -32, PlatePanel, -29.5f, -1, PlatePanel, -1, -1, PlatePanel},
        {-29.5f, 1, PlatePanel, -15.5f, 32, PlatePanel, -1, 1, PlatePanel},
    };
    grey(sink, 0.17f);
    sink.begin(Primitive::Triangles);
    for (const float* t : Panels) triangle(sink, t, t + 3, t + 6);
    sink.end();

    // Rim: per hexagon edge an outer wall from the bottom to the top and an
    // inner bevel from the top edge down to a line half a unit inside.
    sink.begin(Primitive::Triangles);
    for (int k = 0; k < 6; ++k) {
        const float* A = Hexagon[k];
        const float* B = Hexagon[(k + 1) % 6];
        const float ax = A[0], ay = A[1], bx = B[0], by = B[1];
        const float aix = ax - 0.5f * float(signOf(ax)), aiy = ay - 0.5f * float(signOf(ay));
        const float bix = bx - 0.5f * float(signOf(bx)), biy = by - 0.5f * float(signOf(by));
        const float aLow[3] = {ax, ay, PlateBottom}, aTop[3] = {ax, ay, PlateTop};
        const float bLow[3] = {bx, by, PlateBottom}, bTop[3] = {bx, by, PlateTop};
        const float aIn[3] = {aix, aiy, PlateBottom}, bIn[3] = {bix, biy, PlateBottom};
        triangle(sink, aLow, bLow, aTop);
        triangle(sink, bLow, bTop, aTop);
        triangle(sink, aTop, bIn, aIn);
        triangle(sink, bTop, bIn, aTop);
    }
    sink.end();

    // Underside, facing the body. The doubled corner gives one triangle of no area.
    grey(sink, 0.3f);
    sink.frontFace(Winding::Ccw);
    sink.begin(Primitive::TriangleFan);
    sink.normal(0, 0, -1);
    sink.vertex(0, 0, PlateBottom);
    static const int Fan[8] = {0, 1, 2, 3, 4, 4, 5, 0};
    for (int k : Fan) sink.vertex(Hexagon[k][0], Hexagon[k][1], PlateBottom);
    sink.end();
}

void emitWingPlates(MeshSink& sink) {
    emitWingPlate(sink);
    MirrorZSink lower(sink);
    emitWingPlate(lower);
}

void emitPodAndStruts(MeshSink& sink) {
    grey(sink, 0.45f);
    sink.frontFace(Winding::Ccw);
    emitStrut(sink, LowerStrut);
    emitStrut(sink, UpperStrut);
    sink.sphere(10.0, 5, 5);

    // Front window.
    static const float Window[8][3] = {{10.5f, 2, 0}, {10, 4, -2},    {10, 4, 2}, {8, 2, 4},
                                       {9.5f, -2, 2}, {9.5f, -2, -2}, {8, 2, -4}, {10, 4, -2}};
    sink.color(0.2f, 0.2f, 0.3f);
    sink.begin(Primitive::TriangleFan);
    sink.normal(1, 0, 0);
    for (const float* p : Window) vertex(sink, p);
    sink.end();
}

void emitFuselage(MeshSink& sink) {
    sink.frontFace(Winding::Cw);

    // Canopy glass: the top strip and the two side windows.
    grey(sink, 0.1f);
    sink.begin(Primitive::TriangleStrip);
    sink.normal(0, 1, 0);
    for (const float* p : CanopyGlass) vertex(sink, p);
    sink.end();
    sink.begin(Primitive::Triangles);
    sink.vertex(4, 6.5f, 4);
    sink.vertex(18, 4.6f, 2);
    sink.vertex(4, 1, 6);
    sink.vertex(4, 6.5f, -4);
    sink.vertex(4, 1, -6);
    sink.vertex(18, 4.6f, -2);
    sink.end();

    // Hull. The tops keep the glass's upward normal. The underside comes
    // between the two sides so that the -z side's normal is the one still
    // current for the stripes.
    grey(sink, 0.2f);
    strip(sink, CanopyFrame);
    stripMirrored(sink, CanopyFrame);
    strip(sink, RearTop);
    strip(sink, NoseTop);

    sink.normal(0, 0, 1);
    strip(sink, RearUpperSide);
    strip(sink, RearLowerSide);
    strip(sink, MidLowerSide);
    strip(sink, ForeSide);
    strip(sink, NoseSide);

    sink.normal(0, -1, 0);
    strip(sink, UndersideRear);
    strip(sink, UndersideMid);
    strip(sink, UndersideFore);

    sink.normal(0, 0, -1);
    stripMirrored(sink, RearUpperSide);
    stripMirrored(sink, RearLowerSide);
    stripMirrored(sink, MidLowerSide);
    stripMirrored(sink, ForeSide);
    stripMirrored(sink, NoseSide);

    // Side stripes, under the normal (0, 0, -1) left current on both sides.
    sink.color(0.44f, 0.1f, 0.1f);
    strip(sink, SideStripe);
    stripMirrored(sink, SideStripe);

    // Tail cap: a low pyramid from the x = -28 section back to the apex.
    static const float Tail[9][3] = {{-30, 0, 0},  {-28, 7, -4},     {-28, 7, 4},  {-28, 1, 6}, {-28, -6, 3.5f},
                                     {-28, -7, 0}, {-28, -6, -3.5f}, {-28, 1, -6}, {-28, 7, -4}};
    grey(sink, 0.17f);
    sink.begin(Primitive::TriangleFan);
    sink.normal(-1, 0, 0);
    for (const float* p : Tail) vertex(sink, p);
    sink.end();

    // The wings are drawn from the tail station.
    sink.translate(-28, 0, 0);
}

void emitWings(MeshSink& sink) {
    grey(sink, 0.2f);
    sink.frontFace(Winding::Cw);
    bladeSides(sink, true);
    sparTriangles(sink, SparsCw);
    sink.frontFace(Winding::Ccw);
    bladeSides(sink, false);
    sparTriangles(sink, SparsCcw);

    // Engines: the upper pods (y = +7) carry the long nozzles.
    sink.translate(0, 7, 7);
    emitEnginePod(sink);
    emitNozzle(sink, 15);
    sink.translate(0, -14, 0);
    emitEnginePod(sink);
    emitNozzle(sink, 10);
    sink.translate(0, 0, -14);
    emitEnginePod(sink);
    emitNozzle(sink, 10);
    sink.translate(0, 14, 0);
    emitEnginePod(sink);
    emitNozzle(sink, 15);
}

void emitEnginePod(MeshSink& sink) {
    // Pentagon section (y, z), clockwise as seen from +x.
    static const float S[5][2] = {{4, 0}, {1.2f, -3.8f}, {-3.2f, -2.3f}, {-3.2f, 2.3f}, {1.2f, 3.8f}};
    constexpr float Back = 0.0f, Front = 25.0f;
    grey(sink, 0.15f);
    sink.begin(Primitive::Triangles);
    for (int k = 1; k < 4; ++k) {  // rear cap, facing -x
        sink.vertex(Back, S[0][0], S[0][1]);
        sink.vertex(Back, S[k][0], S[k][1]);
        sink.vertex(Back, S[k + 1][0], S[k + 1][1]);
    }
    for (int k = 1; k < 4; ++k) {  // front cap, facing +x
        sink.vertex(Front, S[0][0], S[0][1]);
        sink.vertex(Front, S[k + 1][0], S[k + 1][1]);
        sink.vertex(Front, S[k][0], S[k][1]);
    }
    for (int k = 0; k < 5; ++k) {  // sides
        const float* a = S[k];
        const float* b = S[(k + 1) % 5];
        sink.vertex(Back, a[0], a[1]);
        sink.vertex(Front, a[0], a[1]);
        sink.vertex(Front, b[0], b[1]);
        sink.vertex(Back, a[0], a[1]);
        sink.vertex(Front, b[0], b[1]);
        sink.vertex(Back, b[0], b[1]);
    }
    sink.end();
}

void emitNozzle(MeshSink& sink, float length) {
    // Triangle section (y, z), counter-clockwise as seen from +x.
    static const float T[3][2] = {{2, 0}, {0, 2}, {0, -2}};
    const float end = -length;
    grey(sink, 0.1f);
    sink.begin(Primitive::Triangles);
    for (int k = 0; k < 3; ++k) {
        const float* a = T[k];
        const float* b = T[(k + 1) % 3];
        sink.vertex(0, a[0], a[1]);
        sink.vertex(end, a[0], a[1]);
        sink.vertex(end, b[0], b[1]);
        sink.vertex(0, a[0], a[1]);
        sink.vertex(end, b[0], b[1]);
        sink.vertex(0, b[0], b[1]);
    }
    sink.color(0.55f, 0.15f, 0.15f);  // the engine glow
    sink.vertex(end, 2, 0);
    sink.vertex(end, 0, -2);
    sink.vertex(end, 0, 2);
    sink.end();
}

void emitWingSpars(MeshSink& sink) {
    grey(sink, 0.25f);
    sink.translate(-8, 0, 0);
    sink.frontFace(Winding::Cw);
    sparTriangles(sink, SparsCw);
    sink.frontFace(Winding::Ccw);
    sparTriangles(sink, SparsCcw);
}

void emitCanopyFrame(MeshSink& sink) {
    static const float Lower[2][9] = {
        {25, -22, 20, 55, -12, 10, 25, -50, 0},
        {55, -12, -10, 25, -22, -20, 25, -50, 0},
    };
    static const float Upper[5][9] = {
        {65, -30, 0, 25, 40, -37, 25, 38, -37},     {25, 40, 37, 65, -30, 0, 25, 38, 37},
        {55, -12, 10, 55, -12, -10, 25, -50, 0},    {25, -22, 27, 55, -12, 10, 25, -22, 20},
        {55, -12, -10, 25, -22, -27, 25, -22, -20},
    };
    sink.begin(Primitive::Triangles);
    grey(sink, 0.16f);
    for (const float* t : Lower) triangle(sink, t, t + 3, t + 6);
    grey(sink, 0.2f);
    for (const float* t : Upper) triangle(sink, t, t + 3, t + 6);
    sink.end();
}

void emitPrism(MeshSink& sink, float length) {
    // Section corners (y, z); "n" at x = 0, "f" at x = length.
    const float L = length;
    const float nA[3] = {0, -0.6f, 0}, nB[3] = {0, 0.6f, 0.6f}, nC[3] = {0, 0.6f, -0.6f};
    const float fA[3] = {L, -0.6f, 0}, fB[3] = {L, 0.6f, 0.6f}, fC[3] = {L, 0.6f, -0.6f};
    sink.frontFace(Winding::Ccw);
    sink.begin(Primitive::Triangles);
    sink.normal(0, 0, 1);
    triangle(sink, nA, fB, fA);
    triangle(sink, fB, nA, nB);
    triangle(sink, nB, fC, fB);
    triangle(sink, nB, nC, fC);
    triangle(sink, nC, fA, fC);
    triangle(sink, nC, nA, fA);
    triangle(sink, fC, fA, fB);
    triangle(sink, nB, nA, nC);
    sink.end();
}

bool compileShipList(int id, MeshSink& sink) {
    switch (id) {
    case ListHexWingFighter:
        sink.beginList(id);
        emitWingPlates(sink);
        emitPodAndStruts(sink);
        sink.endList();
        return true;
    case ListHexWingFighterCockpit:
        sink.beginList(id);
        emitWingPlates(sink);
        sink.endList();
        return true;
    case ListFourWingFighter:
        sink.beginList(id);
        emitFuselage(sink);
        emitWings(sink);
        sink.endList();
        return true;
    case ListFourWingFighterCockpit:
        sink.beginList(id);
        emitWingSpars(sink);
        emitCanopyFrame(sink);
        sink.endList();
        return true;
    case ListBolt:
        sink.beginList(id);
        emitPrism(sink, 40.0f);
        sink.endList();
        return true;
    case ListBeam:
        sink.beginList(id);
        emitPrism(sink, 1800.0f);
        sink.endList();
        return true;
    default:
        return false;
    }
}
