// libFuzzer target for the settings' round trip through the user's profile
// and the settings dialog's arithmetic (host/common/settings_profile.h). The
// input fills the profile with any values (present or absent, hand-edited
// ones far out of range included) and then plays a dialog session of scroll
// messages and check-box clicks. The settings read are the values stored, 0
// for an absent key; a scroll never leaves 0..300 in the direction it moves;
// a box stores 0 or 1 in its own setting only; and every write gives all five
// keys in order as "%d" text that reads back to the same settings.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "host/win32/resource_ids.h"
#include "settings_profile.h"

namespace {

// Reads the fuzz input front to back; past the end every read yields zero.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
    bool more() const { return position < size; }
    std::uint8_t byte() { return position < size ? data[position++] : 0; }
    // Mostly a small value around the settings' ranges, sometimes any int.
    int value() {
        const std::uint8_t tag = byte();
        if (tag < 192) return static_cast<int>(tag) * 2 - 40;
        std::uint32_t bits = 0;
        for (int i = 0; i < 4; ++i) bits = (bits << 8) | byte();
        return static_cast<int>(bits);
    }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position = 0;
};

// A profile in memory: integer values to read, and every write recorded.
class FuzzProfile : public Profile {
public:
    int readInt(const char* section, const char* key, int defaultValue) override {
        reads.push_back(std::string(section) + "/" + key);
        const auto it = values.find(reads.back());
        return it == values.end() ? defaultValue : it->second;
    }
    void writeString(const char* section, const char* key, const char* text) override {
        writes.push_back(std::string(section) + "/" + key + "=" + text);
        char* end = nullptr;
        values[std::string(section) + "/" + key] = static_cast<int>(std::strtol(text, &end, 10));
        FUZZ_CHECK(*text != '\0' && *end == '\0');
    }
    std::map<std::string, int> values;
    std::vector<std::string> reads, writes;
};

int Settings::*const Fields[5] = {&Settings::HVIsLetterBox, &Settings::HVNumberAdditionalShips,
                                  &Settings::HVIsRandStartView, &Settings::HVIsFrameCounter,
                                  &Settings::HVIsLowResStars};

std::string sectionKey(int i) { return std::string(SettingsSection) + "/" + SettingsKeys[i]; }

bool same(const Settings& a, const Settings& b) {
    for (int Settings::*f : Fields) {
        if (a.*f != b.*f) return false;
    }
    return true;
}

// Writes s as the dialog does after every change, and reads it back.
void checkWrite(const Settings& s) {
    FuzzProfile profile;
    writeSettings(profile, s);
    FUZZ_CHECK(profile.writes.size() == 5);
    for (int i = 0; i < 5; ++i) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", s.*Fields[i]);
        FUZZ_CHECK(profile.writes[i] == sectionKey(i) + "=" + text);
    }
    Settings back;
    readSettings(profile, &back);
    FUZZ_CHECK(same(back, s));
}

void checkScroll(int current, int code, int thumb, int result) {
    const int step = code == ScrollLineLeft || code == ScrollLineRight ? ShipsLineStep : ShipsPageStep;
    switch (code) {
    case ScrollLineLeft:
    case ScrollPageLeft:
        FUZZ_CHECK(result >= 0 && result <= (current > 0 ? current : 0));
        if (current >= step) FUZZ_CHECK(result == current - step);
        break;
    case ScrollLineRight:
    case ScrollPageRight:
        FUZZ_CHECK(result <= MaxAdditionalShips &&
                   result >= (current < MaxAdditionalShips ? current : MaxAdditionalShips));
        if (current <= MaxAdditionalShips - step) FUZZ_CHECK(result == current + step);
        break;
    case ScrollThumbTrack:
        FUZZ_CHECK(result >= 0 && result <= MaxAdditionalShips);
        if (thumb >= 0 && thumb <= MaxAdditionalShips) FUZZ_CHECK(result == thumb);
        break;
    default:
        FUZZ_CHECK(result == current);
        break;
    }
}

const int Boxes[] = {IDC_LETTER_BOX, IDC_RANDOM_VIEW, IDC_FRAME_COUNTER, IDC_LOW_RES_STARS};
int Settings::*const BoxFields[] = {&Settings::HVIsLetterBox, &Settings::HVIsRandStartView, &Settings::HVIsFrameCounter,
                                    &Settings::HVIsLowResStars};

void checkCheckBox(int id, int checked, Settings* s) {
    const Settings before = *s;
    const bool applied = applyCheckBox(id, checked, s);
    Settings expected = before;
    bool known = false;
    for (int b = 0; b < 4; ++b) {
        if (id == Boxes[b]) {
            expected.*BoxFields[b] = checked != 0 ? 1 : 0;
            known = true;
        }
    }
    FUZZ_CHECK(applied == known);
    FUZZ_CHECK(same(*s, expected));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    FuzzProfile profile;
    int stored[5];
    const std::uint8_t present = in.byte();
    for (int i = 0; i < 5; ++i) {
        stored[i] = (present >> i) & 1 ? in.value() : 0;
        if ((present >> i) & 1) profile.values[sectionKey(i)] = stored[i];
    }
    // The same keys in another section are not ours.
    if (present & 0x20) profile.values[std::string("Other/") + SettingsKeys[1]] = in.value();
    Settings s;
    s.HVNumberAdditionalShips = in.value();  // whatever was there before is overwritten
    readSettings(profile, &s);
    FUZZ_CHECK(profile.reads.size() == 5);
    for (int i = 0; i < 5; ++i) {
        FUZZ_CHECK(profile.reads[i] == sectionKey(i));
        FUZZ_CHECK(s.*Fields[i] == stored[i]);
    }
    checkWrite(s);

    // The dialog session: each message changes at most one setting, then all
    // are written. A few dozen messages reach every case; longer sessions
    // only slow the search down.
    const int ids[] = {
        IDC_LETTER_BOX, IDC_RANDOM_VIEW, IDC_FRAME_COUNTER, IDC_LOW_RES_STARS, IDC_SHIPS_SCROLL, IDC_SCENARIO, 1, 2};
    const bool startsInRange = s.HVNumberAdditionalShips >= 0 && s.HVNumberAdditionalShips <= MaxAdditionalShips;
    for (int messages = 0; in.more() && messages < 64; ++messages) {
        const std::uint8_t op = in.byte();
        if (op & 1) {
            const int code = (op >> 1) & 7;
            const int thumb = in.value();
            const int before = s.HVNumberAdditionalShips;
            s.HVNumberAdditionalShips = scrollShips(before, code, thumb);
            checkScroll(before, code, thumb, s.HVNumberAdditionalShips);
            if (startsInRange) {
                FUZZ_CHECK(s.HVNumberAdditionalShips >= 0 && s.HVNumberAdditionalShips <= MaxAdditionalShips);
            }
        } else {
            const int id = (op & 0x10) ? in.value() : ids[(op >> 1) & 7];
            checkCheckBox(id, in.value(), &s);
        }
        checkWrite(s);
    }
    return 0;
}
