// The program on an X display: its own top-level window, or an existing one
// (--window-id, --root). OpenGL through EGL on the window.
#ifndef HALVORN_HOST_LINUX_X11_HOST_H
#define HALVORN_HOST_LINUX_X11_HOST_H

#include "options.h"

// Runs the battle on the display named by $DISPLAY until the window closes, a
// close key is pressed (own window only), or SIGTERM or SIGINT arrives.
// Returns the exit status: 0 on a normal end, 1 when there is no display or
// the window cannot be used (one line on stderr says why).
int runX11(const ProgramOptions& options);

#endif
