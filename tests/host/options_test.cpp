#include "options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "render/drawing_paths.h"
#include "render/layers.h"
#include "sim/battle.h"

namespace {

ParseResult parse(std::vector<std::string> args) {
    std::vector<const char*> argv{"halvorn"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    return parseOptions(static_cast<int>(argv.size()), argv.data());
}

// Parses the option in both spellings and checks they agree.
ProgramOptions parseBoth(const std::string& name, const std::string& value) {
    ParseResult separate = parse({name, value});
    ParseResult joined = parse({name + "=" + value});
    EXPECT_EQ(separate.status, ParseStatus::Run) << name << " " << value << ": " << separate.error;
    EXPECT_EQ(joined.status, ParseStatus::Run) << name << "=" << value << ": " << joined.error;
    return separate.options;
}

std::string readAll(std::FILE* f) {
    std::rewind(f);
    std::string text;
    char buffer[512];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    return text;
}

}  // namespace

TEST(Options, DefaultsWithoutArguments) {
    ParseResult r = parse({});
    ASSERT_EQ(r.status, ParseStatus::Run);
    const ProgramOptions& o = r.options;
    EXPECT_EQ(o.width, 1280);
    EXPECT_EQ(o.height, 720);
    EXPECT_FALSE(o.framesGiven);
    EXPECT_FALSE(o.seedGiven);
    EXPECT_EQ(o.frameMs, 0);
    EXPECT_EQ(o.ships, 0);
    EXPECT_EQ(o.every, 1);
    EXPECT_FALSE(o.headless || o.letterbox || o.randomStartView || o.lowResStars || o.fps || o.bench || o.help);
    EXPECT_TRUE(o.outputDir.empty() && o.traceFile.empty() && o.contactSheet.empty());
    EXPECT_TRUE(o.paths.lateDebris);
    EXPECT_TRUE(o.paths.mergedLists);
}

TEST(Options, ValuesInBothForms) {
    ProgramOptions o = parseBoth("--frames", "0");
    EXPECT_TRUE(o.framesGiven);
    EXPECT_EQ(o.frames, 0);
    EXPECT_EQ(parseBoth("--frames", "7200").frames, 7200);
    o = parseBoth("--size", "640x480");
    EXPECT_EQ(o.width, 640);
    EXPECT_EQ(o.height, 480);
    o = parseBoth("--size", "16X16384");
    EXPECT_EQ(o.width, 16);
    EXPECT_EQ(o.height, 16384);
    o = parseBoth("--seed", "4294967295");
    EXPECT_TRUE(o.seedGiven);
    EXPECT_EQ(o.seed, 4294967295u);
    EXPECT_EQ(parseBoth("--seed", "0").seed, 0u);
    EXPECT_EQ(parseBoth("--frame-ms", "1").frameMs, 1);
    EXPECT_EQ(parseBoth("--frame-ms", "1000").frameMs, 1000);
    // The battle's own bound on additional ships, not one of the options'.
    EXPECT_EQ(parseBoth("--ships", std::to_string(MaxAdditionalShips)).ships, MaxAdditionalShips);
    EXPECT_EQ(parseBoth("--every", "25").every, 25);
    EXPECT_EQ(parseBoth("--output", "out/frames").outputDir, "out/frames");
    EXPECT_EQ(parseBoth("--trace", "-").traceFile, "-");
    // The value may itself contain '=' in the joined form.
    EXPECT_EQ(parse({"--output=a=b"}).options.outputDir, "a=b");
    EXPECT_EQ(parseBoth("--skip", "glare").skip, unsigned(LayerGlare));
    EXPECT_EQ(parseBoth("--skip", "backdrop,ships,shots,debris,glow,flash,glare").skip, 127u);
    EXPECT_EQ(layerList(parseBoth("--skip", "glare,backdrop,glare").skip), "backdrop,glare");
    EXPECT_FALSE(parseBoth("--debris", "immediate").paths.lateDebris);
    EXPECT_TRUE(parseBoth("--debris", "immediate").paths.mergedLists);
    EXPECT_TRUE(parse({"--debris", "immediate", "--debris", "late"}).options.paths.lateDebris);
    EXPECT_FALSE(parseBoth("--lists", "plain").paths.mergedLists);
    EXPECT_TRUE(parseBoth("--lists", "plain").paths.lateDebris);
    EXPECT_TRUE(parse({"--lists=plain", "--lists=merged"}).options.paths.mergedLists);
    EXPECT_TRUE(parse({"--headless", "--renderer", "gles2"}).options.gles2);
    EXPECT_FALSE(parse({"--headless", "--renderer=gles2", "--renderer=gl11"}).options.gles2);
    ParseResult sheet = parse({"--frames=12", "--contact-sheet", "sheet.png"});
    ASSERT_EQ(sheet.status, ParseStatus::Run) << sheet.error;
    EXPECT_EQ(sheet.options.contactSheet, "sheet.png");
}

TEST(Options, FlagsAndLastValueWins) {
    ParseResult r = parse({"--headless", "--letterbox", "--random-start-view", "--low-res-stars", "--fps", "--bench",
                           "--unbatched", "--ships", "5", "--ships=7"});
    ASSERT_EQ(r.status, ParseStatus::Run) << r.error;
    const ProgramOptions& o = r.options;
    EXPECT_TRUE(o.headless && o.letterbox && o.randomStartView && o.lowResStars && o.fps && o.bench && o.unbatched);
    EXPECT_EQ(o.ships, 7);
}

TEST(Options, HelpListsEveryOption) {
    ParseResult r = parse({"--fps", "--help"});
    EXPECT_EQ(r.status, ParseStatus::Help);
    const std::string help = optionsHelpText("halvorn");
    for (const char* name : {"--root",
                             "--window-id ID",
                             "--fullscreen",
                             "--x11",
                             "--wayland",
                             "--saver",
                             "--wallpaper",
                             "--headless",
                             "--frames N",
                             "--size WxH",
                             "--seed N",
                             "--frame-ms N",
                             "--ships N",
                             "--letterbox",
                             "--random-start-view",
                             "--low-res-stars",
                             "--fps",
                             "--output DIR",
                             "--every K",
                             "--trace FILE",
                             "--record FILE",
                             "--seconds S",
                             "--bench",
                             "--contact-sheet FILE",
                             "--skip LIST",
                             "--debris late|immediate",
                             "--lists merged|plain",
                             "--unbatched",
                             "--renderer gl11|gles2",
                             "--help"}) {
        EXPECT_NE(help.find(name), std::string::npos) << name;
    }
    EXPECT_NE(help.find("additional ships per battle, 0.." + std::to_string(MaxAdditionalShips)), std::string::npos)
        << help;
}

TEST(Options, BadValuesNameTheOption) {
    struct Case {
        std::vector<std::string> args;
        const char* option;  // must appear in the error
    };
    const std::vector<Case> cases = {
        {{"--frames", "-1"}, "--frames"},
        {{"--frames", "ten"}, "--frames"},
        {{"--frames", ""}, "--frames"},
        {{"--frames", "99999999999999999999"}, "--frames"},
        {{"--frames"}, "--frames"},
        {{"--size", "15x100"}, "--size"},
        {{"--size", "100x16385"}, "--size"},
        {{"--size", "640"}, "--size"},
        {{"--size", "640x"}, "--size"},
        {{"--size", "x480"}, "--size"},
        {{"--size", "640x480x2"}, "--size"},
        {{"--size", " 640x480"}, "--size"},
        {{"--seed", "4294967296"}, "--seed"},
        {{"--seed", "-1"}, "--seed"},
        {{"--seed", "+5"}, "--seed"},
        {{"--seed", "0x10"}, "--seed"},
        {{"--frame-ms", "0"}, "--frame-ms"},
        {{"--frame-ms", "1001"}, "--frame-ms"},
        {{"--frame-ms", "2.5"}, "--frame-ms"},
        {{"--ships", std::to_string(MaxAdditionalShips + 1)}, "--ships"},
        {{"--ships", "-1"}, "--ships"},
        {{"--every", "0"}, "--every"},
        {{"--every=-3"}, "--every"},
        {{"--output="}, "--output"},
        {{"--trace"}, "--trace"},
        {{"--contact-sheet", "s.png"}, "--contact-sheet"},
        {{"--frames", "0", "--contact-sheet", "s.png"}, "--contact-sheet"},
        {{"--fps=1"}, "--fps"},
        {{"--bench=yes"}, "--bench"},
        {{"--skip", "stars"}, "'stars'"},
        {{"--skip", "ships,"}, "--skip"},
        {{"--skip", "Ships"}, "'Ships'"},
        {{"--skip="}, "--skip"},
        {{"--debris", "deferred"}, "'deferred'"},
        {{"--debris", "Late"}, "--debris"},
        {{"--debris"}, "--debris"},
        {{"--lists", "merged,plain"}, "'merged,plain'"},
        {{"--lists="}, "--lists"},
        {{"--record", "battle.avi"}, "--record"},
        {{"--record", "mp4"}, "--record"},
        {{"--record", "a.mp4", "--frames", "0"}, "--record"},
        {{"--seconds", "0"}, "--seconds"},
        {{"--seconds", "-2"}, "--seconds"},
        {{"--seconds", "1.2345"}, "--seconds"},
        {{"--seconds", "."}, "--seconds"},
        {{"--seconds", "1e3"}, "--seconds"},
        {{"--seconds", "5"}, "--seconds"},  // no fixed frame time
        {{"--record", "a.mp4", "--seconds", "5", "--frames", "3"}, "--seconds"},
        {{"--headless", "--renderer", "gles3"}, "'gles3'"},
        {{"--renderer", "gles2"}, "--renderer"},
        {{"--x11", "--wayland"}, "--x11"},
        {{"--saver", "--wallpaper"}, "--wallpaper"},
        {{"--saver", "--x11"}, "--x11"},
        {{"--wallpaper", "--root"}, "--root"},
        {{"--wayland", "--window-id", "5"}, "--window-id"},
        {{"--saver", "--fullscreen"}, "--fullscreen"},
        {{"--saver", "--headless"}, "--saver"},
        {{"--x11", "--bench"}, "--x11"},
        {{"--wallpaper=1"}, "--wallpaper"},
        {{"--bogus"}, "--bogus"},
        {{"--Frames", "3"}, "--Frames"},
        {{"frames"}, "frames"},
        {{"-f"}, "-f"},
        // Control characters are shown as '?': the error stays one line.
        {{"--size", "64\nx64"}, "'64?x64'"},
        {{"-window\x1f-id", "1"}, "'--window?-id'"},
    };
    for (const Case& c : cases) {
        ParseResult r = parse(c.args);
        std::string shown;
        for (const std::string& a : c.args) shown += a + " ";
        EXPECT_EQ(r.status, ParseStatus::Error) << shown;
        EXPECT_NE(r.error.find(c.option), std::string::npos) << shown << "-> " << r.error;
        EXPECT_EQ(r.error.find('\n'), std::string::npos) << shown;
    }
}

TEST(Options, FinishParsePrintsAndGivesTheExitStatus) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_TRUE(out && err);

