// NearGrid: a uniform grid over points that answers "which points can lie
// within the near box (strictly closer than 70 units on every axis) of this
// position", in ascending point order. It only narrows the candidates: callers
// still run their exact test on each one, so a walk over the candidates makes
// exactly the tests, in exactly the order, of a walk over every point.
//
// Why the answer is a superset: a float difference fl(a - b) with magnitude
// below 70 means |a - b| < 70 * (1 + 2^-23), and the grid takes every cell that
// meets the box widened to 70.5. Points with a non-finite coordinate can never
// pass such a test and are left out; points too far out for a cell number are
// returned with every query.
#ifndef HALVORN_SIM_NEAR_GRID_H
#define HALVORN_SIM_NEAR_GRID_H

#include <cstdint>
#include <vector>

class NearGrid {
public:
    // Indexes count points, point i at xyz[3 i], xyz[3 i + 1], xyz[3 i + 2] (units).
    void build(const float* xyz, int count);

    // Replaces out by the indices of the points that may lie in the near box
    // around (x, y, z), ascending; only indices above `after` are returned.
    void query(float x, float y, float z, int after, std::vector<int>& out) const;

private:
    // Cells are hashed to buckets; a bucket's points are stored together, in
    // ascending index order, each with its cell key (buckets may share keys).
    std::vector<std::uint64_t> pointKeys_;  // cell key of every point
    std::vector<int> bucketStart_;          // bucket b holds slots [start[b], start[b + 1])
    std::vector<int> slotIndex_;            // point index of each slot
    std::vector<std::uint64_t> slotKey_;    // cell key of each slot
    std::vector<int> far_;                  // points with a coordinate beyond the grid, ascending
    std::vector<int> fill_;                 // counting-sort cursors (scratch)
    std::uint64_t bucketMask_ = 0;
    int count_ = 0;
};

#endif
