// Collision hulls of the two ship classes.
//
// Each row is one triangle: the first, second and third vertex as (x, y, z),
// nine floats, in ship coordinates (world units, +x is the ship's forward
// axis). A ship's collision model receives the rows in order, so a row number
// is also the triangle index that the collision library reports for a hit.
#ifndef HALVORN_SIM_HULL_DATA_H
#define HALVORN_SIM_HULL_DATA_H

// Rows of the hull of side 0.
constexpr int HullATriangleCount = 24;

// Rows of the hull of side 1.
constexpr int HullBTriangleCount = 17;

// Hull of side 0: a box of side 20 with two flat wings at z = +16 and z = -16.
extern const float HullA[HullATriangleCount][9];

// Hull of side 1: a nose cone 80 long along +x and four swept fins.
extern const float HullB[HullBTriangleCount][9];

#endif