    EXPECT_EQ(finishParse(parse({"--ships", "301"}), "halvorn", out, err), 2);
    const std::string error = readAll(err);
    EXPECT_EQ(error.rfind("halvorn: ", 0), 0u) << error;
    EXPECT_NE(error.find("--ships"), std::string::npos);
    EXPECT_EQ(error.find('\n'), error.size() - 1) << "one line";
    EXPECT_TRUE(readAll(out).empty());

    EXPECT_EQ(finishParse(parse({"--help"}), "halvorn", out, err), 0);
    EXPECT_NE(readAll(out).find("--contact-sheet"), std::string::npos);

    EXPECT_EQ(finishParse(parse({"--fps"}), "halvorn", out, err), -1);
    std::fclose(out);
    std::fclose(err);
}

TEST(Options, OneDashSpellingAsXScreenSaverPassesIt) {
    ParseResult one = parse({"-root", "-fps", "-ships", "12", "-letterbox", "-size=320x200"});
    ParseResult two = parse({"--root", "--fps", "--ships", "12", "--letterbox", "--size=320x200"});
    ASSERT_EQ(one.status, ParseStatus::Run) << one.error;
    ASSERT_EQ(two.status, ParseStatus::Run) << two.error;
    EXPECT_TRUE(one.options.root && one.options.fps && one.options.letterbox);
    EXPECT_EQ(one.options.ships, two.options.ships);
    EXPECT_EQ(one.options.width, 320);
    EXPECT_FALSE(wantsHeadless(one.options));
    for (const char* bad : {"-", "---root", "--", "-window-id"}) {
        EXPECT_EQ(parse({bad}).status, ParseStatus::Error) << bad;
    }
}

