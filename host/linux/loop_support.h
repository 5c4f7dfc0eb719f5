// What every display's loop of the Linux program needs besides its display:
// the millisecond clock the saver module runs on, SIGTERM and SIGINT turned
// into a flag and a wake-up of the loop's poll(), the battle started from the
// options, and the frame-rate line on stderr.
#ifndef HALVORN_HOST_LINUX_LOOP_SUPPORT_H
#define HALVORN_HOST_LINUX_LOOP_SUPPORT_H

#include <csignal>
#include <cstdint>
#include <string>

#include "gl_painter.h"
#include "options.h"

// Milliseconds of the monotonic clock, as a 32-bit tick counter that wraps.
std::uint32_t tickMs();

// While installed, SIGTERM and SIGINT set stopRequested() and make wakeFd()
// readable. One instance at a time.
class StopSignals {
public:
    StopSignals() = default;
    ~StopSignals();  // restores the old handlers, closes the pipe
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // False (errno set) when the wake-up pipe cannot be made.
    bool install();
    static bool stopRequested();
    // The read end of the wake-up pipe, for poll(); -1 before install().
    static int wakeFd();
    // Empties the pipe after a wake-up.
    static void drain();

private:
    bool installed_ = false;
    struct sigaction oldTerm_ {};
    struct sigaction oldInt_ {};
};

// Starts the saver module on the current GL context, drawn by painter with
// the options' settings, seed and measuring switches, for a picture of
// width x height pixels and a host clock that read startTickMs at start.
void startSaver(const ProgramOptions& options, GlPainter* painter, int width, int height, std::uint32_t startTickMs);

// Prints the frame-rate line to stderr for the first frame and then at most
// once a second.
class FpsLog {
public:
    void frameDrawn(const std::string& fpsText, std::uint32_t nowMs);

private:
    bool printed_ = false;
    std::uint32_t lastMs_ = 0;
};

#endif
