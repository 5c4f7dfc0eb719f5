// Reading what an OpenGL or EGL implementation says of itself: its version
// string and its blank-separated lists of extensions. Shared by the renderer
// (which entry points a context has) and the hosts (what a display offers).
#ifndef HALVORN_RENDER_GL_GL_STRINGS_H
#define HALVORN_RENDER_GL_GL_STRINGS_H

#include <cstdio>
#include <cstring>

// True when the blank-separated list contains name as a whole word; false
// for a null or empty list or name.
inline bool hasExtension(const char* list, const char* name) {
    if (list == nullptr || name == nullptr || *name == '\0') return false;
    const std::size_t n = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += n) {
        if ((p == list || p[-1] == ' ') && (p[n] == '\0' || p[n] == ' ')) return true;
    }
    return false;
}

// True when a version string "major.minor..." (OpenGL's GL_VERSION; OpenGL
// ES's begins "OpenGL ES ") is at least major.minor; false for a null or
// unreadable one.
inline bool versionAtLeast(const char* version, int major, int minor) {
    int haveMajor = 0, haveMinor = 0;
    if (version == nullptr) return false;
    const char* es = "OpenGL ES ";
    if (std::strncmp(version, es, std::strlen(es)) == 0) version += std::strlen(es);
    if (std::sscanf(version, "%d.%d", &haveMajor, &haveMinor) != 2) return false;
    return haveMajor > major || (haveMajor == major && haveMinor >= minor);
}

#endif
