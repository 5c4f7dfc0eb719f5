// Settings dialog arithmetic and the profile round trip; see settings_profile.h.
#include "settings_profile.h"

#include <cstdio>

// The dialog's control ids: plain defines, shared with the resource script.
#include "host/win32/resource_ids.h"

const char* const SettingsSection = "Halvorn";

const char* const SettingsKeys[5] = {"HVIsLetterBox", "HVNumberAdditionalShips", "HVIsRandStartView",
                                     "HVIsFrameCounter", "HVIsLowResStars"};

namespace {

// The setting of key i, in SettingsKeys order.
int* settingField(Settings* s, int i) {
    int* const fields[5] = {&s->HVIsLetterBox, &s->HVNumberAdditionalShips, &s->HVIsRandStartView, &s->HVIsFrameCounter,
                            &s->HVIsLowResStars};
    return fields[i];
}

}  // namespace

void readSettings(Profile& profile, Settings* out) {
    for (int i = 0; i < 5; ++i) {
        *settingField(out, i) = profile.readInt(SettingsSection, SettingsKeys[i], 0);
    }
}

void writeSettings(Profile& profile, const Settings& s) {
    Settings copy = s;
    for (int i = 0; i < 5; ++i) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", *settingField(&copy, i));
        profile.writeString(SettingsSection, SettingsKeys[i], text);
    }
}

int scrollShips(int current, int code, int thumbPosition) {
    switch (code) {
    // Compared before stepping, so that no hand-edited extreme value overflows.
    case ScrollLineLeft:
        return current < ShipsLineStep ? 0 : current - ShipsLineStep;
    case ScrollLineRight:
        return current > MaxAdditionalShips - ShipsLineStep ? MaxAdditionalShips : current + ShipsLineStep;
    case ScrollPageLeft:
        return current < ShipsPageStep ? 0 : current - ShipsPageStep;
    case ScrollPageRight:
        return current > MaxAdditionalShips - ShipsPageStep ? MaxAdditionalShips : current + ShipsPageStep;
    case ScrollThumbTrack:
        if (thumbPosition < 0) return 0;
        return thumbPosition > MaxAdditionalShips ? MaxAdditionalShips : thumbPosition;
    default:
        return current;
    }
}

bool applyCheckBox(int controlId, int checked, Settings* s) {
    const int value = checked != 0 ? 1 : 0;
    switch (controlId) {
    case IDC_LETTER_BOX:
        s->HVIsLetterBox = value;
        return true;
    case IDC_RANDOM_VIEW:
        s->HVIsRandStartView = value;
        return true;
    case IDC_FRAME_COUNTER:
        s->HVIsFrameCounter = value;
        return true;
    case IDC_LOW_RES_STARS:
        s->HVIsLowResStars = value;
        return true;
    default:
        return false;
    }
}
