// The collision model behind the CollisionModel3D interface.
#ifndef HALVORN_COLDET_MODEL_H
#define HALVORN_COLDET_MODEL_H

#include <cstdint>
#include <vector>

#include "coldet.h"
#include "coldet_box_tree.h"

namespace coldet {

// Kind of the last query started on a model (read by hitPoint).
enum QueryKind : std::int32_t { ModelQuery = 0, RayQuery = 1, SphereQuery = 2 };

// A filled-then-built triangle model. Fields are public for the library's own
// tests; users see only CollisionModel3D.
class CollisionModel3DImpl final : public CollisionModel3D {
public:
    // Every triangle appended, in order; the position is the triangle index.
    // Never reallocated once built (the tree points into it).
    std::vector<BoxedTriangle> triangleStore;
    // Root of the box tree: empty (no children, no members, zero box) until built.
    BoxTreeInnerNode root;
    float modelMatrix[16];      // model to world
    float inverseMatrix[16];    // world to model, kept current only with cacheInverse
    Triangle hitOwnTriangle;    // own triangle of the last hit, model coordinates
    Triangle hitOtherTriangle;  // other triangle of the last model hit, own coordinates
    std::int32_t hitOwnIndex = 0;
    std::int32_t hitOtherIndex = 0;
    float hitPointModel[3] = {0.0f, 0.0f, 0.0f};  // last ray or sphere hit point
    std::int32_t lastQuery = ModelQuery;
    bool built = false;
    bool cacheInverse;

    explicit CollisionModel3DImpl(bool cacheInverse);
    CollisionModel3DImpl(const CollisionModel3DImpl&) = delete;
    CollisionModel3DImpl& operator=(const CollisionModel3DImpl&) = delete;
    ~CollisionModel3DImpl() override;

    void reserveTriangles(int count) override;
    void appendTriangle(const float* a, const float* b, const float* c) override;
    void appendTriangle(float ax, float ay, float az, float bx, float by, float bz, float cx, float cy,
                        float cz) override;
    void buildTree() override;
    void setModelMatrix(const float* m) override;
    bool testModel(CollisionModel3D* other, int depthHint, unsigned timeLimitMs, const float* otherMatrix) override;
    bool testRay(const float* origin, const float* direction, bool nearest, float segmentStart,
                 float segmentEnd) override;
    bool testSphere(const float* center, float radius) override;
    bool hitTriangleIndices(int* ownIndex, int* otherIndex) override;
    bool hitTriangles(float* ownTriangle, float* otherTriangle, bool modelSpace) override;
    bool hitPoint(float* point, bool modelSpace) override;

private:
    // World-to-model matrix for a query: the cached inverse, or one formed into
    // scratch now.
    const float* worldToModel(float* scratch) const;
    // Position of t in triangleStore.
    std::int32_t indexOf(const BoxedTriangle* t) const;
};

}  // namespace coldet

#endif
