// The window XScreenSaver hands its module to draw on: its X id in the
// environment variable XSCREENSAVER_WINDOW, as hexadecimal (0x...) or decimal
// text, perhaps followed by blanks or a newline. No X11 here, so the reading
// is tested and fuzzed on its own.
#ifndef HALVORN_HOST_LINUX_SCREENSAVER_WINDOW_H
#define HALVORN_HOST_LINUX_SCREENSAVER_WINDOW_H

#include <string>

// Reads the variable's value; null or empty names no window. True with *id
// the window, or 0 when none is named; false, with *error one line quoting
// the value, when the text is no window id (see parseWindowId()).
bool readScreensaverWindow(const char* value, unsigned long* id, std::string* error);

#endif
