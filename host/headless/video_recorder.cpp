#include "video_recorder.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <initializer_list>

extern char** environ;

namespace {

constexpr const char* EncoderProgram = "ffmpeg";
constexpr const char* EncoderPackage = "ffmpeg";

// The extension of the last path component, lower case, with its dot; "" when none.
std::string lowerExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// The options every pass starts with: quiet but for errors, no keyboard.
std::vector<std::string> commonHead() { return {EncoderProgram, "-hide_banner", "-nostdin", "-loglevel", "error"}; }

void addAll(std::vector<std::string>* a, std::initializer_list<const char*> items) {
    for (const char* s : items) a->push_back(s);
}

// The raw frames on standard input: RGB, top row first, at the exact rate.
void addRawInput(std::vector<std::string>* a, int width, int height, int frameMs) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    addAll(a, {"-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", size.c_str(), "-framerate",
               videoFrameRate(frameMs).c_str(), "-i", "pipe:0"});
}

// RGB to BT.709 YCbCr in video range, and the tags that tell players so.
void addYuv420(std::vector<std::string>* a, const char* crop) {
    std::string filter = crop ? std::string(crop) + "," : std::string();
    filter += "scale=out_color_matrix=bt709:out_range=tv,format=yuv420p";
    addAll(a, {"-vf", filter.c_str(), "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709",
               "-color_range", "tv"});
}

// A file name as ffmpeg must read it: with the file protocol named, so that a
// name with a colon is not taken for another protocol.
std::string fileUrl(const std::string& path) { return "file:" + path; }

}  // namespace

bool videoFormatForPath(const std::string& path, VideoFormat* format) {
    const std::string ext = lowerExtension(path);
    if (ext == ".mp4") {
        *format = VideoFormat::Mp4;
    } else if (ext == ".webm") {
        *format = VideoFormat::Webm;
    } else if (ext == ".gif") {
        *format = VideoFormat::Gif;
    } else {
        return false;
    }
    return true;
}

std::string videoFrameRate(int frameMs) { return "1000/" + std::to_string(frameMs); }

VideoFiles videoFilesFor(const std::string& target, pid_t pid) {
    const std::size_t slash = target.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string stem = dir + "." + name + "." + std::to_string(pid);
    VideoFiles files;
    files.target = target;
    files.partial = stem + ".part";
    files.intermediate = stem + ".frames.mkv";
    files.palette = stem + ".palette.png";
    return files;
}

std::vector<std::vector<std::string>> videoEncoderPasses(VideoFormat format, int width, int height, int frameMs,
                                                         const VideoFiles& files) {
    std::vector<std::string> first = commonHead();
    addRawInput(&first, width, height, frameMs);
    switch (format) {
    case VideoFormat::Mp4:
        // yuv420p needs even sides: an odd one loses its last column or row.
        addYuv420(&first, (width | height) & 1 ? "crop=trunc(iw/2)*2:trunc(ih/2)*2:0:0" : nullptr);
        addAll(&first, {"-c:v", "libx264", "-preset", "medium", "-crf", "18", "-movflags", "+faststart", "-f", "mp4",
                        "-y", fileUrl(files.partial).c_str()});
        return {first};
    case VideoFormat::Webm:
        addYuv420(&first, nullptr);
        // Constant quality (CRF with no bit-rate cap); row threads, and the
        // speed step that keeps VP9 within a few times H.264's time.
        addAll(&first, {"-c:v", "libvpx-vp9", "-crf", "30", "-b:v", "0", "-deadline", "good", "-cpu-used", "4",
                        "-row-mt", "1", "-f", "webm", "-y", fileUrl(files.partial).c_str()});
        return {first};
    case VideoFormat::Gif: {
        // A palette for the whole clip needs every frame before the first can
        // be coloured. Holding them in memory would grow with the clip, so the
        // first pass keeps them losslessly on disk while it gathers the
        // palette's statistics, and the second colours them.
        addAll(&first, {"-filter_complex", "[0:v]split[keep][stats];[stats]palettegen[palette]", "-map", "[keep]",
                        "-c:v", "ffv1", "-f", "matroska", "-y", fileUrl(files.intermediate).c_str(), "-map",
                        "[palette]", "-f", "image2", "-update", "1", "-y", fileUrl(files.palette).c_str()});
        std::vector<std::string> second = commonHead();
        addAll(&second,
               {"-i", fileUrl(files.intermediate).c_str(), "-i", fileUrl(files.palette).c_str(), "-filter_complex",
                "[0:v][1:v]paletteuse=dither=bayer:bayer_scale=3", "-f", "gif", "-y", fileUrl(files.partial).c_str()});
        return {first, second};
    }
    }
    return {first};
}

