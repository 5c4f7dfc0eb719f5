// The web page's settings, read from the address's query string:
//   ?ships=40&letterbox=1&random-start-view=1&low-res-stars=1&fps=1
//    &seed=N&frame-ms=N&size=WxH&trace=1&frames=N&bench=1
// Parsing is pure and never fails: an out-of-range value is clamped, a
// malformed value or an unknown name is ignored, and each such case adds a
// clause to one message line that the page shows.
#ifndef HALVORN_HOST_WEB_WEB_OPTIONS_H
#define HALVORN_HOST_WEB_WEB_OPTIONS_H

#include <cstdint>
#include <string>

#include "sim/settings.h"

// Most frames a trace run may ask for (its text stays in the page).
constexpr std::int64_t MaxTraceFrames = 100000;

// Frames a trace run takes when it names no count.
constexpr std::int64_t DefaultTraceFrames = 300;

struct WebOptions {
    Settings settings = {};                    // the five user settings (all 0 by default)
    bool seedGiven = false;                    // false: seed with the page's clock
    std::uint32_t seed = 0;                    // seed=N (0..4294967295)
    int frameMs = 0;                           // frame-ms=N (1..1000); 0: measure each frame
    int width = 0, height = 0;                 // size=WxH (16..16384 each); 0: follow the window
    bool trace = false;                        // trace=1: run `frames` frames and write the trace
    std::int64_t frames = DefaultTraceFrames;  // frames=N (1..MaxTraceFrames), for the trace
    bool bench = false;                        // bench=1: measure and print the figures
};

struct WebParse {
    WebOptions options;
    std::string message;  // empty, or one line naming every value clamped or ignored
};

// Parses a query string, with or without its leading '?'.
WebParse parseWebQuery(const std::string& query);

#endif
