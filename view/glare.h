// Sun glare: the table of the ten lens-glare elements strung along the screen
// line from the sun through the view centre. The table is rebuilt with every
// battle build; the renderer draws it.
#ifndef HALVORN_VIEW_GLARE_H
#define HALVORN_VIEW_GLARE_H

struct GlareElement {
    int textureIndex;    // k: uses entry 2 + k of the texture names
    float elementSize;   // half-size of the square before the factor 1.5, units
    float linePosition;  // 1 at the sun's marker, 0 at the view centre, negative beyond
    float color[3];      // r, g, b
};

// Room for the ten elements of the table.
constexpr int GlareCapacity = 10;

extern GlareElement GlareTable[GlareCapacity];

// Elements in use: 10 after buildGlareTable, 0 before the first build.
extern int GlareCount;

// Base colour of every element, (1.0, 1.0, 0.8) from program start.
extern float GlareColor[3];

// Fills the ten elements (colour = factor * GlareColor, rounded to float) and
// sets GlareCount = 10.
void buildGlareTable();

#endif
