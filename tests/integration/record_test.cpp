// `halvorn --record`: the videos ffmpeg makes of a run, measured with ffprobe
// and compared with the PNG frames of the same run, and the ways a recording
// can fail without leaving a file that looks finished. Skipped without ffmpeg
// and ffprobe, or without an EGL display.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "egl_context.h"
#include "png_io.h"

namespace {

namespace fs = std::filesystem;

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

// Exit status of a shell command, -1 when it did not exit normally.
int shell(const std::string& command) {
    const int raw = std::system(command.c_str());
    return raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Peak signal-to-noise ratio of the luma (BT.709 weights) of b against a, over
// the top-left w x h pixels, dB.
double lumaPsnr(const RgbImage& a, const RgbImage& b, int w, int h) {
    double sum = 0.0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = a.at(x, y);
            const std::uint8_t* q = b.at(x, y);
            const double d = 0.2126 * (p[0] - q[0]) + 0.7152 * (p[1] - q[1]) + 0.0722 * (p[2] - q[2]);
            sum += d * d;
        }
    }
    const double mse = sum / (static_cast<double>(w) * h);
    return mse > 0.0 ? 10.0 * std::log10(255.0 * 255.0 / mse) : 99.0;
}

class RecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        if (shell("command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null") != 0) {
            GTEST_SKIP() << "ffmpeg and ffprobe are not installed (apt-get install ffmpeg)";
        }
        if (!EglContext::create(16, 16, &error)) GTEST_SKIP() << error;
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        dir = fs::path(::testing::TempDir()) / ("halvorn_record_" + test + "_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        if (!HasFailure() && !dir.empty()) fs::remove_all(dir);
    }

    // Runs the program with the arguments after the environment assignments
    // env ("" for none); standard error goes to `err`.
    int run(const std::vector<std::string>& args, const std::string& env = "") {
        std::string command = env + " " + quoted(HALVORN_PROGRAM);
        for (const std::string& a : args) command += " " + quoted(a);
        command += " >/dev/null 2>" + quoted((dir / "stderr.txt").string());
        const int status = shell(command);
        err = readFile(dir / "stderr.txt");
        return status;
    }

    // What ffprobe finds in the video: "codec,width,height,rate" of its first
    // stream, the frames decoded and the duration in seconds.
    struct Probe {
        std::string stream;
        int frames = -1;
        double seconds = -1.0;
    };
    Probe probe(const fs::path& video) {
        const fs::path out = dir / "probe.txt";
        shell(
            "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
            "stream=codec_name,width,height,r_frame_rate,nb_read_frames:format=duration -of default=nw=1 " +
            quoted(video.string()) + " >" + quoted(out.string()));
        std::istringstream in(readFile(out));
        fs::remove(out);
        std::map<std::string, std::string> found;
        for (std::string line; std::getline(in, line);) {
            const std::size_t eq = line.find('=');
            if (eq != std::string::npos) found[line.substr(0, eq)] = line.substr(eq + 1);
        }
        Probe p;
        p.stream = found["codec_name"] + "," + found["width"] + "," + found["height"] + "," + found["r_frame_rate"];
        if (!found["nb_read_frames"].empty()) p.frames = std::atoi(found["nb_read_frames"].c_str());
        if (!found["duration"].empty()) p.seconds = std::atof(found["duration"].c_str());
        return p;
    }

    // Frame n (0-based) of the video, decoded to RGB.
    RgbImage decodedFrame(const fs::path& video, int n) {
        const fs::path png = dir / ("decoded-" + std::to_string(n) + ".png");
        shell("ffmpeg -v error -y -i " + quoted(video.string()) + " -vf " +
              quoted("select=eq(n\\," + std::to_string(n) + ")") + " -frames:v 1 -pix_fmt rgb24 " +
              quoted(png.string()));
        RgbImage image;
        std::string error;
        EXPECT_TRUE(readPng(png.string(), &image, &error)) << error;
        return image;
    }

    // The names in dir, sorted, but for the captured standard error.
    std::vector<std::string> files() {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir)) {
            if (e.path().filename() != "stderr.txt") names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir;
    std::string err;
};

constexpr int Frames = 48;