std::string formatRecordProgress(std::int64_t done, std::int64_t total, double elapsedS) {
    const double rate = elapsedS > 0.0 ? static_cast<double>(done) / elapsedS : 0.0;
    char line[160];
    if (total < 0) {
        std::snprintf(line, sizeof line, "record: %lld frames, %.1f frames/s", static_cast<long long>(done), rate);
    } else if (rate <= 0.0) {
        std::snprintf(line, sizeof line, "record: %lld/%lld frames", static_cast<long long>(done),
                      static_cast<long long>(total));
    } else {
        const double left = static_cast<double>(total - done) / rate;
        std::snprintf(line, sizeof line, "record: %lld/%lld frames, %.1f frames/s, %.0f s left",
                      static_cast<long long>(done), static_cast<long long>(total), rate, std::ceil(left));
    }
    return line;
}

VideoRecorder::~VideoRecorder() { abandon(); }

bool VideoRecorder::start(const std::string& target, int width, int height, int frameMs, std::string* error) {
    abandon();
    if (!videoFormatForPath(target, &format_)) {
        *error = "record: '" + target + "' names no known video format (end it in .mp4, .webm or .gif)";
        return false;
    }
    struct stat st;
    if (::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        *error = "record: '" + target + "' is a directory; give a file name";
        return false;
    }
    files_ = videoFilesFor(target, ::getpid());
    width_ = width;
    height_ = height;
    frameMs_ = frameMs;
    frames_ = 0;
    // Taking the temporary name now proves the place is writable before any
    // frame is drawn, and keeps another run from using it.
    const int probe = ::open(files_.partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (probe < 0) {
        *error = "record: cannot write beside '" + target + "': " + std::strerror(errno);
        return false;
    }
    ::close(probe);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        *error = std::string("record: cannot make a pipe to ffmpeg: ") + std::strerror(errno);
        removeFiles();
        return false;
    }
    // A bigger pipe takes a larger part of a frame in one write (best effort).
    ::fcntl(fds[1], F_SETPIPE_SZ, 1 << 20);
    const std::vector<std::vector<std::string>> passes = videoEncoderPasses(format_, width, height, frameMs, files_);
    const bool started = spawn(passes.front(), fds[0], error);
    ::close(fds[0]);
    if (!started) {
        ::close(fds[1]);
        removeFiles();
        return false;
    }
    pipe_ = fds[1];
    return true;
}

bool VideoRecorder::spawn(const std::vector<std::string>& args, int inputFd, std::string* error) {
    // A fresh file for each pass: a failure is described by the pass that failed.
    if (log_) std::fclose(log_);
    log_ = std::tmpfile();
    if (!log_) {
        *error = std::string("record: cannot make a file for ffmpeg's messages: ") + std::strerror(errno);
        return false;
    }

    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (inputFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, inputFd, 0);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    // Its standard output stays off ours (a trace may go there).
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fileno(log_), 2);

    // Its own process group: a ^C in the terminal reaches only this program,
    // which then ends the input so that ffmpeg finishes the video. It gets the
    // default signal actions (SIGPIPE is ignored here while recording).
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int s : {SIGPIPE, SIGINT, SIGTERM}) sigaddset(&defaults, s);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);

    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, EncoderProgram, &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        if (rc == ENOENT) {
            *error = std::string("record: the ") + EncoderProgram + " program is not installed (apt-get install " +
                     EncoderPackage + ")";
        } else {
            *error = std::string("record: cannot start ") + EncoderProgram + ": " + std::strerror(rc);
        }
        return false;
    }
    pid_ = pid;
    return true;
}

