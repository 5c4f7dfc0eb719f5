#include "wayland_logic.h"

#include <cmath>
#include <tuple>

int chooseWaylandConfig(const std::vector<WaylandConfigTraits>& configs) {
    int best = -1;
    std::tuple<int, int, int, int, int> bestRank;
    for (int i = 0; i < static_cast<int>(configs.size()); ++i) {
        const WaylandConfigTraits& c = configs[static_cast<std::size_t>(i)];
        if (c.depthBits < 16) continue;
        const std::tuple<int, int, int, int, int> rank = {c.red == 8 && c.green == 8 && c.blue == 8, c.alpha == 0,
                                                          !c.slow, c.depthBits >= 24, c.samples == 0};
        if (best < 0 || rank > bestRank) {
            best = i;
            bestRank = rank;
        }
    }
    return best;
}

BufferSize bufferSizeFor(int logicalWidth, int logicalHeight, int scale, int fractional120) {
    auto side = [&](int logical) {
        const long long pixels = fractional120 > 0 ? std::llround(static_cast<double>(logical) * fractional120 / 120.0)
                                                   : static_cast<long long>(logical) * (scale > 1 ? scale : 1);
        return pixels < 1 ? 1 : (pixels > 65535 ? 65535 : static_cast<int>(pixels));
    };
    return {side(logicalWidth), side(logicalHeight)};
}

void ShownClock::drawnAfterWait(std::uint32_t dueMs, std::uint32_t wallMs) {
    const std::int32_t late = static_cast<std::int32_t>(wallMs - dueMs);
    if (late > HiddenAfterMs) hiddenMs_ += static_cast<std::uint32_t>(late);
}

void PointerWatch::entered(double x, double y) {
    inside_ = true;
    x_ = x;
    y_ = y;
}

bool PointerWatch::movedFar(double x, double y) const {
    return inside_ && std::fabs(x - x_) + std::fabs(y - y_) > PointerThreshold;
}
