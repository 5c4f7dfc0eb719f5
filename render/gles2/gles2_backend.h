// The renderer's OpenGL 1.1 calls on OpenGL ES 2.0 / WebGL 1: a compact
// fixed-function emulation for exactly the subset this program uses.
// gles2Backend() (render/gl/gl_backend.h) is the emulation; it needs a
// current OpenGL ES 2.0 (or WebGL 1) context between its start and stop.
#ifndef HALVORN_RENDER_GLES2_GLES2_BACKEND_H
#define HALVORN_RENDER_GLES2_GLES2_BACKEND_H

#include "render/gl/gl_backend.h"

#endif
