// libFuzzer target for the web page's address (host/web/web_options.h): the
// input is the query string. Whatever it holds, every setting comes out in
// its range, the message stays one printable line, and the options written
// back as a query read back the same, with nothing to say about them.
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "sim/battle.h"
#include "web_options.h"

namespace {

bool flag(int value) { return value == 0 || value == 1; }

void checkRanges(const WebOptions& o) {
    const Settings& s = o.settings;
    FUZZ_CHECK(s.HVNumberAdditionalShips >= 0 && s.HVNumberAdditionalShips <= MaxAdditionalShips);
    FUZZ_CHECK(flag(s.HVIsLetterBox) && flag(s.HVIsRandStartView) && flag(s.HVIsFrameCounter) &&
               flag(s.HVIsLowResStars));
    FUZZ_CHECK(o.seedGiven || o.seed == 0);
    FUZZ_CHECK(o.frameMs == 0 || (o.frameMs >= 1 && o.frameMs <= 1000));
    // Both sides or neither: the picture follows the window unless the size is whole.
    FUZZ_CHECK((o.width == 0 && o.height == 0) ||
               (o.width >= 16 && o.width <= 16384 && o.height >= 16 && o.height <= 16384));
    FUZZ_CHECK(o.frames >= 1 && o.frames <= MaxTraceFrames);
}

// The options as the page's address would give them.
std::string query(const WebOptions& o) {
    const Settings& s = o.settings;
    std::string q =
        "?ships=" + std::to_string(s.HVNumberAdditionalShips) + "&letterbox=" + std::to_string(s.HVIsLetterBox) +
        "&random-start-view=" + std::to_string(s.HVIsRandStartView) +
        "&low-res-stars=" + std::to_string(s.HVIsLowResStars) + "&fps=" + std::to_string(s.HVIsFrameCounter) +
        "&frames=" + std::to_string(o.frames) + "&trace=" + (o.trace ? "1" : "0") + "&bench=" + (o.bench ? "1" : "0");
    if (o.seedGiven) q += "&seed=" + std::to_string(o.seed);
    if (o.frameMs != 0) q += "&frame-ms=" + std::to_string(o.frameMs);
    if (o.width != 0) q += "&size=" + std::to_string(o.width) + "x" + std::to_string(o.height);
    return q;
}

bool same(const WebOptions& a, const WebOptions& b) {
    const Settings& s = a.settings;
    const Settings& t = b.settings;
    return s.HVIsLetterBox == t.HVIsLetterBox && s.HVNumberAdditionalShips == t.HVNumberAdditionalShips &&
           s.HVIsRandStartView == t.HVIsRandStartView && s.HVIsFrameCounter == t.HVIsFrameCounter &&
           s.HVIsLowResStars == t.HVIsLowResStars && a.seedGiven == b.seedGiven && a.seed == b.seed &&
           a.frameMs == b.frameMs && a.width == b.width && a.height == b.height && a.trace == b.trace &&
           a.frames == b.frames && a.bench == b.bench;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const WebParse parsed = parseWebQuery(fuzzText(data, size));
    checkRanges(parsed.options);
    FUZZ_CHECK(fuzzOneLine(parsed.message));
    const WebParse again = parseWebQuery(query(parsed.options));
    FUZZ_CHECK(again.message.empty());
    FUZZ_CHECK(same(again.options, parsed.options));
    return 0;
}
