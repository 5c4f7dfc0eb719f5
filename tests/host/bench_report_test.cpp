#include "bench_report.h"

#include <gtest/gtest.h>

TEST(BenchReport, MeansPerFrameAndRate) {
    BenchTotals t;
    t.frames = 200;
    t.wallMs = 4000.0;
    t.simulationMs = 400.0;
    t.cameraMs = 20.0;
    t.drawingMs = 2000.0;
    t.finishMs = 1000.0;
    EXPECT_EQ(formatBenchReport(t),
              "bench: 200 frames in 4.000 s: 50.0 frames per second\n"
              "bench: 20.000 ms per frame: simulation 2.000 ms, camera 0.100 ms, drawing 10.000 ms, "
              "glFinish 5.000 ms, other 2.900 ms\n");
}

TEST(BenchReport, DegenerateRuns) {
    EXPECT_EQ(formatBenchReport(BenchTotals()), "bench: no frames run\n");
    BenchTotals instant;
    instant.frames = 3;
    const std::string text = formatBenchReport(instant);
    EXPECT_EQ(text.find("inf"), std::string::npos) << text;
    EXPECT_EQ(text.find("nan"), std::string::npos) << text;
}

TEST(BenchReport, NamesTheDrawingPathsThatAreNotTheDefaults) {
    BenchTotals t;
    t.frames = 2;
    t.wallMs = 10.0;
    EXPECT_EQ(formatBenchReport(t).find("paths"), std::string::npos);
    t.paths = "debris immediate";
    t.skipped = "glare";
    const std::string text = formatBenchReport(t);
    const std::size_t paths = text.find("bench: drawn by other than the default paths: debris immediate\n");
    EXPECT_NE(paths, std::string::npos) << text;
    EXPECT_LT(paths, text.find("left out")) << "the parts left out come last";
}

TEST(BenchReport, NamesWhatWasLeftOut) {
    BenchTotals t;
    t.frames = 2;
    t.wallMs = 10.0;
    EXPECT_EQ(formatBenchReport(t).find("left out"), std::string::npos);
    t.skipped = "backdrop,glare";
    const std::string text = formatBenchReport(t);
    EXPECT_NE(text.find("bench: left out of every frame: backdrop,glare (not the battle's picture)\n"),
              std::string::npos)
        << text;
}
