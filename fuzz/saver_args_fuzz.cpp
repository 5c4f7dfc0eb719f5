// libFuzzer target for the Windows screen saver's command line (host/win32/
// saver_args.h): the input is the whole command line, program name first, and
// also a bare argument string. The argument string lies inside the line; the
// mode is the one its first letter names; a window handle is the leading
// decimal digits read as the C library reads them, the largest value for one
// too long (which names no window), and 0 where the mode takes none.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "saver_args.h"

namespace {

// The decimal digits at the start of text, saturated at the largest value.
std::uint64_t leadingNumber(const char* text) {
    if (*text < '0' || *text > '9') return 0;
    errno = 0;
    const unsigned long long value = std::strtoull(text, nullptr, 10);
    return errno == ERANGE ? UINT64_MAX : value;
}

void checkCommand(const char* args) {
    const SaverCommand c = parseSaverArgs(args);
    const char* p = args + std::strspn(args, " \t-/");
    const char* afterBlanks = p[0] == '\0' ? p : p + 1 + std::strspn(p + 1, " \t");
    switch (p[0]) {
    case '\0':
        FUZZ_CHECK(c.mode == SaverMode::Settings && c.window == 0 && !c.ownerGiven);
        break;
    case 'c':
    case 'C':
        FUZZ_CHECK(c.mode == SaverMode::SettingsOwned && c.ownerGiven == (p[1] == ':'));
        FUZZ_CHECK(c.window == (c.ownerGiven ? leadingNumber(p + 2) : 0));
        break;
    case 's':
    case 'S':
        FUZZ_CHECK(c.mode == SaverMode::FullScreen && c.window == 0 && !c.ownerGiven);
        break;
    case 'p':
    case 'P':
    case 'l':
    case 'L':
        FUZZ_CHECK(c.mode == SaverMode::Preview && c.window == leadingNumber(afterBlanks) && !c.ownerGiven);
        break;
    case 'a':
    case 'A':
        FUZZ_CHECK(c.mode == SaverMode::ChangePassword && c.window == leadingNumber(afterBlanks) && !c.ownerGiven);
        break;
    default:
        FUZZ_CHECK(c.mode == SaverMode::Invalid && c.window == 0 && !c.ownerGiven);
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line = fuzzText(data, size);
    const char* args = argumentString(line.c_str());
    // A tail of the line that starts at its end or at a visible character.
    FUZZ_CHECK(args >= line.c_str() && args <= line.c_str() + line.size());
    FUZZ_CHECK(*args == '\0' || static_cast<unsigned char>(*args) >= '!');
    checkCommand(args);
    checkCommand(line.c_str());
    return 0;
}
