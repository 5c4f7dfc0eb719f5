// The screen-saver command line: the argument string after the program name,
// the mode it asks for and the window handle that comes with it. Pure text
// handling, no Windows headers, so it is tested on every platform.
#ifndef HALVORN_HOST_WIN32_SAVER_ARGS_H
#define HALVORN_HOST_WIN32_SAVER_ARGS_H

#include <cstdint>

// What the screen-saver machinery asks for.
enum class SaverMode {
    Settings,        // no argument: settings dialog without an owner
    SettingsOwned,   // C: settings dialog owned by a window (or the foreground window)
    FullScreen,      // S: run full screen
    Preview,         // P or L: run inside the given window
    ChangePassword,  // A: change the password (Windows 9x)
    Invalid          // anything else: exit code -1
};

struct SaverCommand {
    SaverMode mode = SaverMode::Invalid;
    // Window handle given with the mode, as a number: the owner after "C:",
    // the preview parent after P / L, the owner after A. 0 when none.
    std::uint64_t window = 0;
    // True when C was followed by ':' (an owner was named, maybe 0).
    bool ownerGiven = false;
};

// The argument string of a whole command line: skips the program name (a
// quoted name up to and including its closing quote, else everything up to
// the first character at or below the blank), then every character below '!'.
// Bytes are compared as unsigned values. Null gives "".
const char* argumentString(const char* commandLine);

// Decimal window handle at the start of text: digits up to the first
// non-digit; no digits gives 0. Saturates at the largest value instead of
// wrapping, so an overlong number names no window. Null gives 0.
std::uint64_t parseWindowHandle(const char* text);

// The mode of an argument string: the first character that is not a blank,
// '-' or '/' (either case) decides; the handle after it is read as the mode
// requires. Null is treated as "".
SaverCommand parseSaverArgs(const char* args);

#endif
