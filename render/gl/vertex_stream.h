// The stream that carries streamed vertices to OpenGL in buffer objects, for
// both backends: the frame batch's on OpenGL 1.5 (render/gl11/), and every
// draw of the ES 2.0 emulation (render/gles2/). The vertices are copied into
// buffer objects kept from frame to frame: two, taken in turn frame by frame
// so that a frame never writes where the previous one may still be read,
// each grown (to twice what a frame needs) only when a frame needs more. So
// the stores stay bounded by what one frame needs, however long it runs.
//
// Without buffer objects (a stream never started) put() hands the data back
// and the caller draws from client arrays, as OpenGL 1.1 does; a driver then
// copies them anew at every draw. Needs a current context between start and stop.
#ifndef HALVORN_RENDER_GL_VERTEX_STREAM_H
#define HALVORN_RENDER_GL_VERTEX_STREAM_H

#include <cstddef>

// Finds an OpenGL entry point of the current context by name (eglGetProcAddress,
// wglGetProcAddress); null when it has none.
using GlProcLoader = void* (*)(const char* name);

#ifdef _WIN32
#define HALVORN_GL_CALL __stdcall  // the calling convention of OpenGL's entry points (APIENTRY)
#else
#define HALVORN_GL_CALL
#endif

// The buffer-object entry points a stream uses (OpenGL 1.5, its ARB
// extension, or OpenGL ES 2.0, where they are core); sizes and offsets in bytes.
struct BufferProcs {
    void(HALVORN_GL_CALL* genBuffers)(int n, unsigned* buffers) = nullptr;
    void(HALVORN_GL_CALL* deleteBuffers)(int n, const unsigned* buffers) = nullptr;
    void(HALVORN_GL_CALL* bindBuffer)(unsigned target, unsigned buffer) = nullptr;
    void(HALVORN_GL_CALL* bufferData)(unsigned target, std::ptrdiff_t bytes, const void* data,
                                      unsigned usage) = nullptr;
    void(HALVORN_GL_CALL* bufferSubData)(unsigned target, std::ptrdiff_t offset, std::ptrdiff_t bytes,
                                         const void* data) = nullptr;
};

class VertexStream {
public:
    // Streams through `procs` (all of them set), in a context that has them.
    // False (client arrays) when the buffers cannot be made.
    bool start(const BufferProcs& procs);
    // Deletes the buffers (the context must still be current); client arrays
    // until the next start.
    void stop();
    // True while the vertices go through buffer objects.
    bool buffered() const { return buffered_; }

    // A new frame: the other buffer, written from its start.
    void beginFrame();
    // Makes room for `bytes` more in the frame's buffer (binding it), before
    // the puts of one flush: growing never moves what those puts wrote.
    void reserve(std::size_t bytes);
    // Copies bytes of data into the reserved room; returns what the
    // gl*Pointer calls take for them: an offset into the bound buffer, or,
    // without buffer objects, data itself.
    const char* put(const void* data, std::size_t bytes);
    // Unbinds the buffer after the flush's draws, so that later client
    // arrays mean client memory again.
    void release();

    // Bytes of the store of the frame's buffer (0 before its first reserve).
    std::size_t capacity() const { return capacity_[current_]; }

private:
    BufferProcs gl_;
    bool buffered_ = false;
    unsigned buffers_[2] = {0, 0};
    std::size_t capacity_[2] = {0, 0};
    int current_ = 0;
    std::size_t offset_ = 0;
    bool bound_ = false;
};

#endif
