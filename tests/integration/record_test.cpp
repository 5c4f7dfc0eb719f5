// `halvorn --record`: the videos ffmpeg makes of a run, measured with ffprobe
// and compared with the PNG frames of the same run, and the ways a recording
// can fail without leaving a file that looks finished. Skipped without ffmpeg
// and ffprobe, or without an EGL display.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "egl_context.h"
#include "png_io.h"

namespace {

namespace fs = std::filesystem;

constexpr int Frames = 48;  // as given to the runs below

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// s as one word for the shell.
std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs a shell command; its exit status (-1 when it did not exit) and its standard output.
int shell(const std::string& command, std::string* out = nullptr) {
    std::FILE* pipe = ::popen(command.c_str(), "r");
    char buffer[4096];
    for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        if (out) out->append(buffer, n);
    }
    const int raw = pipe ? ::pclose(pipe) : -1;
    return raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Peak signal-to-noise ratio of the luma (BT.709 weights) of b against a, over
// the top-left w x h pixels, dB.
double lumaPsnr(const RgbImage& a, const RgbImage& b, int w, int h) {
    if (b.width < w || b.height < h) return 0.0;
    double sum = 0.0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = a.at(x, y);
            const std::uint8_t* q = b.at(x, y);
            const double d = 0.2126 * (p[0] - q[0]) + 0.7152 * (p[1] - q[1]) + 0.0722 * (p[2] - q[2]);
            sum += d * d;
        }
    }
    return sum > 0.0 ? 10.0 * std::log10(255.0 * 255.0 * w * h / sum) : 99.0;
}

class RecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        if (shell("command -v ffmpeg && command -v ffprobe") != 0) GTEST_SKIP() << "no ffmpeg (apt-get install ffmpeg)";
        if (!EglContext::create(16, 16, &error)) GTEST_SKIP() << error;
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        dir = fs::path(::testing::TempDir()) / ("halvorn_record_" + test + "_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        if (!HasFailure() && !dir.empty()) fs::remove_all(dir);
        fs::remove(dir.string() + ".err");
    }

    // Runs the program (after the environment assignments env) with the
    // battle of every run here and the extra arguments, its standard error
    // into `err`; `then` follows it in the same shell.
    int run(const std::vector<std::string>& extra, const std::string& env = "", const std::string& then = "") {
        std::string command = "cd " + quoted(dir.string()) + " && { " + env + " " + quoted(HALVORN_PROGRAM) +
                              " --seed 7 --ships 20 --frame-ms 31";
        for (const std::string& a : extra) command += " " + quoted(a);
        const int status = shell(command + " >/dev/null 2>" + quoted(dir.string() + ".err") + then + "; }");
        err = readFile(dir.string() + ".err");
        return status;
    }
    // ffprobe's "codec,width,height,rate,frames" of the video's stream, then
    // a line with its duration in seconds.
    std::string probe(const std::string& video) {
        std::string out;
        shell(
            "ffprobe -v error -count_frames -select_streams v:0 -of csv=p=0 -show_entries "
            "stream=codec_name,width,height,r_frame_rate,nb_read_frames:format=duration " +
                quoted(video),
            &out);
        return out;
    }
    // The names in dir, hidden ones included, sorted, one a line.
    std::string files() {
        std::string out;
        shell("ls -A " + quoted(dir.string()), &out);
        return out;
    }
    std::string path(const std::string& name) { return (dir / name).string(); }

    fs::path dir;
    std::string err;
};