TEST(Options, WindowIdsInHexOrDecimal) {
    ParseResult r = parse({"-window-id", "0x2a00007"});
    ASSERT_EQ(r.status, ParseStatus::Run) << r.error;
    EXPECT_TRUE(r.options.windowIdGiven);
    EXPECT_EQ(r.options.windowId, 0x2a00007ul);
    EXPECT_EQ(parse({"--window-id=44040199"}).options.windowId, 44040199ul);

    unsigned long id = 7;
    EXPECT_TRUE(parseWindowId("0XfF", &id));
    EXPECT_EQ(id, 255ul);
    EXPECT_TRUE(parseWindowId("0xffffffff", &id));
    for (const char* bad : {"", "0x", "0", "0x0", "-5", "+5", "0x1g", "12a", " 12", "4294967296", "0x100000000",
                            "0x0000000000000000001ffffffff"}) {
        id = 7;
        EXPECT_FALSE(parseWindowId(bad, &id)) << bad;
        EXPECT_EQ(id, 7ul) << bad;
    }
    ParseResult bad = parse({"--window-id", "window"});
    EXPECT_EQ(bad.status, ParseStatus::Error);
    EXPECT_NE(bad.error.find("--window-id"), std::string::npos) << bad.error;
}

TEST(Options, WhereTheProgramDrawsIsOneChoice) {
    // The outputs only exist headless; a window and the headless run exclude each other.
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--output", "o"},
                                                 {"--trace", "-"},
                                                 {"--bench"},
                                                 {"--headless"},
                                                 {"--frames", "3", "--contact-sheet", "s.png"},
                                                 {"--record", "b.webm"}}) {
        ParseResult r = parse(args);
        ASSERT_EQ(r.status, ParseStatus::Run) << r.error;
        EXPECT_TRUE(wantsHeadless(r.options)) << args[0];
    }
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--window-id", "5", "--headless"},
                                                 {"--root", "--headless"},
                                                 {"--window-id", "5", "--output", "o"},
                                                 {"--root", "--bench"},
                                                 {"--fullscreen", "--root"},
                                                 {"--fullscreen", "--window-id", "5"},
                                                 {"--fullscreen", "--trace", "t"}}) {
        ParseResult r = parse(args);
        EXPECT_EQ(r.status, ParseStatus::Error) << args[0] << " " << args[1];
        EXPECT_EQ(r.error.find('\n'), std::string::npos);
    }
    // The settings dialog's preview: the module's command with --window-id appended.
    ParseResult preview = parse({"-root", "-ships", "140", "--window-id", "0x1200003"});
    ASSERT_EQ(preview.status, ParseStatus::Run) << preview.error;
    EXPECT_TRUE(preview.options.windowIdGiven);
    EXPECT_EQ(preview.options.ships, 140);

    ParseResult window = parse({"--fullscreen", "--size", "800x600"});
    ASSERT_EQ(window.status, ParseStatus::Run) << window.error;
    EXPECT_FALSE(wantsHeadless(window.options));
}

