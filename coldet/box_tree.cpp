#include <algorithm>
#include <cmath>
#include <utility>

#include "coldet_box_tree.h"

namespace coldet {

namespace {

// Start values of the bounds search: the float nearest to ±9·10⁹ (8,999,999,488).
constexpr float BoundsStart = 9.0e9f;
// A flat box gets this full thickness on its flat axis (model units), so that
// the oriented-box tests never see a zero extent on an inner node.
constexpr float FlatWidth = 0.002f;
constexpr float FlatHalfWidth = 0.001f;
// The float nearest to one third; centroids multiply by it (no division).
constexpr float OneThird = 0.33333334f;

}  // namespace

void Box::setBox(const float* newCorner, const float* newSize) {
    for (int i = 0; i < 3; ++i) {
        corner[i] = newCorner[i];
        size[i] = newSize[i];
        center[i] = newSize[i] * 0.5f + newCorner[i];
    }
}

Triangle::Triangle(const Vec3& va, const Vec3& vb, const Vec3& vc) {
    for (int i = 0; i < 3; ++i) {
        a[i] = va[i];
        b[i] = vb[i];
        c[i] = vc[i];
        centroid[i] = (va[i] + vb[i] + vc[i]) * OneThird;
    }
}

BoxedTriangle::BoxedTriangle(const Vec3& va, const Vec3& vb, const Vec3& vc)
    : BoxTreeNode(true),
      Triangle(va, vb, vc),
      finiteVertices(allFinite(va.e, 3) && allFinite(vb.e, 3) && allFinite(vc.e, 3)) {
    float low[3];
    float extent[3];
    for (int i = 0; i < 3; ++i) {
        float lo = std::min(std::min(va[i], vb[i]), vc[i]);
        float hi = std::max(std::max(va[i], vb[i]), vc[i]);
        low[i] = lo;
        extent[i] = hi - lo;
    }
    setBox(low, extent);
}

BoxedTriangle* BoxedTriangle::triangleAt(int i) const { return i == 0 ? const_cast<BoxedTriangle*>(this) : nullptr; }

BoxTreeInnerNode::~BoxTreeInnerNode() {
    // Owned children are always inner nodes. Detach them onto a list and
    // delete them one at a time, so that destroying a degenerate tree of
    // 100,000 levels does not recurse 100,000 deep.
    std::vector<BoxTreeNode*> doomed;
    auto detach = [&doomed](BoxTreeInnerNode* node) {
        if (node->first != nullptr && node->ownsFirst) doomed.push_back(node->first);
        if (node->second != nullptr && node->ownsSecond) doomed.push_back(node->second);
        node->first = nullptr;
        node->second = nullptr;
    };
    detach(this);
    while (!doomed.empty()) {
        BoxTreeNode* node = doomed.back();
        doomed.pop_back();
        if (!node->terminal()) detach(static_cast<BoxTreeInnerNode*>(node));
        delete node;  // now childless: its own destructor does no further work
    }
}

int BoxTreeInnerNode::childCount() const { return nodeChildCount(this); }

BoxTreeNode* BoxTreeInnerNode::childAt(int i) const { return nodeChildAt(this, i); }

int BoxTreeInnerNode::triangleCount() const { return nodeTriangleCount(this); }

BoxedTriangle* BoxTreeInnerNode::triangleAt(int i) const {
    if (i < 0 || static_cast<size_t>(i) >= members.size()) return nullptr;
    return members[static_cast<size_t>(i)];
}

Vec3 BoxTreeInnerNode::fitBounds() {
    Vec3 sum = vec3(0.0f, 0.0f, 0.0f);
    for (const BoxedTriangle* t : members) {
        for (int i = 0; i < 3; ++i) sum[i] += t->centroid[i];
    }
    Vec3 mean = sum * (1.0f / static_cast<float>(members.size()));

    float low[3] = {BoundsStart, BoundsStart, BoundsStart};
    float high[3] = {-BoundsStart, -BoundsStart, -BoundsStart};
    auto include = [&low, &high](const float* v) {
        for (int i = 0; i < 3; ++i) {
            // Infinite and NaN coordinates are left out: their triangles are
            // never reported, and one of them would otherwise give this box
            // an infinite size and a NaN center that no query could pass.
            if (!allFinite(v + i, 1)) continue;
            if (v[i] < low[i]) low[i] = v[i];
            if (v[i] > high[i]) high[i] = v[i];
        }
    };
    for (const BoxedTriangle* t : members) {
        include(t->a);
        include(t->b);
        include(t->c);
    }
    float extent[3];
    for (int i = 0; i < 3; ++i) {
        extent[i] = high[i] - low[i];
        if (extent[i] == 0.0f) {
            extent[i] = FlatWidth;
            low[i] -= FlatHalfWidth;
        }
    }
    for (int i = 0; i < 3; ++i) {
        corner[i] = low[i];
        size[i] = extent[i];
        center[i] = low[i] + extent[i] * 0.5f;
    }
    return mean;
}

int BoxTreeInnerNode::splitBox(const Vec3& mean) {
    float spread[3] = {0.0f, 0.0f, 0.0f};
    for (const BoxedTriangle* t : members) {
        for (int i = 0; i < 3; ++i) spread[i] += std::fabs(t->centroid[i] - mean[i]);
    }
    // x wins every tie (and every NaN comparison).
    int axis = 0;
    if (spread[1] > spread[0] && spread[1] > spread[2]) {
        axis = 1;
    } else if (spread[2] > spread[0] && spread[2] > spread[1]) {
        axis = 2;
    }

    float offset = mean[axis] - corner[axis];
    BoxTreeInnerNode* low = new BoxTreeInnerNode();
    BoxTreeInnerNode* high = new BoxTreeInnerNode();
    first = low;
    ownsFirst = true;
    second = high;
    ownsSecond = true;

    float lowSize[3] = {size[0], size[1], size[2]};
    lowSize[axis] = offset;
    low->setBox(corner, lowSize);

    float highCorner[3] = {corner[0], corner[1], corner[2]};
    float highSize[3] = {size[0], size[1], size[2]};
    highCorner[axis] = corner[axis] + offset;
    highSize[axis] = size[axis] - offset;
    high->setBox(highCorner, highSize);
    return axis;
}

void BoxTreeInnerNode::subdivide() {
    // An explicit stack in place of recursion: popping first before second
    // visits the nodes in the same depth-first order a recursive build would.
    std::vector<BoxTreeInnerNode*> pending;
    pending.push_back(this);
    while (!pending.empty()) {
        BoxTreeInnerNode* node = pending.back();
        pending.pop_back();
        if (node->members.empty()) continue;

        Vec3 mean = node->fitBounds();
        int axis = node->splitBox(mean);
        BoxTreeInnerNode* low = static_cast<BoxTreeInnerNode*>(node->first);
        BoxTreeInnerNode* high = static_cast<BoxTreeInnerNode*>(node->second);
        for (BoxedTriangle* t : node->members) {
            if (t->centroid[axis] < mean[axis]) {
                low->members.push_back(t);
            } else {
                high->members.push_back(t);
            }
        }

        size_t count = node->members.size();
        if (low->members.size() == count || high->members.size() == count) {
            // The split separated nothing: this node keeps its triangles.
            delete low;
            delete high;
            node->first = nullptr;
            node->second = nullptr;
            continue;
        }
        std::vector<BoxedTriangle*>().swap(node->members);

        // A child with a single member is replaced by that triangle, which
        // belongs to the store, not to the tree.
        if (low->members.size() == 1) {
            node->first = low->members[0];
            node->ownsFirst = false;
            delete low;
            low = nullptr;
        }
        if (high->members.size() == 1) {
            node->second = high->members[0];
            node->ownsSecond = false;
            delete high;
            high = nullptr;
        }
        if (high != nullptr) pending.push_back(high);
        if (low != nullptr) pending.push_back(low);
    }
}

}  // namespace coldet