// Each container holds every frame of the run at 1000/31 frames per second
// (a GIF's delays are hundredths of a second, so its length is right only to
// them), and its first and last frames are the run's pictures up to the
// codec's loss. Recording changes nothing in the battle.
TEST_F(RecordTest, EachContainerHoldsTheRunAtItsPace) {
    struct Case {
        const char* name;
        const char* size;
        const char* probed;  // codec, width, height, rate, frames
        double psnrFloor;    // dB, luma
    };
    // Measured at 160x90, seed 7 (first and last frame): mp4 38.4 and 36.0 dB,
    // webm 40.6 and 33.6, gif 43.9 and 43.7. An odd mp4 loses its last column
    // and row.
    const Case cases[] = {
        {"run.mp4", "160x90", "h264,160,90,1000/31,48", 33.0},
        {"run.webm", "160x90", "vp9,160,90,1000/31,48", 30.0},
        {"run.gif", "160x90", "gif,160,90,100/1,48", 38.0},
        {"odd.mp4", "161x91", "h264,160,90,1000/31,48", 33.0},
    };
    std::string referenceTrace;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!fs::exists(path(c.size))) {  // the reference: the same run written as pictures
            ASSERT_EQ(run({"--frames", "48", "--size", c.size, "--trace", "reference.jsonl", "--output", c.size}), 0)
                << err;
            referenceTrace = readFile(path("reference.jsonl"));
        }
        ASSERT_EQ(run({"--frames", "48", "--size", c.size, "--trace", "recorded.jsonl", "--record", c.name}), 0) << err;
        EXPECT_EQ(readFile(path("recorded.jsonl")), referenceTrace);

        const std::string probed = probe(path(c.name));
        EXPECT_EQ(probed.substr(0, probed.find('\n')), c.probed);
        EXPECT_NEAR(std::atof(probed.c_str() + probed.find('\n') + 1), Frames * 0.031, 0.0101) << probed;

        // The first and the last frame, decoded.
        shell("cd " + quoted(dir.string()) + " && ffmpeg -v error -i " + c.name +
              " -vf 'select=eq(n\\,0)+eq(n\\,47)' -vsync 0 -pix_fmt rgb24 decoded-%d.png");
        for (int i : {1, 2}) {
            RgbImage drawn, decoded;
            std::string error;
            ASSERT_TRUE(readPng(framePngPath(path(c.size), i == 1 ? 1 : Frames), &drawn, &error)) << error;
            ASSERT_TRUE(readPng(path("decoded-" + std::to_string(i) + ".png"), &decoded, &error)) << error;
            const bool even = c.probed[0] == 'h';
            const double psnr = lumaPsnr(drawn, decoded, drawn.width & ~int(even), drawn.height & ~int(even));
            EXPECT_GE(psnr, c.psnrFloor) << "frame " << i;
        }
    }
}

// Every failure is one line, the last, with a non-zero status, and leaves no
// video and no temporary file behind.
TEST_F(RecordTest, FailuresLeaveNoVideo) {
    // Stands in for an encoder that dies after the first frames.
    fs::create_directories(dir / "bin" / "none");
    std::ofstream(dir / "bin" / "ffmpeg") << "#!/bin/sh\nhead -c 100000 >/dev/null\necho 'disk on fire' >&2\nexit 3\n";
    fs::permissions(dir / "bin" / "ffmpeg", fs::perms::owner_all);
    std::ofstream(dir / "file") << "not a folder";
    const struct {
        const char* env;
        const char* target;
        int status;
        const char* said;
    } cases[] = {
        {"PATH=bin/none", "a.mp4", 1, "(apt-get install ffmpeg)"},
        {"", "a.mkv", 2, "--record"},
        {"", "file/a.mp4", 1, "cannot write beside"},
        {"PATH=\"$PWD/bin:$PATH\"", "a.mp4", 1, "status 3: disk on fire (after "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said);
        EXPECT_EQ(run({"--frames", "48", "--size", "160x90", "--record", c.target}, c.env), c.status);
        const std::size_t at = err.find(c.said);
        ASSERT_NE(at, std::string::npos) << err;
        EXPECT_EQ(err.find('\n', at), err.size() - 1) << err;
        EXPECT_EQ(err.find("(after 0 frames)"), std::string::npos) << "ffmpeg died in the middle";
        EXPECT_EQ(files(), "bin\nfile\n");
    }
}

// A stop signal in the middle ends the video at the last frame written: it
// plays, the program exits with 0, and only the video is left.
TEST_F(RecordTest, StopSignalFinishesTheVideo) {
    // Once ffmpeg has written a part of the video (under the name with the program's id).
    ASSERT_EQ(run({"--size", "160x90", "--record", "stopped.webm"}, "",
                  " & p=$!; i=0; while [ ! -s .stopped.webm.$p.part ] && [ $i -lt 300 ]; do sleep 0.05; "
                  "i=$((i + 1)); done; sleep 0.3; kill -TERM $p; wait $p"),
              0)
        << err;
    const std::string probed = probe(path("stopped.webm"));
    const int frames = std::atoi(probed.c_str() + probed.find(",1000/31,") + 9);
    EXPECT_EQ(probed.substr(0, probed.find('\n')), "vp9,160,90,1000/31," + std::to_string(frames));
    EXPECT_GT(frames, 0);
    EXPECT_NE(err.find("record: stopped.webm: " + std::to_string(frames) + " frames"), std::string::npos) << err;
    EXPECT_EQ(files(), "stopped.webm\n");
}

}  // namespace
