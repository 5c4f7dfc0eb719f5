// The OpenGL scene: the renderer behind the battle's drawing seam, the frame
// drawing order, and the viewport with its projection. Everything here needs a
// current OpenGL context (compatibility profile, OpenGL 1.1 fixed function).
//
// Hosts reach it through the saver module's GL painter (host/common/
// gl_painter.h); the order of start-up and of a frame is the module's
// (docs/architecture.md). Sizes are pixels.
#ifndef HALVORN_RENDER_SCENE_H
#define HALVORN_RENDER_SCENE_H

// Client size of the window the battle draws into, pixels. A host stores them
// and then calls updateViewport(); a height of 0 is stored back as 1.
extern int WindowWidth;
extern int WindowHeight;

// Installs the OpenGL renderer behind the battle's drawing seam. Call once the
// context is current, before loadTextures() and startBattle().
void installRenderer();

// Goes back to drawing nothing and deletes every object the renderer made in
// the context (display lists, textures, the debris masks, the quadric); the
// context must still be current.
void uninstallRenderer();

// Viewport and projection of a window: full window, or with letterbox a
// centred band of aspect 2.35. Pure arithmetic, shared by updateViewport.
struct ViewportRect {
    int x, y, width, height;  // pixels, as handed to glViewport
    double aspect;            // width / band height, as handed to gluPerspective
};
ViewportRect computeViewport(int width, int height, bool letterbox);

// Sets the viewport and the perspective projection (55 degrees, near 0.1,
// far 22000) from WindowWidth, WindowHeight and the letterbox setting.
void updateViewport();

// Draws one frame into the cleared buffers: backdrop, ships with their
// collisions, shots with their hits, sun glare.
void drawFrame();

// The star cube and the sun, centred on the eye (depth writes off by the caller).
void drawBackdrop();

// Draws the lens glare for eye E, look-at point L and sun point S (world
// units); scale is the distance of the glare plane in front of the eye.
struct Vector3;
void drawSunGlare(const Vector3& eye, const Vector3& lookAt, const Vector3& sun, float scale);

#endif
