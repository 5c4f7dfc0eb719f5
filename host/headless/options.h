// Command line of the Linux `halvorn` program: the window (on Wayland or X11),
// the Wayland saver and wallpaper (--saver, --wallpaper), the XScreenSaver
// module (--root, --window-id) and the headless run.
//
// Every option is spelt with one dash or two (`-root` as XScreenSaver passes
// it, or `--root`) and takes its value either as the next argument (`--size
// 640x480`) or after an equals sign (`--size=640x480`). Parsing is pure: it
// neither prints nor exits, so the caller decides what to do with an error.
#ifndef HALVORN_HOST_HEADLESS_OPTIONS_H
#define HALVORN_HOST_HEADLESS_OPTIONS_H

#include <cstdint>
#include <cstdio>
#include <string>

#include "render/drawing_paths.h"
#include "sim/settings.h"

struct ProgramOptions {
    bool headless = false;       // --headless: no display, EGL without a window (implied by
                                 // --output, --trace, --contact-sheet, --record and --bench)
    bool root = false;           // --root: draw on $XSCREENSAVER_WINDOW, else the root window
    bool windowIdGiven = false;  // --window-id ID: draw on that existing window (wins over --root)
    unsigned long windowId = 0;  //   its X id (0x... or decimal)
    bool fullscreen = false;     // --fullscreen: ask the window manager for full screen
    bool x11 = false;            // --x11: the X display even where $WAYLAND_DISPLAY is set
    bool wayland = false;        // --wayland: the Wayland display even where $WAYLAND_DISPLAY is unset
    bool saver = false;          // --saver: Wayland, every output covered until the first input
    bool wallpaper = false;      // --wallpaper: Wayland, the desktop's background on every output
    bool framesGiven = false;    // false: run until interrupted
    std::int64_t frames = 0;     // --frames N: frames to run after the start frame (>= 0); --seconds S
                                 // gives the frames that last S seconds at the fixed frame time
    int width = 1280;            // --size WxH, pixels (16..16384); the window's first size
    int height = 720;
    bool seedGiven = false;        // false: seed with the millisecond tick count
    std::uint32_t seed = 0;        // --seed N (0..4294967295)
    int frameMs = 0;               // --frame-ms N (1..1000); 0: measure each frame (--record: 31)
    int ships = 0;                 // --ships N: additional ships (0..MaxAdditionalShips)
    bool letterbox = false;        // --letterbox
    bool randomStartView = false;  // --random-start-view
    bool lowResStars = false;      // --low-res-stars
    bool fps = false;              // --fps: frame-rate line
    std::string outputDir;         // --output DIR: empty = no frame pictures
    std::int64_t every = 1;        // --every K: write only frames k with k % K == 0 (K >= 1)
    std::string traceFile;         // --trace FILE ("-" = standard output); empty = no trace
    bool bench = false;            // --bench
    std::string contactSheet;      // --contact-sheet FILE; empty = none
    std::string recordFile;        // --record FILE.mp4|.webm|.gif: the run as a video; empty = none
    std::int64_t secondsMs = 0;    // --seconds S, in milliseconds (parsing turns it into frames); 0 = none
    unsigned skip = 0;             // --skip LIST: parts of the picture left out (render/layers.h bits)
    DrawingPaths paths;            // --debris late|immediate, --lists merged|plain
    bool unbatched = false;        // --unbatched: the battle drawn item by item, not batched
    bool gles2 = false;            // --renderer gles2: OpenGL ES 2.0 (headless only); else gl11, OpenGL 1.1
    bool help = false;             // --help
    bool version = false;          // --version
};

enum class ParseStatus {
    Run,    // options are valid: run the program
    Help,   // --help was given: print optionsHelpText() and exit with status 0
    Version,  // --version was given: print the program's name and version, exit with status 0
    Error,  // invalid: print the error line and exit with status 2
};

struct ParseResult {
    ParseStatus status = ParseStatus::Run;
    ProgramOptions options;
    std::string error;  // one line, no newline, names the offending option
};

// Parses argv[1..argc-1]. argv[0] is ignored.
ParseResult parseOptions(int argc, const char* const* argv);

// The five user settings the options give (the saver reads them from its profile).
Settings userSettings(const ProgramOptions& o);

// True when the options ask for the headless run rather than a window.
bool wantsHeadless(const ProgramOptions& o);

// Where the program draws.
enum class DisplayKind { Headless, X11, Wayland };

// The display the options choose, given $WAYLAND_DISPLAY (null when unset):
// headless when wantsHeadless; X11 for --x11, --root and --window-id (the
// XScreenSaver module stays on X whatever the environment says); Wayland for
// --wayland, --saver and --wallpaper; otherwise Wayland when $WAYLAND_DISPLAY
// is set and not empty, else X11.
DisplayKind displayFor(const ProgramOptions& o, const char* waylandDisplay);

// Parses an X window id: "0x" followed by hexadecimal digits, or decimal
// digits; 1..0xffffffff. False for anything else.
bool parseWindowId(const std::string& text, unsigned long* id);

// The text with every control character (a newline among them) as '?', so
// that a message quoting what the user gave stays one line.
std::string oneLine(std::string text);

// The frame time of a recording when --frame-ms is not given, milliseconds:
// the saver's own pace.
constexpr int RecordFrameMs = 31;

// Exit status of a run stopped by invalid options.
constexpr int BadOptionsExitStatus = 2;

// Handles a result that does not run: Help prints the help text to out and
// gives 0; Version prints "program X.Y.Z" to out and gives 0; Error prints "program: <error>" as one line to err and gives 2.
// Gives -1 for Run (nothing printed).
int finishParse(const ParseResult& result, const char* program, std::FILE* out, std::FILE* err);

// The --help text (several lines, ends with a newline); program is argv[0].
std::string optionsHelpText(const char* program);

#endif
