// Buffer objects on the system's OpenGL; see buffer_objects.h.
#include "render/gl11/buffer_objects.h"

#ifdef _WIN32
#include <windows.h>  // the system's GL header builds on it
#endif
#include <GL/gl.h>

#include <cstdint>
#include <cstdio>

#include "render/gl/gl_strings.h"

namespace {

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

bool findBufferObjects(GlProcLoader load, BufferProcs* procs) {
    if (load == nullptr) return false;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!hasBufferObjects(version, extensions)) return false;
    return (versionAtLeast(version, 1, 5) && findAll(load, "", procs)) || findAll(load, "ARB", procs);
}
