#include "options.h"

#include <cstdint>
#include <cstring>
#include <limits>

#include "render/drawing_paths.h"
#include "halvorn_version.h"
#include "render/layers.h"
#include "sim/battle.h"
#include "video_recorder.h"

namespace {

// Parses an optionally signed decimal integer that must lie in [low, high].
// Rejects empty text, blanks, a '+' sign, trailing characters and overflow.
bool parseInteger(const std::string& text, std::int64_t low, std::int64_t high, std::int64_t* out) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    if (i == text.size()) return false;
    // Accumulate the magnitude; anything above 2^63 is out of every range we use.
    const std::uint64_t limit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1u;
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return false;
        magnitude = magnitude * 10u + static_cast<std::uint64_t>(c - '0');
        if (magnitude > limit) return false;
    }
    std::int64_t value;
    if (negative) {
        value = magnitude == limit ? std::numeric_limits<std::int64_t>::min() : -static_cast<std::int64_t>(magnitude);
    } else {
        if (magnitude == limit) return false;
        value = static_cast<std::int64_t>(magnitude);
    }
    if (value < low || value > high) return false;
    *out = value;
    return true;
}

// "WxH" with both sides in 16..16384 pixels.
bool parseSize(const std::string& text, int* width, int* height) {
    std::size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    std::int64_t w = 0;
    std::int64_t h = 0;
    if (!parseInteger(text.substr(0, x), 16, 16384, &w)) return false;
    if (!parseInteger(text.substr(x + 1), 16, 16384, &h)) return false;
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

// Seconds as a decimal number with at most three decimals, in milliseconds:
// 1 ms to 10^9 s. Rejects signs, exponents, blanks and a bare dot.
bool parseSecondsMs(const std::string& text, std::int64_t* ms) {
    const std::size_t dot = text.find('.');
    const std::string whole = text.substr(0, dot);
    std::string fraction = dot == std::string::npos ? std::string() : text.substr(dot + 1);
    if ((whole.empty() && fraction.empty()) || fraction.size() > 3) return false;
    std::int64_t w = 0;
    std::int64_t f = 0;
    if (!whole.empty() && (whole[0] == '-' || !parseInteger(whole, 0, 1000000000, &w))) return false;
    fraction.append(3 - fraction.size(), '0');  // thousandths
    if (fraction[0] == '-' || !parseInteger(fraction, 0, 999, &f)) return false;
    *ms = w * 1000 + f;
    return *ms > 0;
}

enum class Kind { Flag, Integer, Size, Text, WindowId };

struct OptionInfo {
    const char* name;  // without the leading "--"
    Kind kind;
    std::int64_t low;  // range of an Integer option
    std::int64_t high;
    const char* valueHint;  // shown by --help and in value errors
    std::string help;
};

constexpr std::int64_t Int64Max = std::numeric_limits<std::int64_t>::max();

const OptionInfo OptionTable[] = {
    {"root", Kind::Flag, 0, 0, "",
     "draw on the window in $XSCREENSAVER_WINDOW, or on the root window (screen-saver module)"},
    {"window-id", Kind::WindowId, 0, 0, "ID", "draw on the existing X window ID (0x... or decimal)"},
    {"fullscreen", Kind::Flag, 0, 0, "", "ask the window manager for a full-screen window"},
    {"x11", Kind::Flag, 0, 0, "", "draw on the X display even where WAYLAND_DISPLAY is set"},
    {"wayland", Kind::Flag, 0, 0, "", "draw on the Wayland display even where WAYLAND_DISPLAY is unset"},
    {"saver", Kind::Flag, 0, 0, "",
     "Wayland: cover every output until a key, a button or the pointer moves (for an idle daemon)"},
    {"wallpaper", Kind::Flag, 0, 0, "", "Wayland: draw the battle as the background of every output"},
    {"headless", Kind::Flag, 0, 0, "",
     "run without a display (implied by --output, --trace, --contact-sheet, --record and --bench)"},
    {"frames", Kind::Integer, 0, Int64Max, "N", "stop after N frames (default: run until interrupted)"},
    {"seconds", Kind::Text, 0, 0, "S",
     "stop after the frames that last S seconds, instead of --frames (needs --frame-ms or --record)"},
    {"size", Kind::Size, 0, 0, "WxH", "picture size in pixels, 16..16384 each (default 1280x720)"},
    {"seed", Kind::Integer, 0, 4294967295LL, "N",
     "seed the random generator with N, 0..4294967295 (default: millisecond tick count)"},
    {"frame-ms", Kind::Integer, 1, 1000, "N",
     "every frame lasts N milliseconds, 1..1000 (default: measured, paced like the saver)"},
    {"ships", Kind::Integer, 0, MaxAdditionalShips, "N",
     "additional ships per battle, 0.." + std::to_string(MaxAdditionalShips) + " (default 0)"},
    {"letterbox", Kind::Flag, 0, 0, "", "draw the picture in a centred band of aspect 2.35"},
    {"random-start-view", Kind::Flag, 0, 0, "", "start the first battle from a random view"},
    {"low-res-stars", Kind::Flag, 0, 0, "", "low-resolution starfield"},
    {"fps", Kind::Flag, 0, 0, "", "draw the frame-rate line (and print it to stderr once a second)"},
    {"output", Kind::Text, 0, 0, "DIR", "write frame k as DIR/frame-NNNNN.png"},
    {"every", Kind::Integer, 1, Int64Max, "K", "with --output, write only frames K, 2K, 3K, ... (default 1)"},
    {"trace", Kind::Text, 0, 0, "FILE", "write one JSON line per frame to FILE (- for stdout)"},
    {"record", Kind::Text, 0, 0, "FILE",
     "encode the run as a video with the ffmpeg program: FILE.mp4 (H.264), .webm (VP9) or .gif; "
     "frames of 31 ms unless --frame-ms says otherwise"},
    {"bench", Kind::Flag, 0, 0, "", "run as fast as possible and print where the time went"},
    {"contact-sheet", Kind::Text, 0, 0, "FILE",
     "write 12 frames spread evenly over the run as one PNG (needs --frames)"},
    {"skip", Kind::Text, 0, 0, "LIST",
     "leave parts of the picture out, to measure what they cost: comma-separated from "
     "backdrop, ships, shots, debris, glow, flash, glare"},
    {"debris", Kind::Text, 0, 0, "late|immediate",
     "paint explosion debris late, grouped by stipple mask (default), or stippled as it comes"},
    {"lists", Kind::Text, 0, 0, "merged|plain",
     "compile the ship lists merged (default), or as the mesh emitters write them"},
    {"unbatched", Kind::Flag, 0, 0, "",
     "draw the battle item by item instead of in batches (the reference picture, for comparing)"},
    {"renderer", Kind::Text, 0, 0, "gl11|gles2",
     "with --headless, draw with OpenGL 1.1 (default) or with OpenGL ES 2.0, the renderer of the web page"},
    {"help", Kind::Flag, 0, 0, "", "show this help"},
    {"version", Kind::Flag, 0, 0, "", "show the program's version"},
};

const OptionInfo* findOption(const std::string& name) {
    for (const OptionInfo& info : OptionTable) {
        if (name == info.name) return &info;
    }
    return nullptr;
}

std::string rangeText(const OptionInfo& info) {
    if (info.high == Int64Max) return "an integer >= " + std::to_string(info.low);
    return "an integer in " + std::to_string(info.low) + ".." + std::to_string(info.high);
}

// Stores a parsed value into the options; returns false with *error set when bad.
bool apply(const OptionInfo& info, const std::string& value, ProgramOptions* o, std::string* error) {
    const std::string opt = std::string("--") + info.name;
    switch (info.kind) {
    case Kind::Flag: {
        const std::string name = info.name;
        if (name == "headless")
            o->headless = true;
        else if (name == "root")
            o->root = true;
        else if (name == "fullscreen")
            o->fullscreen = true;
        else if (name == "x11")
            o->x11 = true;
        else if (name == "wayland")
            o->wayland = true;
        else if (name == "saver")
            o->saver = true;
        else if (name == "wallpaper")
            o->wallpaper = true;
        else if (name == "letterbox")
            o->letterbox = true;
        else if (name == "random-start-view")
            o->randomStartView = true;
        else if (name == "low-res-stars")
            o->lowResStars = true;
        else if (name == "fps")
            o->fps = true;
        else if (name == "bench")
            o->bench = true;
        else if (name == "unbatched")
            o->unbatched = true;
        else if (name == "help")
            o->help = true;
        else if (name == "version")
            o->version = true;
        return true;
    }
    case Kind::Integer: {
        std::int64_t v = 0;
        if (!parseInteger(value, info.low, info.high, &v)) {
            *error = "option " + opt + ": invalid value '" + value + "' (expected " + rangeText(info) + ")";
            return false;
        }
        const std::string name = info.name;
        if (name == "frames") {
            o->frames = v;
            o->framesGiven = true;
        } else if (name == "seed") {
            o->seed = static_cast<std::uint32_t>(v);
            o->seedGiven = true;
        } else if (name == "frame-ms") {
            o->frameMs = static_cast<int>(v);
        } else if (name == "ships") {
            o->ships = static_cast<int>(v);
        } else if (name == "every") {
            o->every = v;
        }
        return true;
    }
    case Kind::Size:
        if (!parseSize(value, &o->width, &o->height)) {
            *error = "option " + opt + ": invalid value '" + value + "' (expected WxH with W and H in 16..16384)";
            return false;
        }
        return true;
    case Kind::WindowId:
        if (!parseWindowId(value, &o->windowId)) {
            *error = "option " + opt + ": invalid value '" + value + "' (expected an X window id, 0x... or decimal)";
            return false;
        }
        o->windowIdGiven = true;
        return true;
    case Kind::Text: {
        if (value.empty()) {
            *error = "option " + opt + ": empty value";
            return false;
        }
        const std::string name = info.name;
        if (name == "output")
            o->outputDir = value;
        else if (name == "trace")
            o->traceFile = value;
        else if (name == "contact-sheet")
            o->contactSheet = value;
        else if (name == "record") {
            VideoFormat format;
            if (!videoFormatForPath(value, &format)) {
                *error = "option " + opt + ": '" + value +
                         "' names no known video format (expected a name ending in .mp4, .webm or .gif)";
                return false;
            }
            o->recordFile = value;
        } else if (name == "seconds") {
            if (!parseSecondsMs(value, &o->secondsMs)) {
                *error = "option " + opt + ": invalid value '" + value +
                         "' (expected seconds above 0, such as 10 or 2.5, with at most three decimals)";
                return false;
            }
        } else if (name == "skip") {
            std::string bad;
            if (!parseLayers(value, &o->skip, &bad)) {
                *error = "option " + opt + ": unknown part '" + bad + "' (expected a comma-separated list of " +
                         "backdrop, ships, shots, debris, glow, flash, glare)";
                return false;
            }
        } else if (name == "debris") {
            if (!parseDebrisPath(value, &o->paths.lateDebris)) {
                *error = "option " + opt + ": unknown way '" + value + "' (expected late or immediate)";
                return false;
            }
        } else if (name == "lists") {
            if (!parseListsPath(value, &o->paths.mergedLists)) {
                *error = "option " + opt + ": unknown way '" + value + "' (expected merged or plain)";
                return false;
            }
        } else if (name == "renderer") {
            if (value != "gl11" && value != "gles2") {
                *error = "option " + opt + ": unknown renderer '" + value + "' (expected gl11 or gles2)";
                return false;
            }
            o->gles2 = value == "gles2";
        }
        return true;
    }
    }
    return true;
}

}  // namespace

