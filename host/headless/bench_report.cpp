#include "bench_report.h"

#include <cstdio>

std::string formatBenchReport(const BenchTotals& t) {
    if (t.frames < 1) return "bench: no frames run\n";
    const double n = static_cast<double>(t.frames);
    const double perFrame = t.wallMs / n;
    const double other = (t.wallMs - t.simulationMs - t.cameraMs - t.drawingMs - t.finishMs) / n;
    char line[512];
    std::string text;
    if (t.wallMs > 0) {
        std::snprintf(line, sizeof line, "bench: %lld frames in %.3f s: %.1f frames per second\n",
                      static_cast<long long>(t.frames), t.wallMs / 1000.0, n * 1000.0 / t.wallMs);
    } else {
        std::snprintf(line, sizeof line, "bench: %lld frames in no measurable time\n",
                      static_cast<long long>(t.frames));
    }
    text += line;
    std::snprintf(line, sizeof line,
                  "bench: %.3f ms per frame: simulation %.3f ms, camera %.3f ms, drawing %.3f ms, "
                  "glFinish %.3f ms, other %.3f ms\n",
                  perFrame, t.simulationMs / n, t.cameraMs / n, t.drawingMs / n, t.finishMs / n,
                  other > 0 ? other : 0.0);
    text += line;
    if (t.floorFrames > 0) {
        // The frame's own work, without the read-back and file output of "other".
        const double frame = (t.simulationMs + t.cameraMs + t.drawingMs + t.finishMs) / n;
        const double floorPass = t.floorMs / static_cast<double>(t.floorFrames);
        if (floorPass > 0) {
            std::snprintf(line, sizeof line,
                          "bench: floor (clear, one full-screen textured quad) %.3f ms per frame; "
                          "frame %.3f ms = %.2f x floor\n",
                          floorPass, frame, frame / floorPass);
        } else {
            std::snprintf(line, sizeof line,
                          "bench: floor (clear, one full-screen textured quad) in no measurable time; "
                          "frame %.3f ms\n",
                          frame);
        }
        text += line;
    }
    if (!t.paths.empty()) {
        text += "bench: drawn by other than the default paths: " + t.paths + "\n";
    }
    if (!t.skipped.empty()) {
        text += "bench: left out of every frame: " + t.skipped + " (not the battle's picture)\n";
    }
    return text;
}
