// The backend in use; see gl_backend.h.
#include "render/gl/gl_backend.h"

#include <cstdio>
#include <cstdlib>

namespace {

GlBackend* installedBackend = nullptr;
GlBackend* defaultBackend = nullptr;

}  // namespace

GlBackend& glBackend() {
    if (installedBackend != nullptr) return *installedBackend;
    if (defaultBackend == nullptr) {
        std::fprintf(stderr,
                     "render: no OpenGL backend: link the render target (OpenGL 1.1) or install one with "
                     "setGlBackend() before drawing\n");
        std::abort();
    }
    return *defaultBackend;
}

void setGlBackend(GlBackend* b) { installedBackend = b; }

void setDefaultGlBackend(GlBackend* b) { defaultBackend = b; }
