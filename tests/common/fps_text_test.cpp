// The frame-rate line and its rate ring.
#include <gtest/gtest.h>

#include <string>

#include "fps_text.h"

TEST(FpsText, ExactWording) {
    EXPECT_EQ(formatFpsLine(33, 30.3f, 13, 31),
              "33 miliseconds since last frame.  30.3 Frames Per Second. Drawing 13 ships. "
              "Attemtping to hold 31 milliseconds per frame.");
    // %3.1f pads to three characters.
    EXPECT_EQ(formatFpsLine(0, 0.0f, 0, 31).substr(0, 40), "0 miliseconds since last frame.  0.0 Fra");
}

TEST(FpsText, WidestNumbersFit) {
    const std::string line = formatFpsLine(-2147483647 - 1, 3.4e38f, -2147483647 - 1, -2147483647 - 1);
    EXPECT_LT(line.size(), static_cast<std::size_t>(FpsTextCapacity));
    EXPECT_NE(line.find("milliseconds per frame."), std::string::npos);
}

TEST(FpsRing, RateOverThirtyTwoFrames) {
    FpsRing ring;
    // Until the ring has filled, the old reading is 0.
    EXPECT_FLOAT_EQ(ring.tick(1000), 32.0f);
    for (int i = 1; i < 32; ++i) ring.tick(1000 + 25 * i);
    // The 33rd reading is compared with the first: 32 frames in 800 ms.
    EXPECT_FLOAT_EQ(ring.tick(1000 + 25 * 32), 40.0f);
    EXPECT_FLOAT_EQ(ring.tick(1000 + 25 * 33), 40.0f);
}

TEST(FpsRing, RoundedFromDoubleAndNoDivisionByZero) {
    FpsRing ring;
    EXPECT_EQ(ring.tick(3), static_cast<float>(32000.0 / 3.0));
    FpsRing still;
    EXPECT_EQ(still.tick(0), 0.0f);
}
