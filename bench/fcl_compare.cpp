// FCL side of the comparison; see fcl_compare.h.
#include "fcl_compare.h"

#include <fcl/fcl.h>

namespace bench {

namespace {

template <typename S>
std::shared_ptr<fcl::BVHModel<fcl::OBBRSS<S>>> makeModel(const Mesh& mesh) {
    std::vector<fcl::Vector3<S>> vertices;
    std::vector<fcl::Triangle> triangles;
    vertices.reserve(mesh.size() * 3);
    for (const Triangle& t : mesh) {
        const std::size_t base = vertices.size();
        for (std::size_t k = 0; k < 3; ++k)
            vertices.emplace_back(static_cast<S>(t[3 * k]), static_cast<S>(t[3 * k + 1]), static_cast<S>(t[3 * k + 2]));
        triangles.emplace_back(base, base + 1, base + 2);
    }
    auto model = std::make_shared<fcl::BVHModel<fcl::OBBRSS<S>>>();
    model->beginModel(static_cast<int>(triangles.size()), static_cast<int>(vertices.size()));
    model->addSubModel(vertices, triangles);
    model->endModel();
    return model;
}

// Our column-major float matrix as an FCL rigid transform.
template <typename S>
fcl::Transform3<S> toTransform(const Matrix& m) {
    fcl::Transform3<S> tf = fcl::Transform3<S>::Identity();
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col)
            tf.linear()(row, col) = static_cast<S>(m[static_cast<std::size_t>(4 * col + row)]);
        tf.translation()(row) = static_cast<S>(m[static_cast<std::size_t>(12 + row)]);
    }
    return tf;
}

template <typename S>
struct Side {
    std::shared_ptr<fcl::BVHModel<fcl::OBBRSS<S>>> own, other;
    std::vector<fcl::Transform3<S>> ownPoses, otherPoses;
    // One contact, no contact details: FCL stops at the first intersecting pair.
    fcl::CollisionRequest<S> request{1, false};
    fcl::CollisionResult<S> result;

    Side(const Mesh& ownMesh, const Mesh& otherMesh, const std::vector<PosePair>& poses)
        : own(makeModel<S>(ownMesh)), other(makeModel<S>(otherMesh)) {
        ownPoses.reserve(poses.size());
        otherPoses.reserve(poses.size());
        for (const PosePair& p : poses) {
            ownPoses.push_back(toTransform<S>(p.own));
            otherPoses.push_back(toTransform<S>(p.other));
        }
    }

    bool collide(std::size_t i) {
        result.clear();
        fcl::collide<S>(own.get(), ownPoses[i], other.get(), otherPoses[i], request, result);
        return result.isCollision();
    }
};

}  // namespace

struct FclPoseSet::Impl {
    Side<float> single;
    Side<double> twin;
    Impl(const Mesh& own, const Mesh& other, const std::vector<PosePair>& poses)
        : single(own, other, poses), twin(own, other, poses) {}
};

FclPoseSet::FclPoseSet(const Mesh& own, const Mesh& other, const std::vector<PosePair>& poses)
    : impl(std::make_unique<Impl>(own, other, poses)) {}

FclPoseSet::~FclPoseSet() = default;

bool FclPoseSet::collide(FclPrecision precision, std::size_t i) {
    return precision == FclPrecision::Float ? impl->single.collide(i) : impl->twin.collide(i);
}

}  // namespace bench
