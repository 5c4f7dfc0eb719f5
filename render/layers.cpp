// Which parts of the picture are left out; see layers.h.
#include "render/layers.h"

namespace {

unsigned skipped = 0;

}  // namespace

void setSkippedLayers(unsigned mask) { skipped = mask; }

unsigned skippedLayers() { return skipped; }

bool layerDrawn(Layer layer) { return (skipped & layer) == 0; }
