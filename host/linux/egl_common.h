// EGL pieces the X11 and the Wayland window share: version checks, the error text, and the compatibility-profile
// context the renderer draws with (fixed-function pipeline, display lists).
#ifndef HALVORN_HOST_LINUX_EGL_COMMON_H
#define HALVORN_HOST_LINUX_EGL_COMMON_H

#include <EGL/egl.h>

#include <string>
#include <vector>

#include "render/gl/gl_strings.h"  // hasExtension

// "major.minor" of an EGL version string, as one number (1.5 -> 105).
int eglVersionNumber(const char* text);

// "0x..." of a number.
std::string hexText(unsigned long value);

// "EGL error 0x...", from eglGetError.
std::string eglErrorText();

// Initialises the EGL display of a window system's connection (display
// names it in the errors: "X", "Wayland") and binds desktop OpenGL. False
// with *error set ("egl: ...").
bool initialiseDesktopGl(EGLDisplay display, const char* system, std::string* error);

// Every configuration for desktop OpenGL on a window with an RGB colour
// buffer of at least colourBits per channel and a depth buffer of at least
// depthBits, in EGL's order.
std::vector<EGLConfig> windowConfigs(EGLDisplay display, int colourBits, int depthBits);

// One attribute of a configuration (0 when EGL does not say).
EGLint configAttribute(EGLDisplay display, EGLConfig config, EGLint name);

// A desktop OpenGL context with the compatibility profile where EGL can ask
// for one, else EGL's default; EGL_NO_CONTEXT when none can be made.
EGLContext createCompatibilityContext(EGLDisplay display, EGLConfig config);

// The EGL version, GL version and renderer of the current context, for the log.
std::string eglAndGlText(EGLDisplay display);

#endif
