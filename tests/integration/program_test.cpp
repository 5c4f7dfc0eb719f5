// The `halvorn` program run from its command line: traces that replay, the
// option errors and the help, the bench report with its floor. Runs that draw
// need an EGL display and are skipped without one.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_report.h"
#include "egl_context.h"

namespace {

namespace fs = std::filesystem;

struct ProgramRun {
    int status = -1;  // exit status, -1 when the program did not exit normally
    std::string out;  // standard output
    std::string err;  // standard error
};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// s as one word for the shell.
std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') {
            q += "'\\''";
        } else {
            q += c;
        }
    }
    return q + "'";
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        // One folder per test and process: other runs of the suite on this
        // machine share the temporary folder.
        dir = fs::path(::testing::TempDir()) / ("halvorn_program_" + test + "_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        if (!HasFailure()) fs::remove_all(dir);
    }

    // Runs the program with the given arguments (each passed as one word).
    ProgramRun run(const std::vector<std::string>& args) {
        std::string command = quoted(HALVORN_PROGRAM);
        for (const std::string& a : args) command += " " + quoted(a);
        const fs::path out = dir / "stdout.txt";
        const fs::path err = dir / "stderr.txt";
        command += " >" + quoted(out.string()) + " 2>" + quoted(err.string());
        ProgramRun r;
        const int raw = std::system(command.c_str());
        if (raw != -1 && WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
        r.out = readFile(out);
        r.err = readFile(err);
        return r;
    }

    // Skips a test that needs the program to draw when no context can be made.
    bool canDraw() {
        std::string error;
        if (EglContext::create(16, 16, &error)) return true;
        skipReason = error;
        return false;
    }

    fs::path dir;
    std::string skipReason;
};

std::vector<std::string> traceLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Sum of the "hits" fields of a trace.
long hitsIn(const std::vector<std::string>& lines) {
    long hits = 0;
    for (const std::string& line : lines) {
        const std::size_t at = line.find("\"hits\":");
        if (at != std::string::npos) hits += std::strtol(line.c_str() + at + 7, nullptr, 10);
    }
    return hits;
}

}  // namespace

// The same seed and frame time replay the same battle, to the last bit of
// every ship's place and turn; reading frames back and writing them as
// pictures changes nothing in it.
TEST_F(ProgramTest, SameSeedAndFrameTimeGiveTheSameTraceWithOrWithoutPictures) {
    if (!canDraw()) GTEST_SKIP() << skipReason;
    const std::vector<std::string> common = {"--frames", "120",     "--frame-ms", "31",     "--seed",
                                             "7",        "--ships", "20",         "--size", "160x120"};
    auto traced = [&](const std::string& name, std::vector<std::string> extra) {
        std::vector<std::string> args = common;
        args.push_back("--trace");
        args.push_back((dir / name).string());
        args.insert(args.end(), extra.begin(), extra.end());
        const ProgramRun r = run(args);
        EXPECT_EQ(r.status, 0) << name << ": " << r.err;
        return readFile(dir / name);
    };
    const std::string first = traced("first.jsonl", {});
    const std::string second = traced("second.jsonl", {});
    const std::string pictures = traced("pictures.jsonl", {"--output", (dir / "frames").string(), "--every", "40"});
    // Leaving parts of the picture out leaves the battle alone (hits are found
    // in the drawing walk, whether or not anything is painted).
    const std::string bare = traced("bare.jsonl", {"--skip", "backdrop,ships,shots,debris,glow,flash,glare"});

    const std::vector<std::string> lines = traceLines(first);
    ASSERT_EQ(lines.size(), 121u);  // the start and every frame
    EXPECT_EQ(lines.front().rfind("{\"frame\":0,", 0), 0u) << lines.front();
    EXPECT_EQ(lines.back().rfind("{\"frame\":120,", 0), 0u) << lines.back();
    EXPECT_GT(hitsIn(lines), 0) << "a battle without hits proves little";
    EXPECT_EQ(second, first);
    EXPECT_EQ(pictures, first);
    EXPECT_EQ(bare, first);
    for (const char* name : {"frame-00040.png", "frame-00080.png", "frame-00120.png"}) {
        EXPECT_TRUE(fs::is_regular_file(dir / "frames" / name)) << name;
    }
    EXPECT_FALSE(fs::exists(dir / "frames" / "frame-00001.png"));

    // Another seed is another battle.
    const std::vector<std::string> other = {"--frames", "3",       "--frame-ms", "31",
                                            "--seed",   "8",       "--ships",    "20",
                                            "--size",   "160x120", "--trace",    (dir / "other.jsonl").string()};
    ASSERT_EQ(run(other).status, 0);
    EXPECT_NE(traceLines(readFile(dir / "other.jsonl")).at(0), lines.at(0));
}

