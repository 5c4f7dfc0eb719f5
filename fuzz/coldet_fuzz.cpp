// libFuzzer target for the collision library: builds two models from the
// input bytes and runs every operation of the public header on them, checking
// the promises that hold for any input (no crash, Inconsistency exactly where
// the calling order is broken, no hit from non-finite input, indices in range).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "coldet.h"

namespace {

// Reads the fuzz input front to back; past the end every read yields zero.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    std::uint8_t byte() { return position < size ? data[position++] : 0; }

    // Mostly small values on a 1/8 grid (so triangles touch, share edges and
    // lie in one plane often); sometimes a raw bit pattern (NaN, infinities,
    // denormals, huge values).
    float coordinate() {
        std::uint8_t tag = byte();
        if (tag < 224) return (static_cast<int>(tag) - 112) / 8.0f;
        std::uint32_t bits = 0;
        for (int i = 0; i < 4; ++i) bits = (bits << 8) | byte();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    void point(float* p) {
        for (int i = 0; i < 3; ++i) p[i] = coordinate();
    }

    // Identity, a translation, a quarter turn with translation, or sixteen
    // arbitrary coordinates.
    void matrix(float* m) {
        static const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        std::memcpy(m, identity, sizeof identity);
        switch (byte() & 3) {
        case 0:
            break;
        case 1:
            point(m + 12);
            break;
        case 2:
            m[0] = 0, m[1] = 1, m[4] = -1, m[5] = 0;
            point(m + 12);
            break;
        default:
            for (int i = 0; i < 16; ++i) m[i] = coordinate();
            break;
        }
    }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position = 0;
};

[[noreturn]] void broken() { std::abort(); }

void check(bool promise) {
    if (!promise) broken();
}

bool finite(const float* v, int n) {
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(v[i])) return false;
    }
    return true;
}

template <typename Call>
void expectInconsistency(Call call) {
    try {
        call();
    } catch (const Inconsistency&) {
        return;
    }
    broken();
}

// Runs the getters; the indices must name triangles of the models.
void readHit(CollisionModel3D& model, int ownCount, int otherCount, bool modelQuery) {
    int own = -1, other = -1;
    check(model.hitTriangleIndices(&own, &other));
    check(own >= 0 && own < ownCount);
    if (modelQuery) check(other >= 0 && other < otherCount);
    float first[9], second[9], point[3];
    check(model.hitTriangles(first, second, true));
    check(finite(first, 9));  // triangles with non-finite vertices are never reported
    check(model.hitTriangles(first, nullptr, false));
    check(model.hitTriangles(nullptr, second, false));
    check(model.hitPoint(point, true));
    check(model.hitPoint(point, false));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const std::uint8_t flags = in.byte();
    const int counts[2] = {in.byte() % 48, in.byte() % 48};
    std::unique_ptr<CollisionModel3D> models[2] = {std::unique_ptr<CollisionModel3D>(newCollisionModel3D(flags & 1)),
                                                   std::unique_ptr<CollisionModel3D>(newCollisionModel3D(flags & 2))};
    check(models[0] && models[1]);
    CollisionModel3D& a = *models[0];
    CollisionModel3D& b = *models[1];

    // Filling.
    for (int k = 0; k < 2; ++k) {
        models[k]->reserveTriangles(static_cast<int>(in.byte()) - 64);
        for (int i = 0; i < counts[k]; ++i) {
            float v[9];
            for (float& x : v) x = in.coordinate();
            if (in.byte() & 1) {
                models[k]->appendTriangle(v, v + 3, v + 6);
            } else {
                models[k]->appendTriangle(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
            }
        }
    }
    float origin[3], direction[3];
    in.point(origin);
    in.point(direction);
    check(!a.testRay(origin, direction, true, 0.0f, 1e31f));
    check(!a.testSphere(origin, in.coordinate()));
    expectInconsistency([&] { a.testModel(&b); });

    a.buildTree();
    const bool bBuilt = flags & 4;
    if (bBuilt) b.buildTree();
    if (!bBuilt) expectInconsistency([&] { a.testModel(&b); });
    expectInconsistency([&] { a.buildTree(); });
    expectInconsistency([&] { a.appendTriangle(origin, origin, origin); });
    a.reserveTriangles(in.byte());  // ignored once built

    // Placement.
    float matrixA[16], matrixB[16], otherMatrix[16];
    in.matrix(matrixA);
    in.matrix(matrixB);
    in.matrix(otherMatrix);
    a.setModelMatrix(matrixA);
    b.setModelMatrix(matrixB);

    // Model against model.
    if (bBuilt) {
        const unsigned limit = (flags & 8) ? in.byte() % 3 : 0;
        for (int round = 0; round < 2; ++round) {
            CollisionModel3D& own = round == 0 ? a : b;
            CollisionModel3D& other = round == 0 ? b : a;
            const int ownCount = counts[round], otherCount = counts[1 - round];
            const float* ownMatrix = round == 0 ? matrixA : matrixB;
            const float* placement = round == 0 ? matrixB : matrixA;
            for (bool useOtherMatrix : {false, true}) {
                const float* given = useOtherMatrix ? otherMatrix : nullptr;
                bool hit = false;
                try {
                    hit = own.testModel(&other, -1, limit, given);
                } catch (const TimeoutExpired&) {
                    check(limit != 0);
                    continue;
                }
                if (hit) {
                    check(ownCount > 0 && otherCount > 0);
                    check(finite(ownMatrix, 16) && finite(given ? given : placement, 16));
                    readHit(own, ownCount, otherCount, true);
                }
            }
        }
    }

    // Rays and spheres, with odd segment values.
    const float segmentStart = in.coordinate();
    const float segmentEnd = in.coordinate();
    const bool nearestHit = a.testRay(origin, direction, true, segmentStart, segmentEnd);
    if (nearestHit) readHit(a, counts[0], counts[1], false);
    const bool firstHit = a.testRay(origin, direction, false, segmentStart, segmentEnd);
    if (firstHit) readHit(a, counts[0], counts[1], false);
    check(!nearestHit || firstHit);
    if (firstHit) check(finite(origin, 3) && finite(direction, 3) && finite(matrixA, 16));

    float center[3];
    in.point(center);
    const float radius = in.coordinate();
    if (a.testSphere(center, radius)) {
        check(finite(center, 3) && std::isfinite(radius) && finite(matrixA, 16));
        readHit(a, counts[0], counts[1], false);
    }
    if (bBuilt && b.testSphere(center, radius)) readHit(b, counts[1], counts[0], false);

    // The free sphere tests.
    float point[3];
    const float radius2 = in.coordinate();
    if (SphereRayCollision(center, radius, origin, direction, point)) {
        check(finite(center, 3) && std::isfinite(radius) && finite(origin, 3) && finite(direction, 3));
    }
    if (SphereSphereCollision(center, radius, origin, radius2, point)) {
        check(finite(center, 3) && finite(origin, 3));
    }
    return 0;
}