// The XScreenSaver forms stay on X and the Wayland forms on Wayland whatever
// the environment says; otherwise WAYLAND_DISPLAY decides.
TEST(Options, DisplayFollowsTheFormThenWaylandDisplay) {
    struct Case {
        std::vector<std::string> args;
        const char* waylandDisplay;
        DisplayKind kind;
    };
    const Case cases[] = {
        {{}, nullptr, DisplayKind::X11},
        {{}, "", DisplayKind::X11},
        {{"--fullscreen"}, "wayland-1", DisplayKind::Wayland},
        {{"--x11"}, "wayland-1", DisplayKind::X11},
        {{"--root"}, "wayland-1", DisplayKind::X11},
        {{"-root", "-window-id", "5"}, "wayland-1", DisplayKind::X11},
        {{"--wayland"}, nullptr, DisplayKind::Wayland},
        {{"--saver"}, nullptr, DisplayKind::Wayland},
        {{"--wallpaper", "--wayland"}, "", DisplayKind::Wayland},
        {{"--bench"}, "wayland-1", DisplayKind::Headless},
    };
    for (const Case& c : cases) {
        ParseResult r = parse(c.args);
        ASSERT_EQ(r.status, ParseStatus::Run) << r.error;
        EXPECT_EQ(displayFor(r.options, c.waylandDisplay), c.kind)
            << (c.args.empty() ? "(none)" : c.args[0]) << " with " << (c.waylandDisplay ? c.waylandDisplay : "unset");
    }
}

