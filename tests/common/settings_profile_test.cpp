// Settings round trip through a profile, and the dialog's arithmetic.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/win32/resource_ids.h"
#include "settings_profile.h"

namespace {

// A profile in memory that records every write, in order. Reads parse the
// stored text like the system's integer read: leading digits, optional sign.
class MemoryProfile : public Profile {
public:
    int readInt(const char* section, const char* key, int defaultValue) override {
        reads.push_back(key);
        auto it = values.find({section, key});
        return it == values.end() ? defaultValue : std::stoi(it->second);
    }
    void writeString(const char* section, const char* key, const char* text) override {
        writes.push_back(std::string(section) + "/" + key + "=" + text);
        values[{section, key}] = text;
    }
    std::map<std::pair<std::string, std::string>, std::string> values;
    std::vector<std::string> reads;
    std::vector<std::string> writes;
};

Settings filled(int value) {
    Settings s;
    s.HVIsLetterBox = value;
    s.HVNumberAdditionalShips = value;
    s.HVIsRandStartView = value;
    s.HVIsFrameCounter = value;
    s.HVIsLowResStars = value;
    return s;
}

}  // namespace

TEST(SettingsProfile, AbsentProfileReadsAllZeroInKeyOrder) {
    MemoryProfile profile;
    Settings s = filled(7);
    readSettings(profile, &s);
    EXPECT_EQ(s.HVIsLetterBox, 0);
    EXPECT_EQ(s.HVNumberAdditionalShips, 0);
    EXPECT_EQ(s.HVIsRandStartView, 0);
    EXPECT_EQ(s.HVIsFrameCounter, 0);
    EXPECT_EQ(s.HVIsLowResStars, 0);
    const std::vector<std::string> order = {"HVIsLetterBox", "HVNumberAdditionalShips", "HVIsRandStartView",
                                            "HVIsFrameCounter", "HVIsLowResStars"};
    EXPECT_EQ(profile.reads, order);
}

TEST(SettingsProfile, WritesAllFiveInOrderAndReadsThemBack) {
    MemoryProfile profile;
    Settings s = filled(0);
    s.HVIsLetterBox = 1;
    s.HVNumberAdditionalShips = 300;
    s.HVIsLowResStars = 1;
    writeSettings(profile, s);
    const std::vector<std::string> expected = {"Halvorn/HVIsLetterBox=1", "Halvorn/HVNumberAdditionalShips=300",
                                               "Halvorn/HVIsRandStartView=0", "Halvorn/HVIsFrameCounter=0",
                                               "Halvorn/HVIsLowResStars=1"};
    EXPECT_EQ(profile.writes, expected);

    Settings back = filled(9);
    readSettings(profile, &back);
    EXPECT_EQ(back.HVIsLetterBox, 1);
    EXPECT_EQ(back.HVNumberAdditionalShips, 300);
    EXPECT_EQ(back.HVIsRandStartView, 0);
    EXPECT_EQ(back.HVIsFrameCounter, 0);
    EXPECT_EQ(back.HVIsLowResStars, 1);
}

TEST(SettingsProfile, HandEditedValuesAreKeptAsRead) {
    MemoryProfile profile;
    profile.values[{"Halvorn", "HVNumberAdditionalShips"}] = "5000";
    profile.values[{"Halvorn", "HVIsFrameCounter"}] = "-3";
    profile.values[{"Other", "HVIsLetterBox"}] = "1";  // another section is not ours
    Settings s = filled(0);
    readSettings(profile, &s);
    EXPECT_EQ(s.HVNumberAdditionalShips, 5000);
    EXPECT_EQ(s.HVIsFrameCounter, -3);
    EXPECT_EQ(s.HVIsLetterBox, 0);
    // Written back unchanged, negative numbers as "%d" writes them.
    writeSettings(profile, s);
    EXPECT_EQ(profile.values[std::make_pair(std::string("Halvorn"), std::string("HVIsFrameCounter"))], "-3");
}

