// The renderer's OpenGL 1.1 calls on OpenGL ES 2.0 / WebGL 1: a compact
// fixed-function emulation for exactly the subset this program uses.
//
// - Matrices: the model-view, projection and texture stacks are kept here and
//   composed in float as OpenGL composes them (so what the camera reads back
//   is what OpenGL 1.1 gives); gluLookAt and gluPerspective likewise.
// - Geometry: immediate mode (glBegin/glEnd) and client arrays are unrolled
//   into triangles in OpenGL's vertex order and streamed through one buffer
//   object; display lists are recorded into meshes kept in buffer objects
//   (translations baked in, windings turned counter-clockwise where the list
//   sets them, colours and normals the list takes from outside marked per
//   vertex), with the state changes between them replayed.
// - Shading: one shader program computes OpenGL's lighting per vertex
//   (emission, global and per-light ambient, diffuse, specular with the
//   infinite viewer, colour material for ambient and diffuse, positional or
//   directional lights; no attenuation or spot lights, which this program does
//   not use); flat shading gives every corner the lit colour of the
//   triangle's last vertex; texturing with GL_MODULATE or GL_REPLACE on RGB(A)
//   and alpha textures, eye-linear texture coordinate generation, the texture
//   matrix, the alpha test and the polygon stipple (a 32 x 32 mask looked up
//   at the window position).
// - State: blending, depth, culling and front face are kept here and handed
//   to ES at each draw; glPushAttrib/glPopAttrib and the client attributes
//   keep the groups this program pushes.
//
// Needs a current OpenGL ES 2.0 (or WebGL 1) context between startContext()
// and stopContext().
#ifndef HALVORN_RENDER_GLES2_GLES2_BACKEND_H
#define HALVORN_RENDER_GLES2_GLES2_BACKEND_H

#include <string>

#include "render/gl/gl_backend.h"

// The emulation (one per process; it follows one context at a time).
GlBackend& gles2Backend();

// A context became current: forgets every object and state of an earlier
// one, compiles the shaders and makes the stream buffer. False with *error
// ("gles2: ...") when the shaders do not build.
bool gles2StartContext(std::string* error);

// Deletes what startContext and the drawing made, while the context is still current.
void gles2StopContext();

// The context was lost (a browser may take a WebGL context away at any time):
// forgets the names of every ES object without deleting them, and keeps the
// emulated state, matrices and display lists as they are.
void gles2ContextLost();

// A new context is current after gles2ContextLost: makes the shaders, the
// stream buffer and the stipple texture again (the display lists' buffers on
// their next use) and hands ES the viewport. Textures are the renderer's to
// load again. False with *error as gles2StartContext gives it.
bool gles2ContextRestored(std::string* error);

#endif
