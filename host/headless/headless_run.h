// The headless run of the program: the battle drawn with OpenGL in an EGL
// context that needs no display; frames written as PNG files, traced as JSON
// Lines, gathered on a contact sheet, or timed.
#ifndef HALVORN_HOST_HEADLESS_HEADLESS_RUN_H
#define HALVORN_HOST_HEADLESS_HEADLESS_RUN_H

#include "options.h"

// Runs the battle as the options say; returns the exit status (0 success, 1
// start-up or output failure).
int runHeadless(const ProgramOptions& options);

#endif
