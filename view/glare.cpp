// Sun glare element table; see glare.h.
#include "view/glare.h"

GlareElement GlareTable[GlareCapacity] = {};
int GlareCount = 0;
float GlareColor[3] = {1.0f, 1.0f, 0.8f};

namespace {

struct GlareRow {
    int textureIndex;
    float elementSize;
    float linePosition;
    double colorFactor;
};

// In drawing order; elements 1 and 9 sit on the sun, element 4 on the view centre.
const GlareRow GlareRows[GlareCapacity] = {
    {2, 0.045f, 1.3f, 0.6},  {2, 0.14f, 1.0f, 0.3},   {1, 0.18f, 0.5f, 0.3},  {3, 0.045f, 0.2f, 0.1},
    {0, 0.04f, 0.0f, 0.3},   {5, 0.04f, -0.25f, 0.3}, {5, 0.02f, -0.4f, 0.2}, {5, 0.04f, -0.6f, 0.2},
    {5, 0.03f, -1.0f, 0.15}, {2, 0.1f, 1.0f, 0.4},
};

}  // namespace

void buildGlareTable() {
    for (int i = 0; i < GlareCapacity; ++i) {
        GlareElement& e = GlareTable[i];
        e.textureIndex = GlareRows[i].textureIndex;
        e.elementSize = GlareRows[i].elementSize;
        e.linePosition = GlareRows[i].linePosition;
        for (int c = 0; c < 3; ++c) {
            e.color[c] = static_cast<float>(GlareRows[i].colorFactor * GlareColor[c]);
        }
    }
    GlareCount = GlareCapacity;
}