ParseResult parseOptions(int argc, const char* const* argv) {
    ParseResult result;
    auto fail = [&result](std::string message) {
        result.status = ParseStatus::Error;
        result.error = oneLine(std::move(message));
        return result;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] ? argv[i] : "";
        // XScreenSaver spells options with one dash: -root, -window-id, -fps.
        const std::size_t dashes = arg.compare(0, 2, "--") == 0 ? 2 : (arg.compare(0, 1, "-") == 0 ? 1 : 0);
        if (dashes == 0 || arg.size() < dashes + 1 || arg[dashes] == '-') {
            return fail("unexpected argument '" + arg + "' (see --help)");
        }
        std::string name = arg.substr(dashes);
        std::string value;
        bool inlineValue = false;
        std::size_t eq = name.find('=');
        if (eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            inlineValue = true;
        }
        const OptionInfo* info = findOption(name);
        if (!info) return fail("unknown option '--" + name + "' (see --help)");
        if (info->kind == Kind::Flag) {
            if (inlineValue) return fail("option --" + name + " takes no value");
        } else if (!inlineValue) {
            if (i + 1 >= argc || !argv[i + 1]) return fail("option --" + name + " needs a value");
            value = argv[++i];
        }
        std::string error;
        if (!apply(*info, value, &result.options, &error)) return fail(error);
    }
    if (result.options.help) {
        result.status = ParseStatus::Help;
        return result;
    }
    if (result.options.version) {
        result.status = ParseStatus::Version;
        return result;
    }
    const ProgramOptions& o = result.options;
    // XScreenSaver's settings dialog previews a module by appending
    // --window-id to its command, --root included: the given window wins.
    if (o.headless && (o.root || o.windowIdGiven)) {
        return fail("option --headless draws on no window: not with --root or --window-id");
    }
    if (wantsHeadless(o) && (o.root || o.windowIdGiven || o.fullscreen)) {
        return fail(
            "--output, --trace, --contact-sheet, --record and --bench run headless: they cannot draw on a window");
    }
    if (o.fullscreen && (o.root || o.windowIdGiven)) {
        return fail("option --fullscreen is for the program's own window, not with --root or --window-id");
    }
    const bool waylandForm = o.wayland || o.saver || o.wallpaper;
    if (wantsHeadless(o) && (o.x11 || waylandForm)) {
        return fail("the headless run draws on no display: not with --x11, --wayland, --saver or --wallpaper");
    }
    if (o.x11 && o.wayland) return fail("options --x11 and --wayland each choose the display: keep one");
    if (o.saver && o.wallpaper) return fail("options --saver and --wallpaper are two forms: keep one");
    if ((o.saver || o.wallpaper) && o.fullscreen) {
        return fail("options --saver and --wallpaper cover every output already: not with --fullscreen");
    }
    if (waylandForm && (o.x11 || o.root || o.windowIdGiven)) {
        return fail(
            "options --wayland, --saver and --wallpaper draw on Wayland: not with --x11, --root or --window-id");
    }
    ProgramOptions& run = result.options;
    // A video runs at the saver's own pace unless told otherwise.
    if (!run.recordFile.empty() && run.frameMs == 0) run.frameMs = RecordFrameMs;
    if (run.secondsMs > 0) {
        if (run.framesGiven) return fail("options --frames and --seconds both give the length: keep one");
        if (run.frameMs == 0) return fail("option --seconds needs a fixed frame time: add --frame-ms N or --record");
        run.frames = (run.secondsMs + run.frameMs - 1) / run.frameMs;
        run.framesGiven = true;
    }
    if (!run.recordFile.empty() && run.framesGiven && run.frames < 1) {
        return fail("option --record needs at least one frame (--frames N with N >= 1)");
    }
    if (o.gles2 && !wantsHeadless(o)) {
        return fail("option --renderer gles2 draws headless only: add --headless");
    }
    // The sheet picks its frames from the whole run, so the run must have an end.
    if (!result.options.contactSheet.empty() && (!result.options.framesGiven || result.options.frames < 1)) {
        return fail("option --contact-sheet needs --frames N with N >= 1");
    }
    return result;
}

