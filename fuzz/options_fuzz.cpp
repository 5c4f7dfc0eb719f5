// libFuzzer target for the Linux program's command line (host/headless/
// options.h), XScreenSaver's included: the input is the argument list, the
// arguments separated by NUL bytes. Whatever the arguments, parsing ends in
// one error line and status 2, in help or version and status 0, or in options
// that each lie in the range their option documents.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "options.h"
#include "render/layers.h"
#include "sim/battle.h"
#include "video_recorder.h"

namespace {

// What finishParse printed to each stream, and its status.
struct Finished {
    int status = 0;
    std::string out, err;
};

Finished finish(const ParseResult& result) {
    Finished f;
    char* outText = nullptr;
    char* errText = nullptr;
    std::size_t outSize = 0, errSize = 0;
    std::FILE* out = open_memstream(&outText, &outSize);
    std::FILE* err = open_memstream(&errText, &errSize);
    FUZZ_CHECK(out != nullptr && err != nullptr);
    f.status = finishParse(result, "halvorn", out, err);
    std::fclose(out);
    std::fclose(err);
    f.out.assign(outText, outSize);
    f.err.assign(errText, errSize);
    std::free(outText);
    std::free(errText);
    return f;
}

bool flag(int value) { return value == 0 || value == 1; }

void checkRun(const ProgramOptions& o) {
    FUZZ_CHECK(o.width >= 16 && o.width <= 16384 && o.height >= 16 && o.height <= 16384);
    FUZZ_CHECK(o.frameMs == 0 || (o.frameMs >= 1 && o.frameMs <= 1000));
    FUZZ_CHECK(o.ships >= 0 && o.ships <= MaxAdditionalShips);
    FUZZ_CHECK(o.every >= 1);
    FUZZ_CHECK(o.frames >= 0 && (o.framesGiven || o.frames == 0));
    FUZZ_CHECK(o.seedGiven || o.seed == 0);
    FUZZ_CHECK(o.windowIdGiven ? o.windowId >= 1 && o.windowId <= 0xffffffffu : o.windowId == 0);
    unsigned everyLayer = 0;
    for (const LayerName& l : LayerNames) everyLayer |= l.bit;
    FUZZ_CHECK((o.skip & ~everyLayer) == 0);
    // The length in seconds became whole frames, rounded up.
    FUZZ_CHECK(o.secondsMs >= 0);
    if (o.secondsMs > 0) {
        FUZZ_CHECK(o.framesGiven && o.frameMs > 0 && o.frames >= 1);
        FUZZ_CHECK(o.frames * o.frameMs >= o.secondsMs && (o.frames - 1) * o.frameMs < o.secondsMs);
    }
    VideoFormat format;
    if (!o.recordFile.empty()) {
        FUZZ_CHECK(videoFormatForPath(o.recordFile, &format));
        FUZZ_CHECK(o.frameMs >= 1 && (!o.framesGiven || o.frames >= 1));
    }
    if (!o.contactSheet.empty()) FUZZ_CHECK(o.framesGiven && o.frames >= 1);
    // A run draws either headless or on one kind of window.
    if (wantsHeadless(o)) FUZZ_CHECK(!o.root && !o.windowIdGiven && !o.fullscreen);
    if (o.fullscreen) FUZZ_CHECK(!o.root && !o.windowIdGiven);
    if (o.gles2) FUZZ_CHECK(wantsHeadless(o));
    const Settings s = userSettings(o);
    FUZZ_CHECK(s.HVNumberAdditionalShips == o.ships);
    FUZZ_CHECK(flag(s.HVIsLetterBox) && flag(s.HVIsRandStartView) && flag(s.HVIsFrameCounter) &&
               flag(s.HVIsLowResStars));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> arguments = fuzzArguments(data, size);
    std::vector<const char*> argv = {"halvorn"};
    for (const std::string& a : arguments) argv.push_back(a.c_str());
    const ParseResult result = parseOptions(static_cast<int>(argv.size()), argv.data());
    const Finished f = finish(result);
    switch (result.status) {
    case ParseStatus::Run:
        FUZZ_CHECK(f.status == -1 && f.out.empty() && f.err.empty());
        checkRun(result.options);
        break;
    case ParseStatus::Help:
        FUZZ_CHECK(f.status == 0 && f.err.empty());
        FUZZ_CHECK(f.out.compare(0, 15, "Usage: halvorn ") == 0 && f.out.back() == '\n');
        break;
    case ParseStatus::Version:
        FUZZ_CHECK(f.status == 0 && f.err.empty() && f.out.compare(0, 8, "halvorn ") == 0);
        break;
    case ParseStatus::Error:
        // One clear line on the error stream, nothing on the other, status 2.
        FUZZ_CHECK(!result.error.empty() && fuzzOneLine(result.error));
        FUZZ_CHECK(f.status == BadOptionsExitStatus && f.out.empty());
        FUZZ_CHECK(f.err == "halvorn: " + result.error + "\n");
        break;
    }
    return 0;
}
