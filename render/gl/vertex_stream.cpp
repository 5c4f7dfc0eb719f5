// The vertex stream; see vertex_stream.h.
#include "render/gl/vertex_stream.h"

#include <cstdint>

namespace {

// The buffer-object constants (OpenGL 1.5, its ARB extension and ES 2.0 share them).
constexpr unsigned ArrayBuffer = 0x8892;  // GL_ARRAY_BUFFER
constexpr unsigned StreamDraw = 0x88E0;   // GL_STREAM_DRAW

// First room of a buffer, bytes: a busy 300-ship frame needs about 1.5 MB.
constexpr std::size_t FirstCapacity = 1u << 20;

}  // namespace

bool VertexStream::start(const BufferProcs& procs) {
    stop();
    gl_ = procs;
    gl_.genBuffers(2, buffers_);
    if (buffers_[0] == 0 || buffers_[1] == 0) {
        gl_.deleteBuffers(2, buffers_);
        *this = VertexStream();
        return false;
    }
    buffered_ = true;
    return true;
}

void VertexStream::stop() {
    if (buffered_) {
        release();
        gl_.deleteBuffers(2, buffers_);
    }
    *this = VertexStream();
}

void VertexStream::beginFrame() {
    current_ = 1 - current_;
    offset_ = 0;
}

void VertexStream::reserve(std::size_t bytes) {
    if (!buffered_) return;
    const unsigned buffer = buffers_[current_];
    gl_.bindBuffer(ArrayBuffer, buffer);
    bound_ = true;
    std::size_t& capacity = capacity_[current_];
    if (offset_ + bytes <= capacity) return;
    // A new store for the buffer: earlier draws keep the old one. Twice what
    // the frame needs, so that a growing battle seldom comes back here.
    std::size_t grown = capacity == 0 ? FirstCapacity : capacity;
    while (grown < 2 * (offset_ + bytes)) grown *= 2;
    gl_.bufferData(ArrayBuffer, static_cast<std::ptrdiff_t>(grown), nullptr, StreamDraw);
    capacity = grown;
    offset_ = 0;
}

const char* VertexStream::put(const void* data, std::size_t bytes) {
    if (!buffered_) return static_cast<const char*>(data);
    const std::size_t at = offset_;
    gl_.bufferSubData(ArrayBuffer, static_cast<std::ptrdiff_t>(at), static_cast<std::ptrdiff_t>(bytes), data);
    offset_ = at + bytes;  // the batch puts whole vertices of floats: offsets stay aligned
    return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(at));
}

void VertexStream::release() {
    if (!bound_) return;
    gl_.bindBuffer(ArrayBuffer, 0);
    bound_ = false;
}