TEST(ShipScroll, LineAndPageStepsStopAtTheEnds) {
    EXPECT_EQ(scrollShips(0, ScrollLineLeft, 0), 0);
    EXPECT_EQ(scrollShips(1, ScrollLineLeft, 0), 0);
    EXPECT_EQ(scrollShips(150, ScrollLineLeft, 0), 149);
    EXPECT_EQ(scrollShips(299, ScrollLineRight, 0), 300);
    EXPECT_EQ(scrollShips(300, ScrollLineRight, 0), 300);
    EXPECT_EQ(scrollShips(290, ScrollPageRight, 0), 300);
    EXPECT_EQ(scrollShips(284, ScrollPageRight, 0), 300);
    EXPECT_EQ(scrollShips(283, ScrollPageRight, 0), 299);
    EXPECT_EQ(scrollShips(10, ScrollPageLeft, 0), 0);
    EXPECT_EQ(scrollShips(16, ScrollPageLeft, 0), 0);
    EXPECT_EQ(scrollShips(17, ScrollPageLeft, 0), 1);
}

TEST(ShipScroll, WalkingTheWholeRangeByPagesAndLines) {
    int ships = 0;
    int pages = 0;
    while (ships < 300) {
        ships = scrollShips(ships, ScrollPageRight, 0);
        ++pages;
    }
    EXPECT_EQ(pages, 19);  // 18 pages of 16 reach 288, the 19th stops at 300
    for (int i = 0; i < 400; ++i) ships = scrollShips(ships, ScrollLineLeft, 0);
    EXPECT_EQ(ships, 0);
}

TEST(ShipScroll, ThumbTrackTakesThePositionOtherCodesChangeNothing) {
    EXPECT_EQ(scrollShips(10, ScrollThumbTrack, 123), 123);
    EXPECT_EQ(scrollShips(10, ScrollThumbTrack, 0), 0);
    EXPECT_EQ(scrollShips(10, ScrollThumbTrack, 65535), 300);
    EXPECT_EQ(scrollShips(10, ScrollThumbPosition, 123), 10);
    EXPECT_EQ(scrollShips(10, 8 /* end scroll */, 123), 10);
    EXPECT_EQ(scrollShips(10, 6 /* left end */, 123), 10);
}

TEST(ShipScroll, HandEditedOutOfRangeCounts) {
    // Only the bound in the direction of travel applies.
    EXPECT_EQ(scrollShips(500, ScrollLineLeft, 0), 499);
    EXPECT_EQ(scrollShips(500, ScrollLineRight, 0), 300);
    EXPECT_EQ(scrollShips(-5, ScrollLineLeft, 0), 0);
    EXPECT_EQ(scrollShips(-5, ScrollLineRight, 0), -4);
    // Extreme values do not overflow.
    EXPECT_EQ(scrollShips(-2147483647 - 1, ScrollPageLeft, 0), 0);
    EXPECT_EQ(scrollShips(2147483647, ScrollPageRight, 0), 300);
}

TEST(CheckBoxes, EachBoxSetsItsOwnSetting) {
    struct Case {
        int id;
        int Settings::*field;
    };
    const Case cases[] = {{IDC_LETTER_BOX, &Settings::HVIsLetterBox},
                          {IDC_RANDOM_VIEW, &Settings::HVIsRandStartView},
                          {IDC_FRAME_COUNTER, &Settings::HVIsFrameCounter},
                          {IDC_LOW_RES_STARS, &Settings::HVIsLowResStars}};
    for (const Case& c : cases) {
        Settings s = filled(0);
        s.HVNumberAdditionalShips = 42;
        ASSERT_TRUE(applyCheckBox(c.id, 1, &s)) << c.id;
        EXPECT_EQ(s.*(c.field), 1) << c.id;
        int others = s.HVIsLetterBox + s.HVIsRandStartView + s.HVIsFrameCounter + s.HVIsLowResStars;
        EXPECT_EQ(others, 1) << c.id;
        EXPECT_EQ(s.HVNumberAdditionalShips, 42);
        ASSERT_TRUE(applyCheckBox(c.id, 0, &s));
        EXPECT_EQ(s.*(c.field), 0);
    }
    Settings s = filled(0);
    EXPECT_FALSE(applyCheckBox(IDC_SHIPS_SCROLL, 1, &s));
    EXPECT_FALSE(applyCheckBox(IDC_SCENARIO, 1, &s));
    EXPECT_FALSE(applyCheckBox(1, 1, &s));  // OK
    EXPECT_FALSE(applyCheckBox(2, 1, &s));  // cancel (Esc, close box)
    EXPECT_EQ(s.HVIsLetterBox + s.HVIsRandStartView + s.HVIsFrameCounter + s.HVIsLowResStars, 0);
}
