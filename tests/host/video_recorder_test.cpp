#include "video_recorder.h"

#include <gtest/gtest.h>

#include <string>

// The container comes from the extension alone, in any case; the temporary
// names stay beside the target, hidden, and never end in the target's name.
TEST(VideoRecorder, FormatAndFilesFollowTheName) {
    struct Case {
        const char* path;
        bool known;
        VideoFormat format;
    };
    const Case cases[] = {
        {"a.mp4", true, VideoFormat::Mp4},     {"out/Battle.WebM", true, VideoFormat::Webm},
        {"x.y.gif", true, VideoFormat::Gif},   {"movie.mp4/clip", false, VideoFormat::Mp4},
        {"clip.avi", false, VideoFormat::Mp4}, {".mp4x", false, VideoFormat::Mp4},
    };
    for (const Case& c : cases) {
        VideoFormat format = VideoFormat::Mp4;
        EXPECT_EQ(videoFormatForPath(c.path, &format), c.known) << c.path;
        EXPECT_EQ(format, c.format) << c.path;
    }
    const VideoFiles files = videoFilesFor("out/run.mp4", 42);
    EXPECT_EQ(files.target, "out/run.mp4");
    EXPECT_EQ(files.partial, "out/.run.mp4.42.part");
    EXPECT_EQ(videoFilesFor("run.gif", 7).intermediate, ".run.gif.7.frames.mkv");
}

TEST(VideoRecorder, ProgressLine) {
    EXPECT_EQ(formatRecordProgress(120, 323, 3.0), "record: 120/323 frames, 40.0 frames/s, 6 s left");
    EXPECT_EQ(formatRecordProgress(0, 323, 0.0), "record: 0/323 frames");
    EXPECT_EQ(formatRecordProgress(50, -1, 2.0), "record: 50 frames, 25.0 frames/s");
}
