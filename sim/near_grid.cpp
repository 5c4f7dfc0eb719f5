// Uniform grid for near-box candidates; see near_grid.h.
#include "sim/near_grid.h"

#include <algorithm>
#include <cmath>

namespace {

// Cell edge, units: at least twice the widened half-box, so a box meets at
// most two cells per axis.
constexpr double CellSize = 141.0;

// Half-edge of the near box with its safety margin, units.
constexpr double WidenedHalfBox = 70.5;

// Coordinates up to this magnitude get a cell; the cell numbers then stay
// within 21 bits (signed), three of which fit one 64-bit key.
constexpr double GridReach = 1.0e8;

constexpr std::int64_t CellBias = std::int64_t{1} << 20;

std::int64_t cellOf(double v) { return static_cast<std::int64_t>(std::floor(v / CellSize)); }

std::uint64_t keyOf(std::int64_t cx, std::int64_t cy, std::int64_t cz) {
    return (static_cast<std::uint64_t>(cx + CellBias) << 42) | (static_cast<std::uint64_t>(cy + CellBias) << 21) |
           static_cast<std::uint64_t>(cz + CellBias);
}

bool inReach(double v) {
    return v > -GridReach && v < GridReach;  // false for NaN as well
}

}  // namespace

namespace {

// Key of a point that is left out of the cells.
constexpr std::uint64_t NoCell = ~std::uint64_t{0};

std::uint64_t bucketOf(std::uint64_t key, std::uint64_t mask) {
    // Fibonacci hashing spreads neighbouring cells over the table.
    return ((key * 0x9E3779B97F4A7C15ull) >> 32) & mask;
}

}  // namespace

void NearGrid::build(const float* xyz, int count) {
    count_ = count < 0 ? 0 : count;
    far_.clear();
    pointKeys_.resize(static_cast<std::size_t>(count_));
    int cells = 0;
    for (int i = 0; i < count_; ++i) {
        const double x = xyz[3 * i];
        const double y = xyz[3 * i + 1];
        const double z = xyz[3 * i + 2];
        pointKeys_[i] = NoCell;
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
            continue;  // fails every near test
        }
        if (!inReach(x) || !inReach(y) || !inReach(z)) {
            far_.push_back(i);
            continue;
        }
        pointKeys_[i] = keyOf(cellOf(x), cellOf(y), cellOf(z));
        ++cells;
    }
    // Twice as many buckets as points, a power of two.
    std::uint64_t buckets = 16;
    while (buckets < 2u * static_cast<std::uint64_t>(cells)) {
        buckets *= 2;
    }
    bucketMask_ = buckets - 1;
    bucketStart_.assign(buckets + 1, 0);
    for (int i = 0; i < count_; ++i) {
        if (pointKeys_[i] != NoCell) {
            bucketStart_[bucketOf(pointKeys_[i], bucketMask_) + 1] += 1;
        }
    }
    for (std::uint64_t b = 0; b < buckets; ++b) {
        bucketStart_[b + 1] += bucketStart_[b];
    }
    // Counting sort, stable: each bucket keeps ascending point order.
    slotIndex_.resize(static_cast<std::size_t>(cells));
    slotKey_.resize(static_cast<std::size_t>(cells));
    std::vector<int>& fill = fill_;
    fill.assign(bucketStart_.begin(), bucketStart_.end() - 1);
    for (int i = 0; i < count_; ++i) {
        const std::uint64_t key = pointKeys_[i];
        if (key != NoCell) {
            const int slot = fill[bucketOf(key, bucketMask_)]++;
            slotIndex_[slot] = i;
            slotKey_[slot] = key;
        }
    }
}

void NearGrid::query(float x, float y, float z, int after, std::vector<int>& out) const {
    out.clear();
    const double px = x;
    const double py = y;
    const double pz = z;
    if (!std::isfinite(px) || !std::isfinite(py) || !std::isfinite(pz)) {
        return;  // a non-finite position is near nothing
    }
    const double reach = GridReach - 2.0 * CellSize;
    if (!(px > -reach && px < reach && py > -reach && py < reach && pz > -reach && pz < reach)) {
        // Out at the grid's edge: every point is a candidate.
        for (int i = after + 1; i < count_; ++i) {
            out.push_back(i);
        }
        return;
    }
    const std::int64_t x0 = cellOf(px - WidenedHalfBox);
    const std::int64_t x1 = cellOf(px + WidenedHalfBox);
    const std::int64_t y0 = cellOf(py - WidenedHalfBox);
    const std::int64_t y1 = cellOf(py + WidenedHalfBox);
    const std::int64_t z0 = cellOf(pz - WidenedHalfBox);
    const std::int64_t z1 = cellOf(pz + WidenedHalfBox);
    int runs = 0;
    for (std::int64_t cx = x0; cx <= x1; ++cx) {
        for (std::int64_t cy = y0; cy <= y1; ++cy) {
            for (std::int64_t cz = z0; cz <= z1; ++cz) {
                const std::uint64_t key = keyOf(cx, cy, cz);
                const std::uint64_t b = bucketOf(key, bucketMask_);
                const int end = bucketStart_[b + 1];
                const std::size_t before = out.size();
                for (int slot = bucketStart_[b]; slot < end; ++slot) {
                    if (slotKey_[slot] == key && slotIndex_[slot] > after) {
                        out.push_back(slotIndex_[slot]);
                    }
                }
                runs += out.size() != before ? 1 : 0;
            }
        }
    }
    for (int i : far_) {
        if (i > after) {
            out.push_back(i);
            runs += 1;
        }
    }
    // Each cell's run is ascending already; several runs need a merge.
    if (runs > 1) {
        std::sort(out.begin(), out.end());
    }
}
