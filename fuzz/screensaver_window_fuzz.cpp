// libFuzzer target for the reading of $XSCREENSAVER_WINDOW (host/linux/
// screensaver_window.h): the input is the variable's value. Empty names no
// window; otherwise the value is a window id of 1..0xffffffff, hexadecimal
// after 0x or decimal, read as the C library reads it, with blanks and
// newlines after it allowed; anything else is one error line that says so.
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_check.h"
#include "screensaver_window.h"

namespace {

// The id the text names by the C library's reading, or 0 for none.
unsigned long expectedId(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n')) text.pop_back();
    int base = 10;
    std::size_t digits = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        digits = 2;
    }
    if (digits >= text.size()) return 0;
    for (std::size_t i = digits; i < text.size(); ++i) {
        const int c = static_cast<unsigned char>(text[i]);
        if (!(base == 16 ? std::isxdigit(c) : std::isdigit(c))) return 0;
    }
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str() + digits, nullptr, base);
    if (errno == ERANGE) return 0;
    return value <= 0xffffffffu ? static_cast<unsigned long>(value) : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string value = fuzzText(data, size);
    unsigned long id = 12345;
    std::string error;
    const bool read = readScreensaverWindow(value.c_str(), &id, &error);
    if (value.empty()) {
        FUZZ_CHECK(read && id == 0 && error.empty());
        return 0;
    }
    const unsigned long expected = expectedId(value);
    if (read) {
        FUZZ_CHECK(id == expected && id != 0 && error.empty());
        // The id as XScreenSaver writes it reads back the same, a newline after it.
        char text[32];
        std::snprintf(text, sizeof text, "0x%lx\n", id);
        unsigned long again = 0;
        FUZZ_CHECK(readScreensaverWindow(text, &again, &error) && again == id);
    } else {
        FUZZ_CHECK(expected == 0 && id == 0);
        const std::string says = "XSCREENSAVER_WINDOW is not a window id: '";
        FUZZ_CHECK(error.compare(0, says.size(), says) == 0 && fuzzOneLine(error));
    }
    return 0;
}
