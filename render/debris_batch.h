// Explosion debris painted late and grouped by stipple mask.
//
// Every debris fragment is stippled with a mask of its own, and a software
// rasteriser such as llvmpipe has to finish its queued work whenever the
// polygon stipple changes: 75 changes per dying ship and frame. So the
// renderer records each fragment while the ships draw (with the very
// model-view matrix OpenGL composes for it, read back after the same glRotatef
// and glTranslatef calls, the colour and the normal in effect) and paints them
// all later, one mask after the other: at most 32 mask changes per paint.
//
// The late painting does not change the polygon stipple at all: it keeps the
// 32 masks as alpha textures, looked up at each pixel's window position and
// applied by the alpha test, which drops the very pixels the stipple drops,
// and a mask change is a texture bind, which costs no waiting. (Where such
// textures cannot be made it falls back to the polygon stipple.) A fragment
// is drawn "in both windings" so that it shows from either side under
// back-face culling; the late painting gets the same pixels from one draw
// with culling off.
//
// The picture stays the same because debris is opaque and depth-tested: an
// opaque fragment that is painted later ends up where it would have, whatever
// opaque or depth-tested thing was drawn in between. Only blended drawing
// cares about what is beneath it, so before each blended explosion part (flash
// sprite, glow shell) the recorded debris whose screen cone it may touch is
// painted first. Two fragments at exactly the same depth may swap winners.
//
// The immediate painting (mask by mask as the fragments come) stays available
// as a drawing path (render/drawing_paths.h: lateDebris false). Needs a
// current OpenGL context.
#ifndef HALVORN_RENDER_DEBRIS_BATCH_H
#define HALVORN_RENDER_DEBRIS_BATCH_H

class Explosion;

// Debris style begins and ends (immediate: stipple on and off; late: nothing).
void debrisBegin();
void debrisEnd();

// Paints (immediate), or records (late), debris shell `shell` of e inside the current (pushed and
// turned) model-view matrix: fragment k turned 24 (k + 1) degrees about y and
// moved out by the shell's radius (units), drawn in both windings.
void debrisShell(const Explosion& e, int shell);

// Before blended drawing: paints what is recorded if any of it may share a
// pixel with a sphere of `radius` units around the origin of the current
// model-view matrix.
void debrisBeforeBlended(float radius);

// Paints everything recorded, grouped by mask (at most 32 stipple changes),
// and forgets it. Restores every GL state it touches: matrix mode, model-view
// and texture matrices, current colour and normal, front face, stipple,
// culling, blending, alpha test, texturing (binding, environment, coordinate
// generation) and shade model.
void flushDebris();

// Forgets what is recorded without painting it, and the mask textures, which
// go with their context (for a context going away; makes no GL calls).
void discardDebris();

// Forgets what is recorded and deletes the mask textures (the context must be current).
void releaseDebris();

// The 32 stipple masks as alpha textures, for other painters of debris (the
// frame batch, render/frame_batch.h). False where they cannot be made: the
// polygon stipple it is then.
bool debrisMaskTexturesReady();

// The texture of stipple mask `mask` (0 to 31); only when they are ready.
unsigned debrisMaskTexture(int mask);

// Texturing that applies the bound mask texture as the polygon stipple would:
// texture coordinates generated from the window position, the colour kept,
// pixels outside the mask dropped by the alpha test. Loads the identity into
// the model-view matrix (vertices are then given in eye coordinates) and
// pushes the texture matrix; end with endDebrisMaskTexturing(). The caller
// saves and restores the rest (texture, enable and colour-buffer bits).
void beginDebrisMaskTexturing();
void endDebrisMaskTexturing();

// Counts since the last resetDebrisStats(), for tests and measurements.
struct DebrisStats {
    long shells = 0;        // shells painted or recorded
    long fragments = 0;     // fragments painted
    long paints = 0;        // non-empty paints of recorded debris
    long earlyPaints = 0;   // of those, paints forced by blended drawing
    long stippleCalls = 0;  // mask changes: glPolygonStipple calls or mask texture binds
};
DebrisStats debrisStats();
void resetDebrisStats();

#endif
