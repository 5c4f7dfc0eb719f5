#include "web_options.h"

#include <cstdlib>
#include <vector>

#include "sim/battle.h"  // MaxAdditionalShips

namespace {

// Longest part of a value quoted back in the message, characters.
constexpr std::size_t QuotedLength = 24;

// The value as the message shows it: printable ASCII only, cut short.
std::string quoted(const std::string& text) {
    std::string out;
    for (char c : text.substr(0, QuotedLength)) out += (c >= 0x20 && c < 0x7f) ? c : '?';
    if (text.size() > QuotedLength) out += "...";
    return "'" + out + "'";
}

// Reads a whole decimal integer (an optional minus and 1 to 18 digits).
bool readInteger(const std::string& text, std::int64_t* value) {
    std::size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
    if (text.size() == i || text.size() - i > 18) return false;
    for (std::size_t k = i; k < text.size(); ++k) {
        if (text[k] < '0' || text[k] > '9') return false;
    }
    *value = std::strtoll(text.c_str(), nullptr, 10);
    return true;
}

class Reader {
public:
    std::vector<std::string> notes;

    // An integer within lo..hi into *out: clamped when outside, left alone
    // when malformed. True when *out was set.
    template <typename T>
    bool integer(const std::string& name, const std::string& text, std::int64_t lo, std::int64_t hi, T* out) {
        std::int64_t v = 0;
        if (!readInteger(text, &v)) {
            notes.push_back(name + "=" + quoted(text) + " is not a whole number, ignored");
            return false;
        }
        if (v < lo || v > hi) {
            const std::int64_t clamped = v < lo ? lo : hi;
            notes.push_back(name + "=" + quoted(text) + " is outside " + std::to_string(lo) + ".." +
                            std::to_string(hi) + ", " + std::to_string(clamped) + " used");
            v = clamped;
        }
        *out = static_cast<T>(v);
        return true;
    }

    // A switch: 0 or 1 (a bare name means 1).
    void flag(const std::string& name, const std::string& text, bool hasValue, int* out) {
        if (!hasValue) {
            *out = 1;
            return;
        }
        integer(name, text, 0, 1, out);
    }

    // size=WxH, both within 16..16384.
    void size(const std::string& text, WebOptions* o) {
        const std::size_t x = text.find('x');
        std::int64_t w = 0, h = 0;
        if (x == std::string::npos || !readInteger(text.substr(0, x), &w) || !readInteger(text.substr(x + 1), &h)) {
            notes.push_back("size=" + quoted(text) + " is not WxH, ignored");
            return;
        }
        integer("size width", std::to_string(w), 16, 16384, &o->width);
        integer("size height", std::to_string(h), 16, 16384, &o->height);
    }
};

}  // namespace

WebParse parseWebQuery(const std::string& query) {
    WebParse result;
    WebOptions& o = result.options;
    Reader r;
    std::size_t start = !query.empty() && query[0] == '?' ? 1 : 0;
    while (start <= query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        const std::string pair = query.substr(start, end - start);
        start = end + 1;
        if (pair.empty()) continue;
        const std::size_t eq = pair.find('=');
        const bool hasValue = eq != std::string::npos;
        const std::string name = pair.substr(0, eq);
        const std::string value = hasValue ? pair.substr(eq + 1) : std::string();
        int on = 0;
        if (name == "ships") {
            r.integer(name, value, 0, MaxAdditionalShips, &o.settings.HVNumberAdditionalShips);
        } else if (name == "letterbox") {
            r.flag(name, value, hasValue, &o.settings.HVIsLetterBox);
        } else if (name == "random-start-view") {
            r.flag(name, value, hasValue, &o.settings.HVIsRandStartView);
        } else if (name == "low-res-stars") {
            r.flag(name, value, hasValue, &o.settings.HVIsLowResStars);
        } else if (name == "fps") {
            r.flag(name, value, hasValue, &o.settings.HVIsFrameCounter);
        } else if (name == "seed") {
            if (r.integer(name, value, 0, 4294967295ll, &o.seed)) o.seedGiven = true;
        } else if (name == "frame-ms") {
            r.integer(name, value, 1, 1000, &o.frameMs);
        } else if (name == "size") {
            r.size(value, &o);
        } else if (name == "frames") {
            r.integer(name, value, 1, MaxTraceFrames, &o.frames);
        } else if (name == "trace" || name == "bench") {
            r.flag(name, value, hasValue, &on);
            (name == "trace" ? o.trace : o.bench) = on != 0;
        } else {
            r.notes.push_back("unknown setting " + quoted(name) + " ignored");
        }
    }
    for (const std::string& note : r.notes) {
        result.message += (result.message.empty() ? "" : "; ") + note;
    }
    return result;
}
