// The screen-saver command line: program name, modes and handles.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "saver_args.h"

TEST(ArgumentString, SkipsQuotedOrPlainProgramNameAndLeadingControlCharacters) {
    EXPECT_STREQ(argumentString("\"C:\\Program Files\\Halvorn.scr\" /s"), "/s");
    EXPECT_STREQ(argumentString("\"C:\\a b\\Halvorn.scr\"/p 12"), "/p 12");
    EXPECT_STREQ(argumentString("Halvorn.scr \t /c:44"), "/c:44");
    EXPECT_STREQ(argumentString("Halvorn.scr"), "");
    EXPECT_STREQ(argumentString("\"Halvorn.scr\""), "");
    // Everything below '!' is skipped, control characters included.
    EXPECT_STREQ(argumentString("x\x01\x1f s"), "s");
}

TEST(ArgumentString, DegenerateCommandLines) {
    EXPECT_STREQ(argumentString(nullptr), "");
    EXPECT_STREQ(argumentString(""), "");
    // An unclosed quote swallows the rest of the line.
    EXPECT_STREQ(argumentString("\"Halvorn.scr /s"), "");
    // Bytes above 127 belong to the name and the arguments; they are not blanks.
    EXPECT_STREQ(argumentString("H\xe9lvorn.scr \xe9"), "\xe9");
}

TEST(WindowHandle, DigitsUpToTheFirstNonDigit) {
    EXPECT_EQ(parseWindowHandle("1234"), 1234u);
    EXPECT_EQ(parseWindowHandle("5678 trailing"), 5678u);
    EXPECT_EQ(parseWindowHandle("12x34"), 12u);
    EXPECT_EQ(parseWindowHandle(""), 0u);
    EXPECT_EQ(parseWindowHandle("x12"), 0u);
    EXPECT_EQ(parseWindowHandle(" 12"), 0u);  // blanks are skipped by the caller
    EXPECT_EQ(parseWindowHandle("-12"), 0u);
    EXPECT_EQ(parseWindowHandle(nullptr), 0u);
}

TEST(WindowHandle, WideValuesAndOverflow) {
    // 64-bit handles survive.
    EXPECT_EQ(parseWindowHandle("4294967296"), 4294967296ull);
    EXPECT_EQ(parseWindowHandle("18446744073709551615"), UINT64_MAX);
    // Overlong numbers saturate instead of wrapping onto a real handle.
    EXPECT_EQ(parseWindowHandle("18446744073709551616"), UINT64_MAX);
    EXPECT_EQ(parseWindowHandle("99999999999999999999999999"), UINT64_MAX);
}

TEST(SaverMode, FullScreenSpellings) {
    for (const char* args : {"/s", "-S", "  s", "s", "S", "/-/ s", "/save"}) {
        EXPECT_EQ(parseSaverArgs(args).mode, SaverMode::FullScreen) << args;
    }
}

TEST(SaverMode, PreviewReadsTheParentAfterBlanks) {
    for (const char* args : {"/p 1234", "/l 1234", "-P1234", "/L   1234", "p\t1234"}) {
        const SaverCommand c = parseSaverArgs(args);
        EXPECT_EQ(c.mode, SaverMode::Preview) << args;
        EXPECT_EQ(c.window, 1234u) << args;
    }
    // No number or no digits: handle 0, which the shell refuses.
    EXPECT_EQ(parseSaverArgs("/p").window, 0u);
    EXPECT_EQ(parseSaverArgs("/p abc").window, 0u);
    EXPECT_EQ(parseSaverArgs("/p").mode, SaverMode::Preview);
}

TEST(SaverMode, SettingsWithAndWithoutOwner) {
    SaverCommand c = parseSaverArgs("/c:5678");
    EXPECT_EQ(c.mode, SaverMode::SettingsOwned);
    EXPECT_TRUE(c.ownerGiven);
    EXPECT_EQ(c.window, 5678u);

    c = parseSaverArgs("/C");
    EXPECT_EQ(c.mode, SaverMode::SettingsOwned);
    EXPECT_FALSE(c.ownerGiven);
    EXPECT_EQ(c.window, 0u);

    // Only a colon right after the letter names an owner.
    c = parseSaverArgs("/c 5678");
    EXPECT_EQ(c.mode, SaverMode::SettingsOwned);
    EXPECT_FALSE(c.ownerGiven);
    EXPECT_EQ(c.window, 0u);

    c = parseSaverArgs("/c:");
    EXPECT_TRUE(c.ownerGiven);
    EXPECT_EQ(c.window, 0u);

    for (const char* args : {"", "   ", "/", "--", " / - "}) {
        EXPECT_EQ(parseSaverArgs(args).mode, SaverMode::Settings) << '"' << args << '"';
    }
    EXPECT_EQ(parseSaverArgs(nullptr).mode, SaverMode::Settings);
}

TEST(SaverMode, ChangePasswordAndUnknownLetters) {
    SaverCommand c = parseSaverArgs("/a 99");
    EXPECT_EQ(c.mode, SaverMode::ChangePassword);
    EXPECT_EQ(c.window, 99u);
    EXPECT_EQ(parseSaverArgs("-A").mode, SaverMode::ChangePassword);

    for (const char* args : {"/x", "x", "/1", "/?", "/:s", "\xe9"}) {
        EXPECT_EQ(parseSaverArgs(args).mode, SaverMode::Invalid) << args;
    }
}

TEST(SaverMode, WholeCommandLinesAsTheSystemWritesThem) {
    EXPECT_EQ(parseSaverArgs(argumentString("\"C:\\Windows\\System32\\Halvorn.scr\" /s")).mode, SaverMode::FullScreen);
    const SaverCommand c = parseSaverArgs(argumentString("C:\\WINDOWS\\HALVORN.SCR /p 65636"));
    EXPECT_EQ(c.mode, SaverMode::Preview);
    EXPECT_EQ(c.window, 65636u);
    EXPECT_EQ(parseSaverArgs(argumentString("Halvorn.scr")).mode, SaverMode::Settings);
}