// The options of every run here, then extra.
std::vector<std::string> battle(const std::vector<std::string>& extra) {
    std::vector<std::string> args = {"--seed", "7", "--ships", "20", "--frame-ms", "31"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

// Each container holds every frame of the run at 1000/31 frames per second
// (a GIF's delays are hundredths of a second, so only its length is exact to
// them), and its first and last frames are the run's pictures up to the
// codec's loss. Recording changes nothing in the battle.
TEST_F(RecordTest, EachContainerHoldsTheRunAtItsPace) {
    struct Case {
        const char* name;
        const char* size;
        const char* probed;  // codec, width, height, rate
        double psnrFloor;    // dB, luma
    };
    // Measured at 160x90, seed 7 (first and last frame): mp4 38.4 and 36.0 dB,
    // webm 40.6 and 33.6, gif 43.9 and 43.7. An odd mp4 loses its last column
    // and row.
    const Case cases[] = {
        {"run.mp4", "160x90", "h264,160,90,1000/31", 33.0},
        {"run.webm", "160x90", "vp9,160,90,1000/31", 30.0},
        {"run.gif", "160x90", "gif,160,90,100/1", 38.0},
        {"odd.mp4", "161x91", "h264,160,90,1000/31", 33.0},
    };
    std::string referenceSize;
    std::string referenceTrace;
    RgbImage first, last;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.size != referenceSize) {
            // The reference: the same run written as pictures.
            ASSERT_EQ(run(battle({"--frames", "48", "--size", c.size, "--output", (dir / c.size).string(), "--trace",
                                  (dir / "reference.jsonl").string()})),
                      0)
                << err;
            referenceTrace = readFile(dir / "reference.jsonl");
            std::string error;
            ASSERT_TRUE(readPng(framePngPath((dir / c.size).string(), 1), &first, &error)) << error;
            ASSERT_TRUE(readPng(framePngPath((dir / c.size).string(), Frames), &last, &error)) << error;
            referenceSize = c.size;
        }
        ASSERT_EQ(run(battle({"--frames", "48", "--size", c.size, "--record", (dir / c.name).string(), "--trace",
                              (dir / "recorded.jsonl").string()})),
                  0)
            << err;
        EXPECT_EQ(readFile(dir / "recorded.jsonl"), referenceTrace);

        const Probe probed = probe(dir / c.name);
        EXPECT_EQ(probed.stream, c.probed);
        EXPECT_EQ(probed.frames, Frames);
        EXPECT_NEAR(probed.seconds, Frames * 0.031, 0.0101);

        const int w = first.width & (c.probed[0] == 'h' ? ~1 : ~0);
        const int h = first.height & (c.probed[0] == 'h' ? ~1 : ~0);
        const double psnrFirst = lumaPsnr(first, decodedFrame(dir / c.name, 0), w, h);
        const double psnrLast = lumaPsnr(last, decodedFrame(dir / c.name, Frames - 1), w, h);
        EXPECT_GE(psnrFirst, c.psnrFloor);
        EXPECT_GE(psnrLast, c.psnrFloor);
        std::printf("%s: luma PSNR first %.1f dB, last %.1f dB\n", c.name, psnrFirst, psnrLast);
    }
}

// Every failure is one line and a non-zero status, and leaves no video and
// no temporary file behind.
TEST_F(RecordTest, FailuresLeaveNoVideo) {
    // Stands in for an encoder that dies after the first frames.
    const fs::path fake = dir / "bin";
    fs::create_directories(fake);
    std::ofstream(fake / "ffmpeg") << "#!/bin/sh\nhead -c 100000 >/dev/null\necho 'disk on fire' >&2\nexit 3\n";
    fs::permissions(fake / "ffmpeg", fs::perms::owner_all);
    std::ofstream(dir / "file") << "not a folder";
    const fs::path nowhere = dir / "bin" / "none";
    fs::create_directories(nowhere);

    struct Case {
        const char* what;
        std::string env;
        std::string target;
        int status;
        const char* said;
    };
    const Case cases[] = {
        {"no ffmpeg", "PATH=" + nowhere.string(), (dir / "a.mp4").string(), 1, "(apt-get install ffmpeg)"},
        {"unknown extension", "", (dir / "a.mkv").string(), 2, "--record"},
        {"unwritable place", "", (dir / "file" / "a.mp4").string(), 1, "cannot write beside"},
        {"ffmpeg dies", "PATH=" + fake.string() + ":\"$PATH\"", (dir / "a.mp4").string(), 1, "status 3: disk on fire"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(run(battle({"--frames", "48", "--size", "160x90", "--record", c.target}), c.env), c.status);
        const std::size_t at = err.find(c.said);
        ASSERT_NE(at, std::string::npos) << err;
        EXPECT_EQ(err.find('\n', at), err.size() - 1) << err;  // the last line, and one line
        EXPECT_EQ(err.find("(after 0 frames)"), std::string::npos) << "it died in the middle";
        EXPECT_EQ(files(), (std::vector<std::string>{"bin", "file"}));
    }
}

// A stop signal in the middle ends the video at the last frame written: it
// plays, the program exits with 0, and only the video is left.
TEST_F(RecordTest, StopSignalFinishesTheVideo) {
    const fs::path video = dir / "stopped.webm";
    const std::string errPath = (dir / "stderr.txt").string();
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::freopen(errPath.c_str(), "w", stderr);
        ::execl(HALVORN_PROGRAM, HALVORN_PROGRAM, "--record", video.c_str(), "--size", "160x90", "--seed", "7",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Wait until ffmpeg has written a part of the video.
    const fs::path partial = dir / (".stopped.webm." + std::to_string(pid) + ".part");
    std::error_code ec;
    for (int i = 0; i < 300 && fs::file_size(partial, ec) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    err = readFile(errPath);
    ASSERT_TRUE(WIFEXITED(status)) << err;
    EXPECT_EQ(WEXITSTATUS(status), 0) << err;
    const Probe probed = probe(video);
    EXPECT_EQ(probed.stream, "vp9,160,90,1000/31");
    EXPECT_GT(probed.frames, 0);
    EXPECT_NE(err.find("record: " + video.string() + ": " + std::to_string(probed.frames) + " frames"),
              std::string::npos)
        << err;
    EXPECT_EQ(files(), std::vector<std::string>{"stopped.webm"});
}

}  // namespace
