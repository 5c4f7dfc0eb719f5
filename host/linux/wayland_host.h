// The program on a Wayland compositor: a window of its own, the screen saver
// that covers every output until the first input (--saver), and the desktop's
// background (--wallpaper). OpenGL through EGL on the surfaces.
#ifndef HALVORN_HOST_LINUX_WAYLAND_HOST_H
#define HALVORN_HOST_LINUX_WAYLAND_HOST_H

#include "options.h"

// Runs the battle on the compositor named by $WAYLAND_DISPLAY until the window
// closes or a close key is pressed (window), the first input arrives
// (--saver), or SIGTERM or SIGINT arrives. Returns the exit status: 0 on a
// normal end, 1 when there is no compositor, it lacks what the form needs, or
// the connection is lost (one line on stderr says why).
int runWayland(const ProgramOptions& options);

#endif
