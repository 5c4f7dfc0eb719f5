// The vertex stream; see vertex_stream.h.
#include "render/gl/vertex_stream.h"

#include "render/gl/gl_api.h"
#include "render/gl/gl_strings.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// The buffer-object entry points and constants (OpenGL 1.5; the ARB
// extension's have the same values).
constexpr GLenum ArrayBuffer = 0x8892;  // GL_ARRAY_BUFFER
constexpr GLenum StreamDraw = 0x88E0;   // GL_STREAM_DRAW

// First room of a buffer, bytes: a busy 300-ship frame needs about 1.5 MB.
constexpr std::size_t FirstCapacity = 1u << 20;

template <typename Fn>
bool find(GlProcLoader load, const char* name, const char* suffix, Fn* out) {
    char full[64];
    std::snprintf(full, sizeof full, "%s%s", name, suffix);
    void* p = load(full);
    // Some Windows drivers answer 1, 2, 3 or -1 for "none".
    const std::uintptr_t v = reinterpret_cast<std::uintptr_t>(p);
    if (v <= 3 || v == ~std::uintptr_t(0)) return false;
    *out = reinterpret_cast<Fn>(p);
    return true;
}

bool findAll(GlProcLoader load, const char* suffix, BufferProcs* out) {
    BufferProcs found;
    if (!find(load, "glGenBuffers", suffix, &found.genBuffers) ||
        !find(load, "glDeleteBuffers", suffix, &found.deleteBuffers) ||
        !find(load, "glBindBuffer", suffix, &found.bindBuffer) ||
        !find(load, "glBufferData", suffix, &found.bufferData) ||
        !find(load, "glBufferSubData", suffix, &found.bufferSubData)) {
        return false;
    }
    *out = found;
    return true;
}

}  // namespace

bool hasBufferObjects(const char* version, const char* extensions) {
    return versionAtLeast(version, 1, 5) || hasExtension(extensions, "GL_ARB_vertex_buffer_object");
}

bool VertexStream::start(GlProcLoader load) {
    stop();
    if (load == nullptr) return false;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!hasBufferObjects(version, extensions)) return false;
    const bool core = versionAtLeast(version, 1, 5);
    BufferProcs procs;
    if (!(core && findAll(load, "", &procs)) && !findAll(load, "ARB", &procs)) return false;
    return start(procs);
}

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
    const GLuint buffer = buffers_[current_];
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
