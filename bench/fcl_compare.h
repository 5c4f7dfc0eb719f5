// The same model-against-model queries run through the Flexible Collision
// Library (FCL), for comparison only. Compiled when FCL is installed
// (HAVE_FCL); FCL's headers stay inside fcl_compare.cpp.
#ifndef HALVORN_BENCH_FCL_COMPARE_H
#define HALVORN_BENCH_FCL_COMPARE_H

#include <cstddef>
#include <memory>
#include <vector>

#include "bench_geometry.h"

namespace bench {

// Bounding-volume precision of an FCL mesh: OBBRSS boxes in float or double.
enum class FclPrecision { Float, Double };

// One pose set prepared for FCL: both meshes as BVHModel<OBBRSS> in float and
// in double, and every pose pair converted to FCL transforms up front, so that
// the timed query does nothing but collide.
class FclPoseSet {
public:
    FclPoseSet(const Mesh& own, const Mesh& other, const std::vector<PosePair>& poses);
    ~FclPoseSet();
    FclPoseSet(const FclPoseSet&) = delete;
    FclPoseSet& operator=(const FclPoseSet&) = delete;

    // True when FCL finds a contact for pose pair i (stops at the first contact).
    bool collide(FclPrecision precision, std::size_t i);

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

}  // namespace bench

#endif
