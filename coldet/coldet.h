// coldet: a self-contained triangle-mesh collision library.
//
// Conventions (stated once for the whole library):
// - Points and directions are three consecutive floats (x, y, z).
// - Matrices are sixteen floats, column-major: element index = 4 * column + row,
//   translation in elements 12, 13, 14. A point p maps to
//   x' = m[0]x + m[4]y + m[8]z + m[12], and so on. This is OpenGL's layout.
// - A model is filled with triangles, built once with buildTree(), then placed
//   with setModelMatrix() as often as needed and queried.
// - Misuse throws Inconsistency; a model query past its time limit throws
//   TimeoutExpired. Both are empty classes thrown by value.
// - Non-finite input never crashes: it simply finds no hit (a triangle with an
//   infinite or NaN coordinate stays in the model but is never reported).
// - Null pointers are ignored where the call can do without them; a null
//   vertex pointer in appendTriangle throws Inconsistency.
#ifndef HALVORN_COLDET_H
#define HALVORN_COLDET_H

// Thrown when a model is used against its calling order (append after build,
// build twice, model query on a model that is not built).
class Inconsistency {};

// Thrown by testModel when the walk has run for timeLimitMs milliseconds.
class TimeoutExpired {};

// A rigid triangle mesh with a model-to-world matrix. Create with
// newCollisionModel3D() and destroy with delete.
class CollisionModel3D {
public:
    virtual ~CollisionModel3D() {}

    // Reserves room for exactly count triangles when the store holds less.
    // Ignored once built and for a negative count.
    virtual void reserveTriangles(int count) = 0;

    // Appends the triangle a, b, c (model units). Throws Inconsistency once built.
    virtual void appendTriangle(const float* a, const float* b, const float* c) = 0;

    // Same as above with the nine coordinates given one by one.
    virtual void appendTriangle(float ax, float ay, float az, float bx, float by, float bz, float cx, float cy,
                                float cz) = 0;

    // Freezes the triangles and builds the box tree. Throws Inconsistency if called twice.
    virtual void buildTree() = 0;

    // Copies the 16-float model-to-world matrix. Allowed in both states.
    virtual void setModelMatrix(const float* m) = 0;

    // True when some triangle of this model touches some triangle of other.
    // depthHint is ignored; timeLimitMs is a wall-clock limit in milliseconds
    // (0 means 16,777,215 ms); otherMatrix, when not null, places other instead
    // of its own matrix. Throws Inconsistency if either model is not built (or
    // other is null or not made by newCollisionModel3D), TimeoutExpired past
    // the limit. A model without triangles touches nothing.
    virtual bool testModel(CollisionModel3D* other, int depthHint = -1, unsigned timeLimitMs = 0,
                           const float* otherMatrix = nullptr) = 0;

    // True when the segment origin + direction * [segmentStart, segmentEnd]
    // (world units, in multiples of direction) hits a triangle. nearest: find the
    // closest hit instead of the first in tree order. A segmentEnd above 3e30
    // makes the ray unlimited.
    virtual bool testRay(const float* origin, const float* direction, bool nearest = false, float segmentStart = 0.0f,
                         float segmentEnd = 3.4e38f) = 0;

    // True when the sphere (world centre, radius in model units) touches a
    // triangle whose plane it reaches at a foot point inside the triangle.
    virtual bool testSphere(const float* center, float radius) = 0;

    // Indices (0-based, append order) of the triangles of the last hit; after a
    // ray or sphere query only the own index is new. Either pointer may be
    // null. Always true.
    virtual bool hitTriangleIndices(int* ownIndex, int* otherIndex) = 0;

    // The two triangles of the last hit as nine floats each (either may be null),
    // in this model's coordinates when modelSpace, else in world coordinates. Always true.
    virtual bool hitTriangles(float* ownTriangle, float* otherTriangle, bool modelSpace = true) = 0;

    // One point of the last hit, model or world coordinates: after a model
    // query a point where an edge of one hit triangle pierces the other (the
    // zero vector when none is found, as for coplanar triangles); after a ray
    // or sphere query the hit point. Always true.
    virtual bool hitPoint(float* point, bool modelSpace = true) = 0;
};

// The three free functions have C linkage: the Windows module exports them
// under exactly these names.
extern "C" {

// Creates an empty model; cacheInverse keeps the inverse matrix current on every
// setModelMatrix. Returns null when memory runs out.
CollisionModel3D* newCollisionModel3D(bool cacheInverse = false);

// True when the line through origin along direction meets the sphere; point is
// the first crossing along the direction of travel (it may lie behind origin).
bool SphereRayCollision(const float* center, float radius, const float* origin, const float* direction, float* point);

// True when the spheres overlap (merely touching is no collision); point lies on
// the first sphere's surface, on the side facing away from the second centre.
bool SphereSphereCollision(const float* center1, float radius1, const float* center2, float radius2, float* point);
}

#endif
