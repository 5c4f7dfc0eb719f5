#include "loop_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "egl_context.h"  // eglProc
#include "saver.h"

std::uint32_t tickMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const std::uint64_t ms =
        static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

namespace {

volatile std::sig_atomic_t stopSignal = 0;
int wakePipe[2] = {-1, -1};

void onStopSignal(int) {
    const int savedErrno = errno;
    stopSignal = 1;
    if (wakePipe[1] >= 0) {
        const char byte = 1;
        if (write(wakePipe[1], &byte, 1) < 0) {
            // The pipe is full: a wake-up is already pending.
        }
    }
    errno = savedErrno;
}

}  // namespace

bool StopSignals::install() {
    if (pipe2(wakePipe, O_NONBLOCK | O_CLOEXEC) != 0) return false;
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, &oldTerm_);
    sigaction(SIGINT, &action, &oldInt_);
    installed_ = true;
    return true;
}

StopSignals::~StopSignals() {
    if (installed_) {
        sigaction(SIGTERM, &oldTerm_, nullptr);
        sigaction(SIGINT, &oldInt_, nullptr);
    }
    for (int& fd : wakePipe) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

bool StopSignals::stopRequested() { return stopSignal != 0; }

int StopSignals::wakeFd() { return wakePipe[0]; }

void StopSignals::drain() {
    char bytes[64];
    while (wakePipe[0] >= 0 && read(wakePipe[0], bytes, sizeof bytes) > 0) {
    }
}

void FpsLog::frameDrawn(const std::string& fpsText, std::uint32_t nowMs) {
    if (fpsText.empty() || (printed_ && nowMs - lastMs_ < 1000u)) return;
    std::fprintf(stderr, "%s\n", fpsText.c_str());
    lastMs_ = nowMs;
    printed_ = true;
}

void startSaver(const ProgramOptions& options, GlPainter* painter, int width, int height, std::uint32_t startTickMs) {
    SaverConfig config;
    config.settings = userSettings(options);
    config.seed = options.seedGiven ? options.seed : tickMs();
    config.width = width;
    config.height = height;
    config.startTickMs = startTickMs;
    config.fixedFrameMs = options.frameMs;
    painter->skippedLayers = options.skip;
    painter->paths = options.paths;
    painter->batched = !options.unbatched;
    painter->procLoader = eglProc;
    config.painter = painter;
    saverInit(config);
}
