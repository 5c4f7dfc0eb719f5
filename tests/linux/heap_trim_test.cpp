#include "heap_trim.h"

#include <gtest/gtest.h>

#include <vector>

// The frames after which it trims, over the first 3000 frames.
TEST(HeapTrim, TrimsAfterEveryPeriodthFrameOnly) {
    struct Case {
        std::int64_t period;
        std::vector<int> trims;
    };
    for (const Case& c : {Case{1000, {1000, 2000, 3000}}, Case{1250, {1250, 2500}}, Case{0, {}}, Case{-5, {}}}) {
        HeapTrim trim(c.period);
        std::vector<int> got;
        for (int frame = 1; frame <= 3000; ++frame) {
            if (trim.frameDone()) got.push_back(frame);
        }
        EXPECT_EQ(got, c.trims) << "period " << c.period;
    }
}