// A bad option or value stops the program before it draws anything: status 2
// and one line on standard error that names the option.
TEST_F(ProgramTest, BadOptionsExitTwoWithOneLineNamingTheOption) {
    struct Case {
        std::vector<std::string> args;
        const char* named;
    };
    const Case cases[] = {
        {{"--frames", "-1"}, "--frames"},
        {{"--frames"}, "--frames"},
        {{"--size", "640"}, "--size"},
        {{"--size=8x8"}, "--size"},
        {{"--seed", "seven"}, "--seed"},
        {{"--frame-ms", "0"}, "--frame-ms"},
        {{"--ships", "301"}, "--ships"},
        {{"--every", "0"}, "--every"},
        {{"--frames", "5", "--warp-speed"}, "--warp-speed"},
        {{"--debris", "stippled"}, "--debris"},
        {{"--lists", "fast"}, "--lists"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        const ProgramRun r = run(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        ASSERT_FALSE(r.err.empty());
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
    }
}

TEST_F(ProgramTest, HelpListsEveryOptionAndExitsZero) {
    const ProgramRun r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    for (const char* option : {"--headless",      "--frames", "--size",      "--seed",
                               "--frame-ms",      "--ships",  "--letterbox", "--random-start-view",
                               "--low-res-stars", "--fps",    "--output",    "--every",
                               "--trace",         "--record", "--seconds",   "--bench",
                               "--contact-sheet", "--skip",   "--debris",    "--lists",
                               "--help"}) {
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    }
}

// The bench report: the rate, the split of a frame, and the floor (clear and
// one full-screen textured quad) with the frame's ratio to it.
TEST_F(ProgramTest, BenchReportsTheFrameAndItsFloor) {
    if (!canDraw()) GTEST_SKIP() << skipReason;
    const ProgramRun r = run({"--bench", "--frames", "10", "--frame-ms", "31", "--seed", "7", "--size", "64x48"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = traceLines(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_NE(lines[0].find("10 frames in"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("glFinish"), std::string::npos) << lines[1];
    double floorMs = -1, frameMs = -1, ratio = -1;
    ASSERT_EQ(std::sscanf(lines[2].c_str(),
                          "bench: floor (clear, one full-screen textured quad) %lf ms per frame; "
                          "frame %lf ms = %lf x floor",
                          &floorMs, &frameMs, &ratio),
              3)
        << lines[2];
    EXPECT_GT(floorMs, 0.0);
    EXPECT_GT(frameMs, 0.0);
    EXPECT_NEAR(ratio, frameMs / floorMs, 0.01 + ratio * 0.01);
}

// The drawing paths chosen on the command line are the ones the renderer drew
// by: the report reads them back from it.
TEST_F(ProgramTest, BenchNamesTheDrawingPathsTheRendererUsed) {
    if (!canDraw()) GTEST_SKIP() << skipReason;
    const std::vector<std::string> common = {"--bench", "--frames", "3", "--frame-ms", "31", "--size", "64x48"};
    std::vector<std::string> args = common;
    for (const char* a : {"--debris", "immediate", "--lists", "plain"}) args.push_back(a);
    ProgramRun r = run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("bench: drawn by other than the default paths: debris immediate, lists plain\n"),
              std::string::npos)
        << r.out;
    args = common;
    for (const char* a : {"--debris", "late", "--lists", "merged"}) args.push_back(a);
    r = run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("paths"), std::string::npos) << r.out;
}

// The floor line: only when a floor was measured; the frame is the work of a
// frame (simulation, camera, drawing, glFinish) without the output of "other".
TEST(BenchReportFloor, RatioOfTheFrameToTheFloor) {
    BenchTotals t;
    t.frames = 100;
    t.wallMs = 3000.0;
    t.simulationMs = 500.0;
    t.cameraMs = 100.0;
    t.drawingMs = 1000.0;
    t.finishMs = 400.0;
    EXPECT_EQ(formatBenchReport(t).find("floor"), std::string::npos);
    t.floorFrames = 100;
    t.floorMs = 1600.0;
    const std::string text = formatBenchReport(t);
    EXPECT_NE(text.find("bench: floor (clear, one full-screen textured quad) 16.000 ms per frame; "
                        "frame 20.000 ms = 1.25 x floor\n"),
              std::string::npos)
        << text;
    t.floorMs = 0.0;
    const std::string instant = formatBenchReport(t);
    EXPECT_EQ(instant.find("inf"), std::string::npos) << instant;
    EXPECT_EQ(instant.find("nan"), std::string::npos) << instant;
}
