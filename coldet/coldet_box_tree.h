// The box tree of a collision model: axis-aligned boxes in model coordinates,
// at most two children per node, triangles at the leaves. Built once by
// BoxTreeInnerNode::subdivide on the root, read-only afterwards.
#ifndef HALVORN_COLDET_BOX_TREE_H
#define HALVORN_COLDET_BOX_TREE_H

#include <vector>

#include "coldet_geometry.h"

namespace coldet {

class BoxedTriangle;

// Axis-aligned box, model units.
class Box {
public:
    float corner[3] = {0.0f, 0.0f, 0.0f};  // minimum corner
    float size[3] = {0.0f, 0.0f, 0.0f};    // full extent per axis (max − min)
    float center[3] = {0.0f, 0.0f, 0.0f};  // corner + size·0.5, kept in step

    Box() = default;
    Box(const Box&) = default;
    Box& operator=(const Box&) = default;
    virtual ~Box() = default;

    // Sets corner and size (model units); center follows as size·0.5 + corner.
    void setBox(const float* newCorner, const float* newSize);
};

// A node of the tree: an inner node or a single triangle.
class BoxTreeNode : public Box {
public:
    BoxTreeNode(const BoxTreeNode&) = default;
    BoxTreeNode& operator=(const BoxTreeNode&) = default;
    ~BoxTreeNode() override = default;

    // True for a triangle (a leaf that is not an inner node).
    virtual bool isTerminal() const = 0;
    // Number of non-null children (0, or 2 in a built tree).
    virtual int childCount() const = 0;
    // Child 0 or 1; null for any other index or a missing child.
    virtual BoxTreeNode* childAt(int i) const = 0;
    // Number of triangles this node holds directly.
    virtual int triangleCount() const = 0;
    // Triangle i held directly, or null when i is out of range.
    virtual BoxedTriangle* triangleAt(int i) const = 0;

    // Non-virtual twin of isTerminal() for the query loops, which visit nodes
    // millions of times per second; the virtual operations answer through the
    // same inline helpers below, so both paths agree by construction.
    bool terminal() const { return terminalNode; }

protected:
    explicit BoxTreeNode(bool isTriangle) : terminalNode(isTriangle) {}

private:
    bool terminalNode;
};

// A triangle as appended: vertices in model units, in the given order.
struct Triangle {
    float a[3] = {0.0f, 0.0f, 0.0f};
    float b[3] = {0.0f, 0.0f, 0.0f};
    float c[3] = {0.0f, 0.0f, 0.0f};
    float centroid[3] = {0.0f, 0.0f, 0.0f};  // ((a + b) + c) · 0.33333334 per axis

    Triangle() = default;
    // Copies the vertices and computes the centroid.
    Triangle(const Vec3& va, const Vec3& vb, const Vec3& vc);
};

// The leaf of the tree: one stored triangle with its bounding box. Lives by
// value in the model's triangle store; the tree points at it.
class BoxedTriangle final : public BoxTreeNode, public Triangle {
public:
    // False when a vertex coordinate is infinite or NaN: such a triangle keeps
    // its place in the store and the tree but the queries never report it.
    bool finiteVertices;

    // Bounds of the three vertices (flat axes keep a size of exactly 0).
    BoxedTriangle(const Vec3& va, const Vec3& vb, const Vec3& vc);
    BoxedTriangle(const BoxedTriangle&) = default;
    BoxedTriangle& operator=(const BoxedTriangle&) = default;

    bool isTerminal() const override { return true; }
    int childCount() const override { return 0; }
    BoxTreeNode* childAt(int) const override { return nullptr; }
    int triangleCount() const override { return 1; }
    BoxedTriangle* triangleAt(int i) const override;
};

// An inner node: either two children and no members, or no children and one
// or more members (the root of an empty model has neither).
class BoxTreeInnerNode final : public BoxTreeNode {
public:
    BoxTreeNode* first = nullptr;   // child 0, null when absent
    bool ownsFirst = true;          // deleted with this node
    BoxTreeNode* second = nullptr;  // child 1, null when absent
    bool ownsSecond = true;
    std::vector<BoxedTriangle*> members;  // triangles held directly

    BoxTreeInnerNode() : BoxTreeNode(false) {}
    BoxTreeInnerNode(const BoxTreeInnerNode&) = delete;
    BoxTreeInnerNode& operator=(const BoxTreeInnerNode&) = delete;
    // Deletes the owned subtree without recursion (trees may be very deep).
    ~BoxTreeInnerNode() override;

    bool isTerminal() const override { return false; }
    int childCount() const override;
    BoxTreeNode* childAt(int i) const override;
    int triangleCount() const override;
    BoxedTriangle* triangleAt(int i) const override;

    // Splits the members into a tree below this node until every node holds
    // one triangle or a set it cannot separate. Iterative, depth first,
    // first before second.
    void subdivide();
    // Fits this box to the members' vertices (flat axes widened to 0.002) and
    // returns the mean of their centroids. Needs at least one member.
    Vec3 fitBounds();
    // Chooses the split axis from the spread about mean, creates first and
    // second with provisional halves of this box, returns the axis (0, 1, 2).
    int splitBox(const Vec3& mean);
};

// Inline helpers used by the queries and by the virtual operations alike.

inline int nodeChildCount(const BoxTreeNode* node) {
    if (node->terminal()) return 0;
    const BoxTreeInnerNode* inner = static_cast<const BoxTreeInnerNode*>(node);
    return (inner->first != nullptr ? 1 : 0) + (inner->second != nullptr ? 1 : 0);
}

inline BoxTreeNode* nodeChildAt(const BoxTreeNode* node, int i) {
    if (node->terminal()) return nullptr;
    const BoxTreeInnerNode* inner = static_cast<const BoxTreeInnerNode*>(node);
    if (i == 0) return inner->first;
    if (i == 1) return inner->second;
    return nullptr;
}

inline int nodeTriangleCount(const BoxTreeNode* node) {
    if (node->terminal()) return 1;
    return static_cast<int>(static_cast<const BoxTreeInnerNode*>(node)->members.size());
}

// Triangle i of a node; i must be in range (the callers loop over the count).
inline BoxedTriangle* nodeTriangleAtUnchecked(const BoxTreeNode* node, int i) {
    if (node->terminal()) return const_cast<BoxedTriangle*>(static_cast<const BoxedTriangle*>(node));
    return static_cast<const BoxTreeInnerNode*>(node)->members[static_cast<size_t>(i)];
}

}  // namespace coldet

#endif
