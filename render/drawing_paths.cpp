// The drawing paths in force; see drawing_paths.h.
#include "render/drawing_paths.h"

namespace {

DrawingPaths current;

}  // namespace

void setDrawingPaths(const DrawingPaths& paths) { current = paths; }

DrawingPaths drawingPaths() { return current; }
