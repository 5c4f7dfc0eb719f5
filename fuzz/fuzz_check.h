// What the parsers' fuzz targets share: a broken promise stops the run and
// names itself, so the input libFuzzer saves comes with the reason.
#ifndef HALVORN_FUZZ_FUZZ_CHECK_H
#define HALVORN_FUZZ_FUZZ_CHECK_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

[[noreturn]] inline void fuzzPromiseBroken(const char* promise, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: broken promise: %s\n", file, line, promise);
    std::abort();
}

#define FUZZ_CHECK(promise) ((promise) ? (void)0 : fuzzPromiseBroken(#promise, __FILE__, __LINE__))

// The input as a C string would carry it: up to its first NUL byte.
inline std::string fuzzText(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    return text.substr(0, text.find('\0'));
}

// The input as an argument list: the pieces between NUL bytes.
inline std::vector<std::string> fuzzArguments(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments;
    if (size == 0) return arguments;
    std::string text(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (true) {
        const std::size_t nul = text.find('\0', start);
        arguments.push_back(text.substr(start, nul == std::string::npos ? std::string::npos : nul - start));
        if (nul == std::string::npos) break;
        start = nul + 1;
    }
    return arguments;
}

// True when text holds no control character: one printable line.
inline bool fuzzOneLine(const std::string& text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
    }
    return true;
}

#endif
