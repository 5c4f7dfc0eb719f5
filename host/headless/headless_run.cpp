// The headless run of halvorn: the endless space battle drawn with OpenGL in
// an EGL context that needs no display. Frames can be written as PNG files,
// recorded as a video, traced as JSON Lines, gathered on a contact sheet, or
// timed.
//
// The saver module (host/common/saver.h) starts the battle and runs each
// frame; this host owns the context, the clock, the pacing and the outputs:
// after each frame the optional read-back, frame-rate line, PNG, video frame
// and trace line.
#include "headless_run.h"

#include <GL/gl.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <thread>

#include "battle_trace.h"
#include "bench_report.h"
#include "egl_context.h"
#include "fps_overlay.h"
#include "gl_painter.h"
#include "png_io.h"
#include "saver.h"
#include "trace.h"
#include "video_recorder.h"

// ============================================================================
// What this program reads of the renderer beyond the saver module: the bench
// floor's texture (the trace's numbers come from battle_trace.h).
#include "render/drawing_paths.h"  // drawingPaths, changedPaths
#include "render/layers.h"         // layerList
#include "render/textures.h"       // TextureNames

namespace battle_glue {

// The texture of the bench floor's quad: the star sky, as the backdrop draws it.
void bindFloorTexture() { glBindTexture(GL_TEXTURE_2D, TextureNames[1]); }

}  // namespace battle_glue
// End of what this program reads of the renderer.
// ============================================================================

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onStopSignal(int) { stopRequested = 1; }

using SteadyClock = std::chrono::steady_clock;

// Milliseconds since program start: the saver's tick count and clock().
const SteadyClock::time_point programStart = SteadyClock::now();

std::int64_t ticksMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - programStart).count();
}

std::uint32_t tickCount() { return static_cast<std::uint32_t>(ticksMs()); }

double elapsedMs(SteadyClock::time_point from, SteadyClock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The default seed: the machine's millisecond tick count, wrapped to 32 bits
// as a 32-bit tick counter would be.
std::uint32_t tickCountSeed() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now().time_since_epoch());
    return static_cast<std::uint32_t>(ms.count());
}

// The bench floor: what a frame of this size costs at the least on this GL.
// Each pass clears the colour and depth buffers, draws one full-screen
// textured quad, and waits for it (glFlush, glFinish), as a bench frame does.
// Runs in the battle's context after its frames; every GL state it touches is
// restored. A stop signal ends it early. Milliseconds for all passes together;
// *passes becomes the number of passes run.
double measureFloorMs(std::int64_t* passes, int width, int height) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glViewport(0, 0, width, height);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glDisable(GL_POLYGON_STIPPLE);
    glEnable(GL_TEXTURE_2D);
    battle_glue::bindFloorTexture();
    glColor3f(1.0f, 1.0f, 1.0f);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glFinish();

    const SteadyClock::time_point start = SteadyClock::now();
    std::int64_t done = 0;
    for (; done < *passes && !stopRequested; ++done) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 0.0f);
        glVertex2f(-1.0f, -1.0f);
        glTexCoord2f(1.0f, 0.0f);
        glVertex2f(1.0f, -1.0f);
        glTexCoord2f(1.0f, 1.0f);
        glVertex2f(1.0f, 1.0f);
        glTexCoord2f(0.0f, 1.0f);
        glVertex2f(-1.0f, 1.0f);
        glEnd();
        glFlush();
        glFinish();
    }
    const double ms = elapsedMs(start, SteadyClock::now());
    *passes = done;

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
    return ms;
}

// How far a recording is, on standard error: a line rewritten in place about
// four times a second on a terminal, else nothing until the last line.
class RecordProgress {
public:
    explicit RecordProgress(std::int64_t total) : total_(total), live_(::isatty(2) == 1) {}

    // After frame `done`; seconds since the first frame began.
    void frame(std::int64_t done, double elapsedS) {
        if (!live_ || elapsedS < nextS_) return;
        nextS_ = elapsedS + 0.25;
        std::fprintf(stderr, "\r%s\033[K", formatRecordProgress(done, total_, elapsedS).c_str());
        std::fflush(stderr);
        shown_ = true;
    }
    // Ends the live line before anything else is written.
    void clear() {
        if (shown_) std::fputs("\r\033[K", stderr);
        shown_ = false;
    }

private:
    std::int64_t total_;
    bool live_;
    bool shown_ = false;
    double nextS_ = 0.5;  // the first rate is a guess until some frames have passed
};

}  // namespace

