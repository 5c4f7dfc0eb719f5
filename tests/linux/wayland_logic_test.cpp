#include "wayland_logic.h"

#include <gtest/gtest.h>

namespace {

WaylandConfigTraits config(int bits, int alpha, int depthBits = 24, int samples = 0, bool slow = false) {
    WaylandConfigTraits c;
    c.red = c.green = c.blue = bits;
    c.alpha = alpha;
    c.depthBits = depthBits;
    c.samples = samples;
    c.slow = slow;
    return c;
}

}  // namespace

TEST(ChooseWaylandConfig, EightBitsWithoutAlphaFirstThenTheUsualPreferences) {
    struct Case {
        const char* what;
        std::vector<WaylandConfigTraits> configs;
        int chosen;
    };
    const Case cases[] = {
        {"Mesa lists 10-bit formats first", {config(10, 2), config(8, 8), config(8, 0)}, 2},
        {"alpha only where nothing else has 8 bits", {config(10, 0), config(8, 8)}, 1},
        {"no caveat", {config(8, 0, 24, 0, true), config(8, 0, 24)}, 1},
        {"a deep depth buffer", {config(8, 0, 16), config(8, 0, 24)}, 1},
        {"no multisampling", {config(8, 0, 24, 4), config(8, 0, 24)}, 1},
        {"ties go to EGL's order", {config(8, 0), config(8, 0)}, 0},
        {"a depth buffer is needed", {config(8, 0, 15), config(8, 0, 0)}, -1},
        {"none offered", {}, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(chooseWaylandConfig(c.configs), c.chosen) << c.what;
}

TEST(BufferSizeFor, FullResolutionAtIntegerAndFractionalScales) {
    struct Case {
        int width, height, scale, fractional120;
        BufferSize buffer;
    };
    const Case cases[] = {
        {640, 360, 1, 0, {640, 360}},
        {640, 360, 2, 0, {1280, 720}},
        {640, 360, 0, 0, {640, 360}},
        {1280, 720, 1, 180, {1920, 1080}},  // 1.5
        {1001, 333, 2, 150, {1251, 416}},   // 1.25: 1251.25 and 416.25
        {3, 5, 1, 180, {5, 8}},             // 4.5 and 7.5 round away from zero
        {0, 0, 2, 0, {1, 1}},
    };
    for (const Case& c : cases) {
        const BufferSize b = bufferSizeFor(c.width, c.height, c.scale, c.fractional120);
        EXPECT_EQ(b.width, c.buffer.width)
            << c.width << "x" << c.height << " at " << c.scale << ", " << c.fractional120;
        EXPECT_EQ(b.height, c.buffer.height)
            << c.width << "x" << c.height << " at " << c.scale << ", " << c.fractional120;
    }
}

// Waits for the compositor count as frame time up to HiddenAfterMs; longer
// ones are left out of the battle's clock, across the tick counter's wrap.
TEST(ShownClock, LeavesOutOnlyTheWaitsOfAHiddenPicture) {
    struct Case {
        std::uint32_t due, drawn;
        std::uint32_t hidden;
    };
    const Case cases[] = {
        {1000, 1000, 0},      {1000, 1000 + HiddenAfterMs, 0},     {1000, 1001 + HiddenAfterMs, HiddenAfterMs + 1},
        {1000, 61000, 60000}, {0xfffffff0u, 0x00002000u, 0x2010u},
    };
    for (const Case& c : cases) {
        ShownClock clock;
        clock.drawnAfterWait(c.due, c.drawn);
        EXPECT_EQ(c.drawn - clock.at(c.drawn), c.hidden) << c.due << " -> " << c.drawn;
    }
}

TEST(PointerWatch, MovementPastFourPixelsFromTheEntryEndsTheSaver) {
    PointerWatch watch;
    EXPECT_FALSE(watch.movedFar(500, 500)) << "nothing counts before the pointer entered";
    watch.entered(100, 100);
    EXPECT_FALSE(watch.movedFar(102, 98)) << "exactly 4";
    EXPECT_FALSE(watch.movedFar(103.5, 100.5));
    EXPECT_TRUE(watch.movedFar(103, 98)) << "5";
    EXPECT_TRUE(watch.movedFar(100, 104.5));
    watch.entered(0, 0);  // another surface
    EXPECT_FALSE(watch.movedFar(3, 1));
}
