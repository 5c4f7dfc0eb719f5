// Parts of the picture that can be left out, to measure what each one costs
// (`halvorn --bench --skip backdrop,glare`). A frame with a part left out is
// not the battle's picture; the battle itself runs the same either way.
//
// The names and their parsing need no GL and no renderer (the command line
// checks them); which parts are left out is kept by the renderer.
#ifndef HALVORN_RENDER_LAYERS_H
#define HALVORN_RENDER_LAYERS_H

#include <string>

enum Layer : unsigned {
    LayerBackdrop = 1u << 0,  // star cube faces and the sun square
    LayerShips = 1u << 1,     // ship lists
    LayerShots = 1u << 2,     // bolt and beam lists
    LayerDebris = 1u << 3,    // explosion debris
    LayerGlow = 1u << 4,      // explosion glow shells
    LayerFlash = 1u << 5,     // explosion flash sprites
    LayerGlare = 1u << 6,     // the sun's lens glare
};

struct LayerName {
    const char* name;
    unsigned bit;
};

inline constexpr LayerName LayerNames[] = {
    {"backdrop", LayerBackdrop}, {"ships", LayerShips}, {"shots", LayerShots}, {"debris", LayerDebris},
    {"glow", LayerGlow},         {"flash", LayerFlash}, {"glare", LayerGlare},
};

// Parses a comma-separated list of layer names ("backdrop,glare") into *mask.
// False, with the first name not known (or "" for an empty item) in *bad.
inline bool parseLayers(const std::string& list, unsigned* mask, std::string* bad) {
    unsigned bits = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = list.find(',', start);
        const std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        bool known = false;
        for (const LayerName& l : LayerNames) {
            if (item == l.name) {
                bits |= l.bit;
                known = true;
            }
        }
        if (!known) {
            *bad = item;
            return false;
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    *mask = bits;
    return true;
}

// The names of the layers in mask, comma-separated, in the order above ("" for none).
inline std::string layerList(unsigned mask) {
    std::string text;
    for (const LayerName& l : LayerNames) {
        if ((mask & l.bit) != 0) {
            if (!text.empty()) text += ",";
            text += l.name;
        }
    }
    return text;
}

// Leaves the layers in mask out of every frame from now on (0: draw everything).
void setSkippedLayers(unsigned mask);

// The layers left out.
unsigned skippedLayers();

// True unless `layer` is left out.
bool layerDrawn(Layer layer);

#endif