int runHeadless(const ProgramOptions& o) {
    std::string error;

    // Output places first: failing there must not cost a battle build.
    if (!o.outputDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(o.outputDir, ec);
        if (ec) {
            std::fprintf(stderr, "output: cannot create directory '%s': %s\n", o.outputDir.c_str(),
                         ec.message().c_str());
            return 1;
        }
    }
    VideoRecorder recorder;
    if (!o.recordFile.empty()) {
        // A stop ends the video at the last frame written; ffmpeg leaving is
        // seen as EPIPE on its pipe, not as a signal.
        std::signal(SIGINT, onStopSignal);
        std::signal(SIGTERM, onStopSignal);
        std::signal(SIGPIPE, SIG_IGN);
        if (!recorder.start(o.recordFile, o.width, o.height, o.frameMs, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    TraceWriter trace;
    if (!o.traceFile.empty() && !trace.open(o.traceFile, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }

#ifdef HALVORN_HAS_GLES2
    GlBackend& backend = o.gles2 ? gles2Backend() : gl11Backend();
#else
    if (o.gles2) {
        std::fprintf(stderr, "gles2: this build has no OpenGL ES 2.0 renderer (configure with -DHALVORN_GLES2=ON)\n");
        return 1;
    }
    GlBackend& backend = gl11Backend();
#endif
    std::unique_ptr<EglContext> context =
        EglContext::create(o.width, o.height, &error, EglTarget::Any, o.gles2 ? EglApi::Gles2 : EglApi::DesktopGl);
    if (!context) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "%s\n", context->description().c_str());

    FpsOverlay overlay;
    if (o.fps && !overlay.init(&error)) std::fprintf(stderr, "%s; the frame-rate line is not drawn\n", error.c_str());

    std::unique_ptr<ContactSheet> sheet;
    if (!o.contactSheet.empty()) sheet = std::make_unique<ContactSheet>(o.frames, o.width, o.height);

    const std::uint32_t seed = o.seedGiven ? o.seed : tickCountSeed();
    std::fprintf(stderr, "halvorn: seed %u\n", static_cast<unsigned>(seed));
    GlPainter painter(backend);
    painter.skippedLayers = o.skip;
    painter.paths = o.paths;
    painter.batched = !o.unbatched;
    painter.procLoader = eglProc;
    SaverConfig config;
    config.settings = userSettings(o);
    config.seed = seed;
    config.width = o.width;
    config.height = o.height;
    config.startTickMs = 0;  // the clock counts from program start
    config.fixedFrameMs = o.frameMs;
    config.painter = &painter;
    saverInit(config);
    if (!painter.error().empty()) {
        saverFree();
        return 1;  // the painter has said why
    }

    TraceFrame traceFrame;
    RecordProgress progress(o.framesGiven ? o.frames : -1);
    auto writeTrace = [&](std::int64_t frame) {
        if (!trace.isOpen()) return true;
        snapshotBattle(frame, &traceFrame);
        if (trace.write(traceFrame, &error)) return true;
        progress.clear();
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    };
    if (!writeTrace(0)) {
        saverFree();
        return 1;
    }

    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);

    // Measured frame times are paced like the saver's one-shot timer; fixed
    // frame times and benchmarks run as fast as the machine allows.
    const bool paced = o.frameMs == 0 && !o.bench;
    std::int64_t lastFpsPrint = INT64_MIN / 2;
    SteadyClock::time_point nextFrameAt = SteadyClock::now();
    BenchTotals bench;
    bench.skipped = layerList(o.skip);
    const SteadyClock::time_point loopStart = SteadyClock::now();
    RgbImage picture;
    int status = 0;
    SaverTimings timings;

    for (std::int64_t k = 1; !o.framesGiven || k <= o.frames; ++k) {
        if (stopRequested) break;
        if (paced) std::this_thread::sleep_until(nextFrameAt);
        const SteadyClock::time_point frameStart = SteadyClock::now();
        // A 32-bit tick count, as the saver has; the module works out the
        // frame time from it.
        const SaverFrame frame = saverDraw(tickCount(), o.bench ? &timings : nullptr);
        nextFrameAt = frameStart + std::chrono::milliseconds(frame.delayMs);
        // Each frame is finished before the next begins, as a window's buffer
        // swap makes it: a software renderer would otherwise keep several
        // frames in flight, each with the bins of its triangles, and a long
        // run would hold the memory of the busiest run of frames (313 ships:
        // 93 MB flat with OpenGL 1.1 instead of 158 rising to 177 MB).
        const SteadyClock::time_point t3 = SteadyClock::now();
        glFinish();
        if (o.bench) {
            const SteadyClock::time_point t4 = SteadyClock::now();
            bench.simulationMs += timings.simulationMs;
            bench.cameraMs += timings.cameraMs;
            bench.drawingMs += timings.drawingMs;
            bench.finishMs += elapsedMs(t3, t4);
        }

        if (o.fps) {
            const std::int64_t clockMs = ticksMs();
            if (clockMs - lastFpsPrint >= 1000) {
                progress.clear();
                std::fprintf(stderr, "%s\n", frame.fpsText.c_str());
                lastFpsPrint = clockMs;
            }
        }

        const bool writeFrame = !o.outputDir.empty() && k % o.every == 0;
        const bool sheetFrame = sheet && sheet->wants(k);
        const bool recordFrame = recorder.isRecording();
        if (writeFrame || sheetFrame || recordFrame) {
            if (!context->readPixels(&picture, &error)) {
                progress.clear();
                std::fprintf(stderr, "%s\n", error.c_str());
                status = 1;
                break;
            }
            if (o.fps) overlay.draw(&picture, frame.fpsText);
            if (writeFrame && !writePng(framePngPath(o.outputDir, k), picture, &error)) {
                progress.clear();
                std::fprintf(stderr, "%s\n", error.c_str());
                status = 1;
                break;
            }
            if (sheetFrame) sheet->add(k, picture);
            if (recordFrame) {
                if (!recorder.write(picture, &error)) {
                    progress.clear();
                    std::fprintf(stderr, "%s\n", error.c_str());
                    status = 1;
                    break;
                }
                progress.frame(k, elapsedMs(loopStart, SteadyClock::now()) / 1000.0);
            }
        }
        if (!writeTrace(k)) {
            status = 1;
            break;
        }
        ++bench.frames;
    }
    bench.wallMs = elapsedMs(loopStart, SteadyClock::now());
    bench.paths = changedPaths(drawingPaths());  // as the renderer drew, before the painter stops

    progress.clear();
    if (recorder.isRecording() && status != 0) recorder.abandon();
    if (recorder.isRecording()) {
        const std::int64_t frames = recorder.framesWritten();
        if (recorder.finish(&error)) {
            const double seconds = elapsedMs(loopStart, SteadyClock::now()) / 1000.0;
            std::fprintf(stderr, "record: %s: %lld frames of %d ms (%.2f s) in %.1f s, %.1f frames/s\n",
                         o.recordFile.c_str(), static_cast<long long>(frames), o.frameMs,
                         static_cast<double>(frames * o.frameMs) / 1000.0, seconds,
                         seconds > 0.0 ? static_cast<double>(frames) / seconds : 0.0);
        } else {
            std::fprintf(stderr, "%s\n", error.c_str());
            status = 1;
        }
    }

    if (sheet && !writePng(o.contactSheet, sheet->image(), &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        status = 1;
    }
    if (!trace.close(&error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        status = 1;
    }
    // The floor is drawn with OpenGL 1.1; an ES context reports no floor.
    if (o.bench && bench.frames > 0 && status == 0 && !o.gles2) {
        // A run without --frames ends with a stop signal; a second one ends the floor.
        stopRequested = 0;
        bench.floorFrames = bench.frames;
        bench.floorMs = measureFloorMs(&bench.floorFrames, o.width, o.height);
    }
    // On stdout, unless the trace already goes there.
    if (o.bench) std::fputs(formatBenchReport(bench).c_str(), o.traceFile == "-" ? stderr : stdout);
    saverFree();
    return status;
}