bool VideoRecorder::write(const RgbImage& frame, std::string* error) {
    if (pipe_ < 0) {
        *error = "record: no recording is running";
        return false;
    }
    if (frame.width != width_ || frame.height != height_) {
        *error = "record: frame of " + std::to_string(frame.width) + "x" + std::to_string(frame.height) +
                 " pixels in a video of " + std::to_string(width_) + "x" + std::to_string(height_);
        abandon();
        return false;
    }
    const std::uint8_t* data = frame.pixels.data();
    std::size_t left = frame.pixels.size();
    while (left > 0) {
        const ssize_t n = ::write(pipe_, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // EPIPE: ffmpeg has gone; its status and last words say why.
            const int writeErrno = errno;
            ::close(pipe_);
            pipe_ = -1;
            std::string why;
            if (wait(&why)) why = std::string("record: writing to ffmpeg failed: ") + std::strerror(writeErrno);
            *error = why + " (after " + std::to_string(frames_) + " frames); no video written";
            abandon();
            return false;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    ++frames_;
    return true;
}

bool VideoRecorder::wait(std::string* error) {
    int status = 0;
    pid_t got;
    do {
        got = ::waitpid(pid_, &status, 0);
    } while (got < 0 && errno == EINTR);
    pid_ = -1;
    if (got < 0) {
        *error = std::string("record: lost ffmpeg: ") + std::strerror(errno);
        return false;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    std::string how = WIFEXITED(status) ? "exited with status " + std::to_string(WEXITSTATUS(status))
                                        : "was killed by signal " + std::to_string(WTERMSIG(status));
    const std::string said = encoderMessage();
    *error = "record: ffmpeg " + how + (said.empty() ? std::string() : ": " + said);
    return false;
}

std::string VideoRecorder::encoderMessage() const {
    if (!log_) return "";
    std::string text;
    char buffer[4096];
    ::lseek(fileno(log_), 0, SEEK_SET);
    ssize_t n;
    while ((n = ::read(fileno(log_), buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > (1u << 16)) text.erase(0, text.size() - 4096);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    const std::size_t nl = text.find_last_of("\r\n");
    return nl == std::string::npos ? text : text.substr(nl + 1);
}

bool VideoRecorder::finish(std::string* error) {
    if (pipe_ < 0) {
        *error = "record: no recording is running";
        return false;
    }
    if (frames_ == 0) {
        *error = "record: no frame was drawn; no video written";
        abandon();
        return false;
    }
    ::close(pipe_);
    pipe_ = -1;
    const std::vector<std::vector<std::string>> passes = videoEncoderPasses(format_, width_, height_, frameMs_, files_);
    bool ok = wait(error);
    for (std::size_t i = 1; ok && i < passes.size(); ++i) ok = spawn(passes[i], -1, error) && wait(error);
    if (ok && std::rename(files_.partial.c_str(), files_.target.c_str()) != 0) {
        *error = "record: cannot rename '" + files_.partial + "' to '" + files_.target + "': " + std::strerror(errno);
        ok = false;
    }
    if (!ok) {
        abandon();
        return false;
    }
    // The video has its name: only the GIF's helpers are left to clean up.
    files_.partial.clear();
    removeFiles();
    files_ = VideoFiles();
    if (log_) std::fclose(log_);
    log_ = nullptr;
    return true;
}

void VideoRecorder::abandon() {
    if (pipe_ >= 0) {
        ::close(pipe_);
        pipe_ = -1;
    }
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        std::string ignored;
        wait(&ignored);
    }
    removeFiles();
    files_ = VideoFiles();
    if (log_) std::fclose(log_);
    log_ = nullptr;
}

void VideoRecorder::removeFiles() const {
    for (const std::string* path : {&files_.partial, &files_.intermediate, &files_.palette}) {
        if (!path->empty()) ::unlink(path->c_str());
    }
}
