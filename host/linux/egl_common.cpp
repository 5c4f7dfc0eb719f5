#include "egl_common.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

int eglVersionNumber(const char* text) {
    int major = 0;
    int minor = 0;
    if (text) std::sscanf(text, "%d.%d", &major, &minor);
    return major * 100 + minor;
}

std::string hexText(unsigned long value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%lx", value);
    return text;
}

std::string eglErrorText() { return "EGL error " + hexText(static_cast<unsigned long>(eglGetError())); }

bool initialiseDesktopGl(EGLDisplay display, const char* system, std::string* error) {
    if (display == EGL_NO_DISPLAY) {
        *error = "egl: no EGL display for the " + std::string(system) + " connection (" + eglErrorText() + ")";
        return false;
    }
    EGLint major = 0;
    EGLint minor = 0;
    if (!eglInitialize(display, &major, &minor)) {
        *error = "egl: cannot initialise EGL on the " + std::string(system) + " display (" + eglErrorText() + ")";
        return false;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        *error = "egl: no desktop OpenGL API (" + eglErrorText() + ")";
        eglTerminate(display);
        eglReleaseThread();
        return false;
    }
    return true;
}

std::vector<EGLConfig> windowConfigs(EGLDisplay display, int colourBits, int depthBits) {
    const EGLint wanted[] = {
        EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_COLOR_BUFFER_TYPE,
        EGL_RGB_BUFFER,   EGL_RED_SIZE,   colourBits,          EGL_GREEN_SIZE, colourBits,
        EGL_BLUE_SIZE,    colourBits,     EGL_DEPTH_SIZE,      depthBits,      EGL_NONE};
    EGLint count = 0;
    std::vector<EGLConfig> configs;
    if (eglChooseConfig(display, wanted, nullptr, 0, &count) && count > 0) {
        configs.resize(static_cast<std::size_t>(count));
        if (!eglChooseConfig(display, wanted, configs.data(), count, &count)) count = 0;
        configs.resize(static_cast<std::size_t>(count));
    }
    return configs;
}

EGLint configAttribute(EGLDisplay display, EGLConfig config, EGLint name) {
    EGLint value = 0;
    eglGetConfigAttrib(display, config, name, &value);
    return value;
}

EGLContext createCompatibilityContext(EGLDisplay display, EGLConfig config) {
    EGLContext context = EGL_NO_CONTEXT;
    const bool profiles = eglVersionNumber(eglQueryString(display, EGL_VERSION)) >= 105 ||
                          hasExtension(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_create_context");
    if (profiles) {
        const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                     EGL_NONE};
        context = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
    }
    if (context == EGL_NO_CONTEXT) context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    return context;
}

std::string eglAndGlText(EGLDisplay display) {
    auto text = [](const char* s) { return std::string(s ? s : "?"); };
    auto glText = [&text](GLenum name) { return text(reinterpret_cast<const char*>(glGetString(name))); };
    return "egl: " + text(eglQueryString(display, EGL_VERSION)) + ", OpenGL " + glText(GL_VERSION) + ", " +
           glText(GL_RENDERER);
}
