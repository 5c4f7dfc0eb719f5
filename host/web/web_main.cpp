// The web page's host: the saver module driven by the browser. The page's
// script (page.js) owns the canvas, the clock and the pacing (a timer armed
// for the delay each frame returns, as the saver's one-shot timer is), and
// calls these functions:
//
//   hvParse(query)            the settings from the address, as JSON
//   hvStart(w, h, nowMs)      WebGL context on #canvas and the first battle
//   hvFrame(nowMs)            one frame; returns the delay to the next, ms
//   hvReshape(w, h)           the drawing buffer's new size, pixels
//   hvContextLost()           WebGL's context was lost: the battle waits
//   hvContextRestored()       it is back: 0 when the battle draws again
//   hvResume(nowMs)           the next frame comes after a pause (hidden page)
//   hvFpsText(), hvShips()    the frame-rate line and the ships in the battle
//   hvTraceLine(k)            the trace line of the frame just run
//   hvReadPixels()            the picture just drawn, RGBA rows bottom up
//   hvBenchStep(seconds)      the battle's step without drawing, 313 ships
//
// Times are milliseconds of the page's clock (a 32-bit count), sizes pixels.
#include <GLES2/gl2.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "battle_trace.h"
#include "saver.h"
#include "sim/battle.h"
#include "sim/world.h"
#include "web_options.h"
#include "web_painter.h"

namespace {

WebParse parsed;
EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
int width = 1, height = 1;
SaverFrame lastFrame;
std::string returned;  // the text handed back last (valid until the next call)
std::vector<unsigned char> pixels;
TraceFrame traceFrame;

// The text as a JSON string literal.
std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) >= 0x20) out += c;
    }
    return out + "\"";
}

}  // namespace

extern "C" {

// Parses the address's query string; returns the options and the message line as JSON.
EMSCRIPTEN_KEEPALIVE const char* hvParse(const char* query) {
    parsed = parseWebQuery(query != nullptr ? query : "");
    const WebOptions& o = parsed.options;
    char numbers[400];
    std::snprintf(numbers, sizeof numbers,
                  "\"ships\":%d,\"letterbox\":%d,\"randomStartView\":%d,\"lowResStars\":%d,\"fps\":%d,"
                  "\"seedGiven\":%d,\"seed\":%u,\"frameMs\":%d,\"width\":%d,\"height\":%d,\"trace\":%d,"
                  "\"frames\":%lld,\"bench\":%d",
                  o.settings.HVNumberAdditionalShips, o.settings.HVIsLetterBox, o.settings.HVIsRandStartView,
                  o.settings.HVIsLowResStars, o.settings.HVIsFrameCounter, o.seedGiven ? 1 : 0,
                  static_cast<unsigned>(o.seed), o.frameMs, o.width, o.height, o.trace ? 1 : 0,
                  static_cast<long long>(o.frames), o.bench ? 1 : 0);
    returned = std::string("{") + numbers + ",\"message\":" + jsonString(parsed.message) + "}";
    return returned.c_str();
}

// Creates the WebGL 1 context on #canvas (once) and starts the battle with the
// parsed settings at w x h pixels; nowMs is the page's clock now, seedMs the
// seed when the address gives none. 0 on success, 1 without WebGL.
EMSCRIPTEN_KEEPALIVE int hvStart(int w, int h, std::uint32_t nowMs, std::uint32_t seedMs) {
    if (context <= 0) {
        EmscriptenWebGLContextAttributes attributes;
        emscripten_webgl_init_context_attributes(&attributes);
        attributes.alpha = false;
        attributes.depth = true;
        attributes.antialias = false;
        attributes.majorVersion = 1;
        attributes.minorVersion = 0;
        context = emscripten_webgl_create_context("#canvas", &attributes);
        if (context <= 0) return 1;
    }
    emscripten_webgl_make_context_current(context);
    width = w;
    height = h;
    SaverConfig config;
    config.settings = parsed.options.settings;
    config.seed = parsed.options.seedGiven ? parsed.options.seed : seedMs;
    config.width = w;
    config.height = h;
    config.startTickMs = nowMs;
    config.fixedFrameMs = parsed.options.frameMs;
    config.painter = &webPainter();
    saverInit(config);
    return 0;
}

// One frame at the page's clock nowMs; returns the delay to the next frame, ms.
EMSCRIPTEN_KEEPALIVE int hvFrame(std::uint32_t nowMs) {
    lastFrame = saverDraw(nowMs);
    return lastFrame.delayMs;
}

// The drawing buffer is now w x h pixels.
EMSCRIPTEN_KEEPALIVE void hvReshape(int w, int h) {
    width = w;
    height = h;
    saverReshape(w, h);
}

// The browser took the WebGL context away (webglcontextlost): the painter
// forgets its objects, the battle waits.
EMSCRIPTEN_KEEPALIVE void hvContextLost() { saverContextLost(); }

// The browser gave the context back (webglcontextrestored): the painter makes
// its objects again and the same battle goes on. 0 on success, 1 when it
// cannot draw (the battle keeps waiting).
EMSCRIPTEN_KEEPALIVE int hvContextRestored() {
    emscripten_webgl_make_context_current(context);
    return saverContextRestored() ? 0 : 1;
}

// The page held its frames back and runs the next at nowMs: that frame steps
// the battle by one frame period, not by the whole pause.
EMSCRIPTEN_KEEPALIVE void hvResume(std::uint32_t nowMs) { saverResume(nowMs); }

// The frame-rate line of the last frame (empty when the setting is off).
EMSCRIPTEN_KEEPALIVE const char* hvFpsText() { return lastFrame.fpsText.c_str(); }

// Ships in the battle's world now.
EMSCRIPTEN_KEEPALIVE int hvShips() { return battle.TheWorld != nullptr ? battle.TheWorld->count : 0; }

// The trace line of frame k (0: right after the start), without a newline.
EMSCRIPTEN_KEEPALIVE const char* hvTraceLine(double k) {
    snapshotBattle(static_cast<std::int64_t>(k), &traceFrame);
    returned = formatTraceLine(traceFrame);
    return returned.c_str();
}

// Reads the picture just drawn (call in the task that drew it): width x
// height RGBA pixels, the bottom row first.
EMSCRIPTEN_KEEPALIVE const unsigned char* hvReadPixels() {
    pixels.resize(static_cast<std::size_t>(width) * height * 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels.data();
}

// The battle's step without drawing at 313 ships (300 additional, seed
// 20240607, 31 ms frames, after 600 frames to warm up), as bench/battle_bench
// runs it natively: microseconds per frame over about `seconds` of frames.
// Leaves no battle running.
EMSCRIPTEN_KEEPALIVE double hvBenchStep(double seconds) {
    constexpr int FrameMs = 31;
    SaverConfig config;
    config.settings.HVNumberAdditionalShips = MaxAdditionalShips;
    config.seed = 20240607u;
    config.fixedFrameMs = FrameMs;
    saverInit(config);  // no painter: the battle's own drawing walk, no GL
    std::uint32_t clockMs = 0;
    for (int i = 0; i < 600; ++i) saverDraw(clockMs += FrameMs);
    const double start = emscripten_get_now();
    double now = start;
    long frames = 0;
    while (now - start < seconds * 1000.0 || frames == 0) {
        saverDraw(clockMs += FrameMs);
        ++frames;
        now = emscripten_get_now();
    }
    saverFree();
    return (now - start) * 1000.0 / static_cast<double>(frames);
}

}  // extern "C"
