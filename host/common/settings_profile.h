// The settings dialog's arithmetic and the settings' round trip through the
// user's profile (section "Halvorn" of WIN.INI on Windows), behind a small
// profile interface so that both are tested without Windows.
#ifndef HALVORN_HOST_COMMON_SETTINGS_PROFILE_H
#define HALVORN_HOST_COMMON_SETTINGS_PROFILE_H

#include "sim/battle.h"
#include "sim/settings.h"

// Profile section of the settings.
extern const char* const SettingsSection;

// The five keys, in the order they are read and written.
extern const char* const SettingsKeys[5];

// The user's profile: integer reads and string writes within a section.
class Profile {
public:
    virtual ~Profile() {}
    // The value of key in section as a number; defaultValue when absent.
    virtual int readInt(const char* section, const char* key, int defaultValue) = 0;
    // Sets key in section to text. Failures are ignored.
    virtual void writeString(const char* section, const char* key, const char* text) = 0;
};

// Reads the five settings (default 0 each) in key order into *out. Values
// are taken as read; nothing clamps a hand-edited value.
void readSettings(Profile& profile, Settings* out);

// Writes all five settings in key order, each formatted with "%d".
void writeSettings(Profile& profile, const Settings& s);

// Scroll-bar codes of a horizontal scroll message (the system's values).
enum ScrollCode {
    ScrollLineLeft = 0,
    ScrollLineRight = 1,
    ScrollPageLeft = 2,
    ScrollPageRight = 3,
    ScrollThumbPosition = 4,
    ScrollThumbTrack = 5
};

// Ships moved by one line step and by one page step.
constexpr int ShipsLineStep = 1;
constexpr int ShipsPageStep = 16;

// The additional-ship count after scroll code `code` from `current`: line
// steps of 1 and page steps of 16, leftwards not below 0 and rightwards not
// above MaxAdditionalShips (sim/battle.h, the scroll bar's range is 0 to it);
// thumb tracking takes thumbPosition (kept within that range); every other
// code leaves the count unchanged.
int scrollShips(int current, int code, int thumbPosition);

// Stores a check box's state (non-zero: checked, stored as 1) in the setting
// that box controls; the boxes are the dialog's controls IDC_RANDOM_VIEW,
// IDC_LETTER_BOX, IDC_LOW_RES_STARS and IDC_FRAME_COUNTER of
// host/win32/resource_ids.h. False, *s unchanged, for any other control id.
bool applyCheckBox(int controlId, int checked, Settings* s);

#endif
