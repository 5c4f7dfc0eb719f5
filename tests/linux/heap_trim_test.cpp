#include "heap_trim.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

namespace {

// The process's resident anonymous memory in KiB, from /proc/self/status.
[[maybe_unused]] long residentAnonKb() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::sscanf(line, "RssAnon: %ld", &kb) == 1) break;
    }
    std::fclose(f);
    return kb;
}

}  // namespace

// A burst of blocks beyond what the heap held (a frame busier than any
// before) goes back to the system once freed; with the whole heap kept, the
// process would hold it from then on.
TEST(KeepTheHeap, GivesBackWhatABusierFrameAddedAtTheTop) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator does not take glibc's settings";
#else
    keepTheHeap();
    constexpr std::size_t Block = 64 << 10;  // as a software renderer's bins come
    constexpr int Blocks = 512;              // 32 MiB
    std::vector<unsigned char*> burst;
    for (int k = 0; k < Blocks; ++k) {
        auto* b = static_cast<unsigned char*>(std::malloc(Block));
        ASSERT_NE(b, nullptr);
        std::memset(b, k, Block);
        burst.push_back(b);
    }
    const long held = residentAnonKb();
    for (auto it = burst.rbegin(); it != burst.rend(); ++it) std::free(*it);
    const long after = residentAnonKb();
    ASSERT_GT(held, 0);
    EXPECT_GT(held - after, 8 << 10) << "KiB resident: " << held << " with the burst, " << after << " after";
#endif
}
