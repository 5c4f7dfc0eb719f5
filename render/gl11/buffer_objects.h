// Buffer objects on the system's OpenGL: core in OpenGL 1.5, an extension
// (GL_ARB_vertex_buffer_object) before it, absent from a bare OpenGL 1.1.
// Their entry points are not exported by every system's GL library (Windows'
// opengl32 has only 1.1), so they are looked up through the host's loader.
#ifndef HALVORN_RENDER_GL11_BUFFER_OBJECTS_H
#define HALVORN_RENDER_GL11_BUFFER_OBJECTS_H

#include "render/gl/vertex_stream.h"

// The GL version "major.minor..." at least 1.5, or the extension listed
// among the space-separated names: the buffer objects exist. Either may be null.
bool hasBufferObjects(const char* version, const char* extensions);

// Finds the entry points of the current context through `load`: by version
// first, then by extension. False (*procs unchanged) when `load` is null or
// the context has none.
bool findBufferObjects(GlProcLoader load, BufferProcs* procs);

#endif
