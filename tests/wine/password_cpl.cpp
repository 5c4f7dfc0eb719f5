// A stand-in for Windows 9x's PASSWORD.CPL: VerifyScreenSavePwd refuses the
// first time it is asked and accepts every later time. Each question is
// appended as one line to the file named by HALVORN_PASSWORD_LOG, if set, so
// that the suite can count how often the saver asked.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
int questions = 0;
}

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND window) {
    ++questions;
    const BOOL accepted = questions > 1;
    if (const char* logName = std::getenv("HALVORN_PASSWORD_LOG")) {
        if (FILE* log = std::fopen(logName, "a")) {
            std::fprintf(log, "ask %d window=%llu %s\n", questions,
                         static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)),
                         accepted ? "accepted" : "refused");
            std::fclose(log);
        }
    }
    return accepted;
}
