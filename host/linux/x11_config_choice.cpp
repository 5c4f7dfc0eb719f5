#include "x11_config_choice.h"

#include <tuple>

namespace {

// Larger is better; ties go to the earlier configuration.
std::tuple<int, int, int, int, int> rank(const EglConfigTraits& c, unsigned long visualId, int depth) {
    const int visual = c.visualId == visualId ? 2 : (depth > 0 && c.visualDepth == depth ? 1 : 0);
    return {visual, c.slow ? 0 : 1, c.depthBits >= 24 ? 1 : 0, c.samples == 0 ? 1 : 0, -c.stencilBits};
}

}  // namespace

int chooseEglConfig(const std::vector<EglConfigTraits>& configs, unsigned long visualId, int depth, VisualMatch match) {
    int best = -1;
    std::tuple<int, int, int, int, int> bestRank;
    for (int i = 0; i < static_cast<int>(configs.size()); ++i) {
        const EglConfigTraits& c = configs[static_cast<std::size_t>(i)];
        if (c.visualId == 0 || c.depthBits < MinDepthBufferBits) continue;
        const auto r = rank(c, visualId, depth);
        if (std::get<0>(r) == 0 && match != VisualMatch::Any) continue;
        if (best < 0 || r > bestRank) {
            best = i;
            bestRank = r;
        }
    }
    return best;
}