Settings userSettings(const ProgramOptions& o) {
    Settings s;
    s.reset();
    s.HVIsLetterBox = o.letterbox ? 1 : 0;
    s.HVNumberAdditionalShips = o.ships;
    s.HVIsRandStartView = o.randomStartView ? 1 : 0;
    s.HVIsFrameCounter = o.fps ? 1 : 0;
    s.HVIsLowResStars = o.lowResStars ? 1 : 0;
    return s;
}

bool wantsHeadless(const ProgramOptions& o) {
    return o.headless || o.bench || !o.outputDir.empty() || !o.traceFile.empty() || !o.contactSheet.empty() ||
           !o.recordFile.empty();
}

DisplayKind displayFor(const ProgramOptions& o, const char* waylandDisplay) {
    if (wantsHeadless(o)) return DisplayKind::Headless;
    if (o.x11 || o.root || o.windowIdGiven) return DisplayKind::X11;
    if (o.wayland || o.saver || o.wallpaper) return DisplayKind::Wayland;
    return waylandDisplay != nullptr && *waylandDisplay != '\0' ? DisplayKind::Wayland : DisplayKind::X11;
}

bool parseWindowId(const std::string& text, unsigned long* id) {
    std::uint64_t value = 0;
    std::size_t i = 0;
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        i = 2;
    }
    if (i >= text.size()) return false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (value > 0xffffffffu) return false;  // X ids are 29 bits; anything wider is no window
    }
    if (value == 0) return false;
    *id = static_cast<unsigned long>(value);
    return true;
}