// A recording runs at the saver's pace unless told otherwise; --seconds is
// the frames that cover the time at the frame time, the last one included.
TEST(Options, RecordFrameTimeAndSeconds) {
    struct Case {
        std::vector<std::string> args;
        int frameMs;
        std::int64_t frames;  // -1: until stopped
    };
    const Case cases[] = {
        {{"--record", "b.MP4"}, RecordFrameMs, -1},          {{"--record", "b.gif", "--frame-ms", "40"}, 40, -1},
        {{"--record", "b.mp4", "--seconds", "10"}, 31, 323}, {{"--record", "b.mp4", "--seconds", "0.031"}, 31, 1},
        {{"--frame-ms", "50", "--seconds", "2.5"}, 50, 50},  {{"--frame-ms", "20", "--seconds", ".01"}, 20, 1},
    };
    for (const Case& c : cases) {
        ParseResult r = parse(c.args);
        ASSERT_EQ(r.status, ParseStatus::Run) << c.args[1] << ": " << r.error;
        EXPECT_EQ(r.options.frameMs, c.frameMs) << c.args[1];
        EXPECT_EQ(r.options.framesGiven ? r.options.frames : -1, c.frames) << c.args[1];
    }
}

TEST(Options, UserSettingsAreTheFiveSwitches) {
    Settings none = userSettings(parse({}).options);
    EXPECT_EQ(none.HVIsLetterBox + none.HVNumberAdditionalShips + none.HVIsRandStartView + none.HVIsFrameCounter +
                  none.HVIsLowResStars,
              0);
    const Settings all =
        userSettings(parse({"-letterbox", "-ships", "300", "-random-start-view", "-fps", "-low-res-stars"}).options);
    EXPECT_EQ(all.HVIsLetterBox, 1);
    EXPECT_EQ(all.HVNumberAdditionalShips, 300);
    EXPECT_EQ(all.HVIsRandStartView, 1);
    EXPECT_EQ(all.HVIsFrameCounter, 1);
    EXPECT_EQ(all.HVIsLowResStars, 1);
}

// The bench report names the drawing paths that differ from the defaults.
TEST(Options, ChangedDrawingPathsAreNamed) {
    DrawingPaths paths;
    EXPECT_EQ(changedPaths(paths), "");
    paths.lateDebris = false;
    EXPECT_EQ(changedPaths(paths), "debris immediate");
    paths.mergedLists = false;
    EXPECT_EQ(changedPaths(paths), "debris immediate, lists plain");
    paths.lateDebris = true;
    EXPECT_EQ(changedPaths(paths), "lists plain");
}
