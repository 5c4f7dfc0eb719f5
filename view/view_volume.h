// View volume: the six clip planes of the current view, the sphere and box
// visibility tests that drawing uses to skip what cannot be seen, and the
// billboard axes (the view's right and up directions in world coordinates).
// Matrices are sixteen floats, column-major (OpenGL's layout); distances are
// world units.
#ifndef HALVORN_VIEW_VIEW_VOLUME_H
#define HALVORN_VIEW_VIEW_VOLUME_H

#include "sim/math3d.h"

// Plane order.
enum ViewPlane { PlaneRight = 0, PlaneLeft, PlaneBottom, PlaneTop, PlaneFar, PlaneNear };

class ViewVolume {
public:
    // Refreshes the six planes from clip matrix C = projection * modelView; each
    // plane (a, b, c, d) is scaled so that (a, b, c) has unit length (a plane
    // with no direction becomes (0, 0, 0, 1): everything is inside it).
    void extractPlanes(const float projection[16], const float modelView[16]);

    // 1 when the sphere (centre, radius) is not wholly outside any plane, else 0;
    // touching a plane from outside counts as visible.
    int sphereVisible(float x, float y, float z, float radius) const;

    // 1 when, for every plane, a corner of the box (centre, half-extents) is
    // strictly inside it, else 0.
    int boxVisible(float x, float y, float z, float hx, float hy, float hz) const;

    float planes[6][4];  // right, left, bottom, top, far, near: a, b, c, d
    int spare;           // 0 from the camera's construction; documented layout, never read
};

// Camera's right and up directions in world coordinates, for sprites.
extern Vector3 viewRight;
extern Vector3 viewUp;

// viewRight := (M0, M4, M8), viewUp := (M1, M5, M9) of model-view matrix M.
void setViewAxes(const float modelView[16]);

// Reads the model-view matrix through the drawing seam and sets the axes;
// first thing in each frame's drawing.
void readViewAxes();

#endif
