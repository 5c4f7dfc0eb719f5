// The vertex stream's use of its buffers, through recording stand-ins for the
// buffer-object entry points: no GL context needed. What matters over a
// night: the stores stay bounded by what a frame needs, however many frames
// have streamed, and stop gives every buffer back.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/gl/vertex_stream.h"
#include "render/gl11/buffer_objects.h"

namespace {

struct Recorded {
    int made = 0, deleted = 0, stores = 0;
    std::ptrdiff_t largestStore = 0;
    unsigned bound = 0;
    std::vector<unsigned> writtenTo;  // the buffer bound at each write
};
Recorded rec;

BufferProcs recordingProcs() {
    BufferProcs p;
    p.genBuffers = [](int n, unsigned* b) {
        for (int i = 0; i < n; ++i) b[i] = static_cast<unsigned>(++rec.made);
    };
    p.deleteBuffers = [](int n, const unsigned*) { rec.deleted += n; };
    p.bindBuffer = [](unsigned, unsigned b) { rec.bound = b; };
    p.bufferData = [](unsigned, std::ptrdiff_t bytes, const void*, unsigned) {
        ++rec.stores;
        if (bytes > rec.largestStore) rec.largestStore = bytes;
    };
    p.bufferSubData = [](unsigned, std::ptrdiff_t, std::ptrdiff_t, const void*) { rec.writtenTo.push_back(rec.bound); };
    return p;
}

// Streams `frames` frames of `draws` draws of `bytes` each; returns the offsets of the last frame.
std::vector<std::uintptr_t> streamFrames(VertexStream& s, int frames, int draws, std::size_t bytes) {
    static const std::vector<char> data(1 << 22);
    std::vector<std::uintptr_t> offsets;
    for (int f = 0; f < frames; ++f) {
        s.beginFrame();
        offsets.clear();
        for (int d = 0; d < draws; ++d) {
            s.reserve(bytes);
            offsets.push_back(reinterpret_cast<std::uintptr_t>(s.put(data.data(), bytes)));
        }
    }
    return offsets;
}

TEST(VertexStream, StoresStayBoundedByAFramesNeedOverManyFrames) {
    rec = Recorded();
    VertexStream s;
    ASSERT_TRUE(s.start(recordingProcs()));
    // A frame of 3 MB in draws of 300 KB: the stores grow in the first frames only.
    streamFrames(s, 10, 10, 300 * 1024);
    const int storesAfterWarmUp = rec.stores;
    const std::vector<std::uintptr_t> offsets = streamFrames(s, 5000, 10, 300 * 1024);
    EXPECT_EQ(rec.stores, storesAfterWarmUp);
    EXPECT_LE(rec.largestStore, 4 * 3 * 1024 * 1024);  // at most twice the frame, rounded up to a power of two
    // Each frame writes its buffer from the start, one draw after the other.
    ASSERT_EQ(offsets.size(), 10u);
    for (std::size_t d = 0; d < offsets.size(); ++d) EXPECT_EQ(offsets[d], d * 300 * 1024);
    // A larger frame grows the store once more, and only once.
    streamFrames(s, 50, 20, 300 * 1024);
    EXPECT_LE(rec.stores, storesAfterWarmUp + 2);
}

TEST(VertexStream, FramesTakeTheTwoBuffersInTurnAndStopDeletesBoth) {
    rec = Recorded();
    VertexStream s;
    ASSERT_TRUE(s.start(recordingProcs()));
    streamFrames(s, 4, 1, 64);
    ASSERT_EQ(rec.writtenTo.size(), 4u);
    EXPECT_NE(rec.writtenTo[0], rec.writtenTo[1]);
    EXPECT_EQ(rec.writtenTo[0], rec.writtenTo[2]);
    s.stop();
    EXPECT_EQ(rec.deleted, rec.made);
    EXPECT_FALSE(s.buffered());
    // Without buffers the data stays where it is (client arrays).
    const char data[4] = {};
    EXPECT_EQ(s.put(data, sizeof data), data);
}

}  // namespace

namespace {

// Whether a context has the buffer objects, from its strings.
TEST(VertexStream, BufferObjectsFromTheVersionOrTheWholeExtensionName) {
    struct Case {
        const char* version;
        const char* extensions;
        bool has;
    } const cases[] = {
        {"1.5 Mesa", "", true},
        {"4.5 (Compatibility Profile) Mesa 22.3.6", nullptr, true},
        {"1.4", "GL_EXT_foo GL_ARB_vertex_buffer_object", true},
        {"1.1.0", "GL_ARB_vertex_buffer_object_extra GL_XARB_vertex_buffer_object", false},
        {"1.1", "GL_ARB_vertex_buffer_objec", false},
        {nullptr, nullptr, false},
        {"garbage", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hasBufferObjects(c.version, c.extensions), c.has)
            << (c.version ? c.version : "null") << " / " << (c.extensions ? c.extensions : "null");
    }
}

}  // namespace
