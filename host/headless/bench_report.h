// Where the time of a --bench run went.
#ifndef HALVORN_HOST_HEADLESS_BENCH_REPORT_H
#define HALVORN_HOST_HEADLESS_BENCH_REPORT_H

#include <cstdint>
#include <string>

// Sums over the frames of a run, milliseconds of wall-clock time.
struct BenchTotals {
    std::int64_t frames = 0;
    double wallMs = 0;        // the whole loop, readback and file output included
    double simulationMs = 0;  // simulationStep
    double cameraMs = 0;      // cameraFrame
    double drawingMs = 0;     // drawFrame and glFlush (commands issued)
    double finishMs = 0;      // glFinish (the GL catching up)

    // The floor, run after the frames in the same context: clear the buffers
    // and draw one full-screen textured quad, glFlush and glFinish, floorFrames times.
    std::int64_t floorFrames = 0;
    double floorMs = 0;  // all floor passes together

    std::string skipped;  // parts of the picture left out (--skip), "" for none
    std::string paths;    // drawing paths other than the defaults (--debris, --lists), "" for none
};

// Two lines, each ending with a newline: the rate, then the mean milliseconds
// per frame split into simulation, camera, drawing, glFinish and the rest.
// With a floor measured, a third line: the floor's mean milliseconds per pass,
// the frame's (simulation + camera + drawing + glFinish) and their ratio.
// With drawing paths other than the defaults, a line that names them; with
// parts of the picture left out, a last line that names them.
std::string formatBenchReport(const BenchTotals& totals);

#endif