std::string oneLine(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    }
    return text;
}

std::string optionsHelpText(const char* program) {
    std::string text = "Usage: ";
    text += program ? program : "halvorn";
    text +=
        " [options]\n"
        "Draws the endless space battle with OpenGL: in a window of its own (on\n"
        "Wayland where WAYLAND_DISPLAY is set, else on X11), on every Wayland output\n"
        "as a screen saver or a wallpaper, on an existing X window (as an XScreenSaver\n"
        "module), or headless with no display.\n\n"
        "Options (-opt and --opt, --opt value and --opt=value are the same):\n";
    for (const OptionInfo& info : OptionTable) {
        std::string left = std::string("  --") + info.name;
        if (info.kind != Kind::Flag) left += std::string(" ") + info.valueHint;
        if (left.size() < 26)
            left.append(26 - left.size(), ' ');
        else
            left += "  ";
        text += left + info.help + "\n";
    }
    text +=
        "\nIn a window, q, Q or Escape closes it. --saver ends with 0 on any key, a\n"
        "button or a pointer movement of more than 4 pixels. The window, the saver and\n"
        "the wallpaper end with 0 on SIGTERM or SIGINT, and with 1 when the display goes.\n"
        "A recording stopped by SIGINT or SIGTERM is finished up to the last frame\n"
        "written, and the program exits with 0. H.264 needs even sides: an .mp4 of\n"
        "an odd size leaves out the picture's last column or row.\n"
        "Exit status: 0 success, 1 start-up or output failure, 2 bad options.\n";
    return text;
}

int finishParse(const ParseResult& result, const char* program, std::FILE* out, std::FILE* err) {
    switch (result.status) {
    case ParseStatus::Run:
        return -1;
    case ParseStatus::Help:
        std::fputs(optionsHelpText(program).c_str(), out);
        std::fflush(out);
        return 0;
    case ParseStatus::Version:
        std::fprintf(out, "%s %s\n", program ? program : "halvorn", HALVORN_VERSION);
        std::fflush(out);
        return 0;
    case ParseStatus::Error:
        break;
    }
    std::fprintf(err, "%s: %s\n", program ? program : "halvorn", result.error.c_str());
    std::fflush(err);
    return BadOptionsExitStatus;
}
