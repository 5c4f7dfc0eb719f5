// The web page's address: every setting read, out-of-range values clamped and
// malformed ones ignored, each named once on the one message line.
#include <gtest/gtest.h>

#include "web_options.h"

namespace {

TEST(WebOptionsTest, ReadsEverySetting) {
    const WebParse p = parseWebQuery(
        "?ships=40&letterbox=1&random-start-view=1&low-res-stars=1&fps&seed=4294967295&frame-ms=31"
        "&size=1280x720&trace=1&frames=2000&bench=1");
    const WebOptions& o = p.options;
    EXPECT_EQ(p.message, "");
    EXPECT_EQ(o.settings.HVNumberAdditionalShips, 40);
    EXPECT_EQ(o.settings.HVIsLetterBox + o.settings.HVIsRandStartView + o.settings.HVIsLowResStars +
                  o.settings.HVIsFrameCounter,
              4);
    EXPECT_TRUE(o.seedGiven);
    EXPECT_EQ(o.seed, 4294967295u);
    EXPECT_EQ(o.frameMs, 31);
    EXPECT_EQ(o.width, 1280);
    EXPECT_EQ(o.height, 720);
    EXPECT_TRUE(o.trace && o.bench);
    EXPECT_EQ(o.frames, 2000);
}

TEST(WebOptionsTest, BadValuesAreClampedOrIgnoredAndNamed) {
    struct Case {
        const char* query;
        const char* named;  // must appear in the message
        int ships, frameMs, width, height;
        bool seedGiven;
    };
    const Case cases[] = {
        {"ships=301", "ships='301' is outside 0..300, 300 used", 300, 0, 0, 0, false},
        {"ships=-4", "0 used", 0, 0, 0, 0, false},
        {"ships=abc", "ships='abc' is not a whole number, ignored", 0, 0, 0, 0, false},
        {"ships=", "not a whole number", 0, 0, 0, 0, false},
        {"ships=99999999999999999999", "not a whole number", 0, 0, 0, 0, false},
        {"frame-ms=0", "frame-ms='0' is outside 1..1000, 1 used", 0, 1, 0, 0, false},
        {"seed=-1", "seed='-1' is outside 0..4294967295, 0 used", 0, 0, 0, 0, true},
        {"seed=12a", "seed='12a' is not a whole number", 0, 0, 0, 0, false},
        {"size=640", "size='640' is not WxH, ignored", 0, 0, 0, 0, false},
        {"size=20000x8", "size height='8' is outside 16..16384, 16 used", 0, 0, 16384, 16, false},
        {"shipz=40", "unknown setting 'shipz' ignored", 0, 0, 0, 0, false},
        // Unprintable characters are not shown, long values are cut short.
        {"seed=\x01xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", "'?xxxxxxxxxxxxxxxxxxxxxxx...'", 0, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        const WebParse p = parseWebQuery(c.query);
        EXPECT_NE(p.message.find(c.named), std::string::npos) << c.query << " gave: " << p.message;
        EXPECT_EQ(p.options.settings.HVNumberAdditionalShips, c.ships) << c.query;
        EXPECT_EQ(p.options.frameMs, c.frameMs) << c.query;
        EXPECT_EQ(p.options.width, c.width) << c.query;
        EXPECT_EQ(p.options.height, c.height) << c.query;
        EXPECT_EQ(p.options.seedGiven, c.seedGiven) << c.query;
    }
}

TEST(WebOptionsTest, SeveralProblemsShareOneLineAndGoodValuesStay) {
    const WebParse p = parseWebQuery("letterbox=2&&ships=12&colour=red");
    EXPECT_EQ(p.message, "letterbox='2' is outside 0..1, 1 used; unknown setting 'colour' ignored");
    EXPECT_EQ(p.options.settings.HVIsLetterBox, 1);
    EXPECT_EQ(p.options.settings.HVNumberAdditionalShips, 12);
}

}  // namespace
