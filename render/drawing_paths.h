// Two ways the renderer can draw the same things, for measuring one against
// the other (`halvorn --bench --debris immediate`): explosion debris painted
// late and grouped by stipple mask, or stippled as it comes
// (render/debris_batch.h); the ship lists drawn once per ship compiled merged,
// or as the mesh emitters write them (render/merging_sink.h). The battle runs
// the same either way; the defaults are the faster paths.
//
// The names and their parsing need no GL and no renderer (the command line
// checks them); the choice in force is kept by the renderer.
#ifndef HALVORN_RENDER_DRAWING_PATHS_H
#define HALVORN_RENDER_DRAWING_PATHS_H

#include <string>

struct DrawingPaths {
    bool lateDebris = true;   // debris painted late by mask ("late"), else as it comes ("immediate")
    bool mergedLists = true;  // ship lists merged ("merged"), else as written ("plain")
};

// "late" or "immediate" into *late; false, *late unchanged, for any other text.
inline bool parseDebrisPath(const std::string& text, bool* late) {
    if (text != "late" && text != "immediate") return false;
    *late = text == "late";
    return true;
}

// "merged" or "plain" into *merged; false, *merged unchanged, for any other text.
inline bool parseListsPath(const std::string& text, bool* merged) {
    if (text != "merged" && text != "plain") return false;
    *merged = text == "merged";
    return true;
}

// The paths that are not the defaults, as "debris immediate, lists plain"
// ("" when both are the defaults).
inline std::string changedPaths(const DrawingPaths& paths) {
    std::string text;
    if (!paths.lateDebris) text = "debris immediate";
    if (!paths.mergedLists) text += std::string(text.empty() ? "" : ", ") + "lists plain";
    return text;
}

// Draws by `paths` from now on: debris from the next shell it paints, ship
// lists from the next battle build. Change them between frames only, when no
// debris is recorded.
void setDrawingPaths(const DrawingPaths& paths);

// The paths in force (the defaults until set).
DrawingPaths drawingPaths();

#endif
