// Screen-saver command line; see saver_args.h.
#include "saver_args.h"

#include <limits>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

const char* skipBlanks(const char* p) {
    while (isBlank(*p)) ++p;
    return p;
}

}  // namespace

const char* argumentString(const char* commandLine) {
    if (commandLine == nullptr) return "";
    const unsigned char* p = reinterpret_cast<const unsigned char*>(commandLine);
    if (*p == '"') {
        ++p;
        while (*p != 0 && *p != '"') ++p;
        if (*p == '"') ++p;  // an unclosed quote simply runs to the end
    } else {
        while (*p > ' ') ++p;
    }
    while (*p != 0 && *p < '!') ++p;
    return reinterpret_cast<const char*>(p);
}

std::uint64_t parseWindowHandle(const char* text) {
    if (text == nullptr) return 0;
    constexpr std::uint64_t largest = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        const unsigned digit = static_cast<unsigned>(*text - '0');
        if (value > (largest - digit) / 10) {
            value = largest;
        } else {
            value = value * 10 + digit;
        }
    }
    return value;
}

SaverCommand parseSaverArgs(const char* args) {
    SaverCommand command;
    const char* p = args != nullptr ? args : "";
    while (isBlank(*p) || *p == '-' || *p == '/') ++p;
    switch (*p) {
    case '\0':
        command.mode = SaverMode::Settings;
        break;
    case 'C':
    case 'c':
        command.mode = SaverMode::SettingsOwned;
        if (p[1] == ':') {
            command.ownerGiven = true;
            command.window = parseWindowHandle(p + 2);
        }
        break;
    case 'S':
    case 's':
        command.mode = SaverMode::FullScreen;
        break;
    case 'P':
    case 'p':
    case 'L':
    case 'l':
        command.mode = SaverMode::Preview;
        command.window = parseWindowHandle(skipBlanks(p + 1));
        break;
    case 'A':
    case 'a':
        command.mode = SaverMode::ChangePassword;
        command.window = parseWindowHandle(skipBlanks(p + 1));
        break;
    default:
        command.mode = SaverMode::Invalid;
        break;
    }
    return command;
}
