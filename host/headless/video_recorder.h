// A run recorded as a video (--record FILE): the frames go as raw RGB on a
// pipe to the `ffmpeg` program, a separate process, which encodes them in the
// container the file name asks for. The program keeps no link to any codec
// library, and every encoder option lives in videoEncoderPasses().
//
// The video is written under a temporary name beside the target and renamed
// only once ffmpeg has finished it, so a file with the target's name is always
// a whole video. Frames stream through: one frame buffer, whatever the length.
#ifndef HALVORN_HOST_HEADLESS_VIDEO_RECORDER_H
#define HALVORN_HOST_HEADLESS_VIDEO_RECORDER_H

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "png_io.h"

enum class VideoFormat {
    Mp4,   // H.264, yuv420p, CRF 18, index at the front (+faststart)
    Webm,  // VP9, yuv420p
    Gif,   // one palette made for the whole clip
};

// The format a file name asks for by its extension (.mp4, .webm, .gif, in any
// case); false for any other name.
bool videoFormatForPath(const std::string& path, VideoFormat* format);

// The frame rate of frames frameMs milliseconds long, as ffmpeg reads a
// rational: "1000/31".
std::string videoFrameRate(int frameMs);

// The files one recording works with; all beside the target.
struct VideoFiles {
    std::string target;        // the name asked for, written last by a rename
    std::string partial;       // the video while it is made
    std::string intermediate;  // GIF only: the lossless frames between the two passes
    std::string palette;       // GIF only: the palette made from all frames
};

// The temporary names beside target, made unique by the process id pid.
VideoFiles videoFilesFor(const std::string& target, pid_t pid);

// The ffmpeg command lines (argument vectors, program name first) that make
// the video: the first pass reads the raw RGB frames on its standard input;
// a GIF takes a second pass that reads what the first one left.
std::vector<std::vector<std::string>> videoEncoderPasses(VideoFormat format, int width, int height, int frameMs,
                                                         const VideoFiles& files);

// One line about how far a recording is: "record: 120/323 frames, 41.3
// frames/s, 5 s left" (without the total and the time left when total < 0).
// elapsedS is the time since the first frame, seconds.
std::string formatRecordProgress(std::int64_t done, std::int64_t total, double elapsedS);

class VideoRecorder {
public:
    VideoRecorder() = default;
    // Abandons a recording that was not finished: stops ffmpeg, removes the files.
    ~VideoRecorder();
    VideoRecorder(const VideoRecorder&) = delete;
    VideoRecorder& operator=(const VideoRecorder&) = delete;

    // Checks that the target can be written beside, and starts ffmpeg on frames
    // of width x height pixels lasting frameMs milliseconds each. False with
    // *error set (one line, "record: ...") when the name has no known
    // extension, the place is not writable or ffmpeg cannot be started.
    bool start(const std::string& target, int width, int height, int frameMs, std::string* error);

    // Sends one frame (the size given to start). False with *error set when
    // ffmpeg has stopped; the recording is then abandoned.
    bool write(const RgbImage& frame, std::string* error);

    // Ends the input, waits for the encoder (and the GIF's second pass) and
    // renames the video to the target. False with *error set when ffmpeg
    // failed; nothing is left behind then.
    bool finish(std::string* error);

    // Stops ffmpeg and removes every file of the recording.
    void abandon();

    std::int64_t framesWritten() const { return frames_; }
    bool isRecording() const { return pipe_ >= 0; }  // started, and taking frames

private:
    // Starts ffmpeg with args, its standard input from inputFd (-1: /dev/null).
    bool spawn(const std::vector<std::string>& args, int inputFd, std::string* error);
    // Waits for ffmpeg; false with *error set unless it exited with status 0.
    bool wait(std::string* error);
    // What ffmpeg said last on its standard error, as one line.
    std::string encoderMessage() const;
    void removeFiles() const;

    VideoFormat format_ = VideoFormat::Mp4;
    VideoFiles files_;
    int width_ = 0;   // frame size, pixels
    int height_ = 0;  //
    int frameMs_ = 0;
    pid_t pid_ = -1;            // the running ffmpeg
    int pipe_ = -1;             // the write end of its input
    std::FILE* log_ = nullptr;  // its standard error
    std::int64_t frames_ = 0;
};

#endif
