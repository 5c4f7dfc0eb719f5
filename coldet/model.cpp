#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <typeinfo>
#include <vector>

#include "coldet_assert.h"
#include "coldet_model.h"
#include "coldet_overlap.h"

namespace coldet {

namespace {

// timeLimitMs 0 stands for this many milliseconds (about 4.7 hours).
constexpr std::uint32_t LongestTimeLimitMs = 16777215u;

// Start of the nearest-hit search along a ray (the float nearest to 9·10⁹, in
// multiples of the direction); hits farther than this are never reported.
constexpr float NoHitDistance = 9.0e9f;

// Units of work (node pairs popped, triangle pairs tested) between two looks at
// the clock: reading it costs as much as a dozen box tests.
constexpr int WorkPerClockCheck = 64;

// Milliseconds from a steady clock, wrapping at 2³², like a system tick count.
std::uint32_t tickCountMs() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

// The time limit of one model query. The clock is first read after the first
// WorkPerClockCheck units of work, which marks the start; a query that ends
// sooner never reads it. The few microseconds this shifts the start by are far
// below the millisecond resolution of the limit.
class QueryDeadline {
public:
    explicit QueryDeadline(std::uint32_t limitMs) : limit(limitMs) {}

    // Counts one unit of work; throws TimeoutExpired once limit milliseconds
    // have passed since the start.
    void spend() {
        if (--countdown > 0) return;
        countdown = WorkPerClockCheck;
        std::uint32_t now = tickCountMs();
        if (!started) {
            start = now;
            started = true;
            return;
        }
        if (static_cast<std::uint32_t>(now - start) >= limit) throw TimeoutExpired();
    }

private:
    std::uint32_t limit;
    std::uint32_t start = 0;
    bool started = false;
    int countdown = WorkPerClockCheck;
};

struct NodePair {
    const BoxTreeNode* own;
    const BoxTreeNode* other;
};

// Work stacks, one per thread and reused by every query on it: no allocation
// per query once warm. A query owns the stack only while it runs (queries do
// not nest), so "freeing" it is simply abandoning its contents.
std::vector<NodePair>& modelWorkStack() {
    thread_local std::vector<NodePair> stack;
    return stack;
}

std::vector<const BoxTreeNode*>& nodeWorkStack() {
    thread_local std::vector<const BoxTreeNode*> stack;
    return stack;
}

// The walk of the ray and sphere queries: depth first with a last-in
// first-out stack, child 0 examined before child 1, skipping every node whose
// box fails boxTest(node). visitLeaf(node) gets each node that holds
// triangles; when it returns true the walk stops and so does this (true).
template <class BoxTest, class VisitLeaf>
bool walkTree(const BoxTreeNode& root, BoxTest boxTest, VisitLeaf visitLeaf) {
    std::vector<const BoxTreeNode*>& stack = nodeWorkStack();
    if (stack.size() < 64) stack.resize(64);
    const BoxTreeNode** nodes = stack.data();
    std::size_t top = 0;
    nodes[top++] = &root;
    while (top > 0) {
        const BoxTreeNode* node = nodes[--top];
        if (!boxTest(*node)) continue;
        if (nodeChildCount(node) > 0) {
            if (top + 2 > stack.size()) {
                stack.resize(stack.size() * 2);
                nodes = stack.data();
            }
            nodes[top++] = nodeChildAt(node, 1);
            nodes[top++] = nodeChildAt(node, 0);
            continue;
        }
        if (visitLeaf(node)) return true;
    }
    return false;
}

// A triangle carried from the other model into own coordinates; the centroid
// is formed only if the triangle is recorded as a hit.
Triangle carryTriangle(const float* rel, const Triangle& t) {
    Triangle moved;
    store3(transformPoint(rel, load3(t.a)), moved.a);
    store3(transformPoint(rel, load3(t.b)), moved.b);
    store3(transformPoint(rel, load3(t.c)), moved.c);
    return moved;
}

// Volume of a node's own box, multiplied z, y, x.
inline float boxVolume(const Box& box) { return box.size[2] * box.size[1] * box.size[0]; }

}  // namespace

CollisionModel3DImpl::CollisionModel3DImpl(bool cache) : cacheInverse(cache) {
    std::copy(IdentityMatrix, IdentityMatrix + 16, modelMatrix);
    std::copy(IdentityMatrix, IdentityMatrix + 16, inverseMatrix);
}

// The root (declared after the store) is destroyed first, then the store.
CollisionModel3DImpl::~CollisionModel3DImpl() = default;

void CollisionModel3DImpl::reserveTriangles(int count) {
    if (built || count < 0) return;
    if (triangleStore.capacity() >= static_cast<std::size_t>(count)) return;
    try {
        triangleStore.reserve(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
        // A reservation is only a hint: the appends will grow the store.
    } catch (const std::length_error&) {
    }
}

void CollisionModel3DImpl::appendTriangle(const float* a, const float* b, const float* c) {
    if (built || a == nullptr || b == nullptr || c == nullptr) throw Inconsistency();
    std::size_t used = triangleStore.size();
    if (used == triangleStore.capacity()) triangleStore.reserve(used + std::max<std::size_t>(used, 1));
    triangleStore.emplace_back(load3(a), load3(b), load3(c));
}

void CollisionModel3DImpl::appendTriangle(float ax, float ay, float az, float bx, float by, float bz, float cx,
                                          float cy, float cz) {
    const float a[3] = {ax, ay, az};
    const float b[3] = {bx, by, bz};
    const float c[3] = {cx, cy, cz};
    CollisionModel3DImpl::appendTriangle(a, b, c);
}

void CollisionModel3DImpl::buildTree() {
    if (built) throw Inconsistency();
    built = true;
    root.members.reserve(triangleStore.size());
    for (BoxedTriangle& t : triangleStore) root.members.push_back(&t);
    root.subdivide();
}

void CollisionModel3DImpl::setModelMatrix(const float* m) {
    if (m == nullptr) return;
    std::copy(m, m + 16, modelMatrix);
    if (cacheInverse) invertMatrix(inverseMatrix, modelMatrix);
}

const float* CollisionModel3DImpl::worldToModel(float* scratch) const {
    if (cacheInverse) return inverseMatrix;
    invertMatrix(scratch, modelMatrix);
    return scratch;
}

std::int32_t CollisionModel3DImpl::indexOf(const BoxedTriangle* t) const {
    return static_cast<std::int32_t>(t - triangleStore.data());
}

bool CollisionModel3DImpl::testModel(CollisionModel3D* otherModel, int /*depthHint*/, unsigned timeLimitMs,
                                     const float* otherMatrix) {
    lastQuery = ModelQuery;
    if (!built) throw Inconsistency();
    // Only models made by newCollisionModel3D can be walked.
    if (otherModel == nullptr || typeid(*otherModel) != typeid(CollisionModel3DImpl)) {
        throw Inconsistency();
    }
    const CollisionModel3DImpl& other = *static_cast<const CollisionModel3DImpl*>(otherModel);
    if (!other.built) throw Inconsistency();
    // An empty model has nothing that could touch (and its root, holding
    // neither children nor triangles, could not be opened).
    if (triangleStore.empty() || other.triangleStore.empty()) return false;

    const float* placement = otherMatrix != nullptr ? otherMatrix : other.modelMatrix;
    float scratch[16];
    const float* inverse = worldToModel(scratch);
    float rel[16];
    multiplyMatrices(rel, inverse, placement);
    // Non-finite placements (or a singular own matrix) touch nothing.
    if (!allFinite(modelMatrix, 16) || !allFinite(placement, 16) || !allFinite(rel, 16)) {
        return false;
    }
    RelativeFrame frame;
    makeRelativeFrame(frame, rel);

    QueryDeadline deadline(timeLimitMs != 0 ? timeLimitMs : LongestTimeLimitMs);

    std::vector<NodePair>& stack = modelWorkStack();
    std::size_t largest = std::max(triangleStore.size(), other.triangleStore.size());
    std::size_t capacity = std::max<std::size_t>(64, largest / 16);
    if (stack.size() < capacity) stack.resize(capacity);
    NodePair* pairs = stack.data();
    std::size_t top = 0;
    pairs[top++] = NodePair{&root, &other.root};

    while (top > 0) {
        // Each pop pushes at most two pairs, so at most half full is enough.
        if (top > capacity / 2) {
            capacity *= 2;
            if (stack.size() < capacity) stack.resize(capacity);
            pairs = stack.data();
        }
        deadline.spend();
        const NodePair pair = pairs[--top];
        const BoxTreeNode* x = pair.own;
        const BoxTreeNode* y = pair.other;
        COLDET_ASSERT(x != nullptr, "first!=NULL", 85);
        COLDET_ASSERT(y != nullptr, "second!=NULL", 86);

        if (!boxesOverlap(frame, *x, *y)) continue;

        const int nx = nodeTriangleCount(x);
        const int ny = nodeTriangleCount(y);
        if (nx >= 1 && ny >= 1) {
            // Other triangles outside, own inside, both ascending: this fixes
            // which pair is reported when several intersect.
            for (int j = 0; j < ny; ++j) {
                const BoxedTriangle* t = nodeTriangleAtUnchecked(y, j);
                if (!t->finiteVertices) continue;
                Triangle moved = carryTriangle(frame.rel, *t);
                for (int i = 0; i < nx; ++i) {
                    deadline.spend();
                    const BoxedTriangle* s = nodeTriangleAtUnchecked(x, i);
                    if (!s->finiteVertices || !trianglesIntersect(moved, *s)) continue;
                    hitOwnTriangle = *static_cast<const Triangle*>(s);
                    hitOwnIndex = indexOf(s);
                    hitOtherTriangle = Triangle(load3(moved.a), load3(moved.b), load3(moved.c));
                    hitOtherIndex = other.indexOf(t);
                    return true;
                }
            }
            continue;
        }

        // Open one node; the pair with child 1 is pushed last, so examined first.
        if (nodeChildCount(x) == 0) {
            const BoxTreeNode* s1 = nodeChildAt(y, 0);
            const BoxTreeNode* s2 = nodeChildAt(y, 1);
            COLDET_ASSERT(s1 != nullptr, "s1!=NULL", 118);
            COLDET_ASSERT(s2 != nullptr, "s2!=NULL", 119);
            pairs[top++] = NodePair{x, s1};
            pairs[top++] = NodePair{x, s2};
        } else if (nodeChildCount(y) == 0) {
            const BoxTreeNode* f1 = nodeChildAt(x, 0);
            const BoxTreeNode* f2 = nodeChildAt(x, 1);
            COLDET_ASSERT(f1 != nullptr, "f1!=NULL", 134);
            COLDET_ASSERT(f2 != nullptr, "f2!=NULL", 135);
            pairs[top++] = NodePair{f1, y};
            pairs[top++] = NodePair{f2, y};
        } else if (boxVolume(*x) > boxVolume(*y)) {
            const BoxTreeNode* f1 = nodeChildAt(x, 0);
            const BoxTreeNode* f2 = nodeChildAt(x, 1);
            COLDET_ASSERT(f1 != nullptr, "f1!=NULL", 153);
            COLDET_ASSERT(f2 != nullptr, "f2!=NULL", 154);
            pairs[top++] = NodePair{f1, y};
            pairs[top++] = NodePair{f2, y};
        } else {
            const BoxTreeNode* s1 = nodeChildAt(y, 0);
            const BoxTreeNode* s2 = nodeChildAt(y, 1);
            COLDET_ASSERT(s1 != nullptr, "s1!=NULL", 168);
            COLDET_ASSERT(s2 != nullptr, "s2!=NULL", 169);
            pairs[top++] = NodePair{x, s1};
            pairs[top++] = NodePair{x, s2};
        }
    }
    return false;
}

bool CollisionModel3DImpl::testRay(const float* origin, const float* direction, bool nearest, float segmentStart,
                                   float segmentEnd) {
    lastQuery = RayQuery;
    // Before buildTree the root holds nothing, so nothing can be hit.
    if (origin == nullptr || direction == nullptr || !built || triangleStore.empty()) return false;

    float scratch[16];
    const float* inverse = worldToModel(scratch);
    Vec3 o = transformPoint(inverse, load3(origin));
    Vec3 d = transformDirection(inverse, load3(direction));
    float length = segmentEnd;
    if (segmentStart != 0.0f) {
        o = o + d * segmentStart;
        length = length - segmentStart;
    }
    // Non-finite input finds nothing. An infinite segmentEnd is allowed: it
    // is simply an unlimited ray.
    if (!allFinite(modelMatrix, 16) || !allFinite(inverse, 16) || !allFinite(o.e, 3) || !allFinite(d.e, 3) ||
        length != length) {
        return false;
    }
    if (length < 0.0f) {
        // Search backwards from the start point.
        d = -d;
        length = -length;
    }

    float best = NoHitDistance;
    bool found = false;
    const bool stopped = walkTree(
        root, [&](const BoxTreeNode& node) { return boxHitsSegment(node, o, d, length); },
        [&](const BoxTreeNode* node) {
            for (int k = nodeTriangleCount(node) - 1; k >= 0; --k) {
                const BoxedTriangle* t = nodeTriangleAtUnchecked(node, k);
                Vec3 p;
                float distance;
                if (!t->finiteVertices || !rayHitsTriangle(*t, o, d, length, &p, &distance)) continue;
                if (nearest && !(distance < best)) continue;
                hitOwnTriangle = *static_cast<const Triangle*>(t);
                hitOwnIndex = indexOf(t);
                store3(p, hitPointModel);
                if (!nearest) return true;  // the first hit in tree order will do
                best = distance;
                found = true;
            }
            return false;
        });
    return stopped || found;
}

bool CollisionModel3DImpl::testSphere(const float* center, float radius) {
    lastQuery = SphereQuery;
    if (center == nullptr || !built || triangleStore.empty()) return false;

    float scratch[16];
    const float* inverse = worldToModel(scratch);
    Vec3 c = transformPoint(inverse, load3(center));
    if (!allFinite(modelMatrix, 16) || !allFinite(inverse, 16) || !allFinite(c.e, 3) || !allFinite(&radius, 1)) {
        return false;
    }

    return walkTree(
        root, [&](const BoxTreeNode& node) { return boxHitsSphere(node, c, radius); },
        [&](const BoxTreeNode* node) {
            for (int k = nodeTriangleCount(node) - 1; k >= 0; --k) {
                const BoxedTriangle* t = nodeTriangleAtUnchecked(node, k);
                Vec3 p;
                if (!t->finiteVertices || !sphereHitsTriangle(*t, c, radius, &p)) continue;
                store3(p, hitPointModel);
                hitOwnTriangle = *static_cast<const Triangle*>(t);
                hitOwnIndex = indexOf(t);
                return true;
            }
            return false;
        });
}

bool CollisionModel3DImpl::hitTriangleIndices(int* ownIndex, int* otherIndex) {
    if (ownIndex != nullptr) *ownIndex = hitOwnIndex;
    if (otherIndex != nullptr) *otherIndex = hitOtherIndex;
    return true;
}

namespace {

// Writes the vertices of t as nine floats, through m when given.
void writeTriangle(const Triangle& t, const float* m, float* out) {
    const float* vertices[3] = {t.a, t.b, t.c};
    for (int k = 0; k < 3; ++k) {
        Vec3 v = load3(vertices[k]);
        if (m != nullptr) v = transformPoint(m, v);
        store3(v, out + 3 * k);
    }
}

}  // namespace

bool CollisionModel3DImpl::hitTriangles(float* ownTriangle, float* otherTriangle, bool modelSpace) {
    const float* toWorld = modelSpace ? nullptr : modelMatrix;
    if (ownTriangle != nullptr) writeTriangle(hitOwnTriangle, toWorld, ownTriangle);
    if (otherTriangle == nullptr) return true;
    writeTriangle(hitOtherTriangle, toWorld, otherTriangle);
    return true;
}

bool CollisionModel3DImpl::hitPoint(float* point, bool modelSpace) {
    if (point == nullptr) return true;
    Vec3 p = lastQuery == ModelQuery ? contactPoint(hitOwnTriangle, hitOtherTriangle) : load3(hitPointModel);
    if (!modelSpace) p = transformPoint(modelMatrix, p);
    store3(p, point);
    return true;
}

}  // namespace coldet

extern "C" CollisionModel3D* newCollisionModel3D(bool cacheInverse) {
    return new (std::nothrow) coldet::CollisionModel3DImpl(cacheInverse);
}
