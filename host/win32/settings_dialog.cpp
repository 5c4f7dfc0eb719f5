// The five settings in the user's profile (section "Halvorn" of WIN.INI) and
// the settings dialog that changes them. Every change is written at once; the
// dialog closes only through OK.
#include "win32_host.h"  // windows.h first: commctrl.h builds on it

#include <commctrl.h>

#include "settings_profile.h"
#include "resource_ids.h"
#include "sim/battle.h"
#include "sim/settings.h"

namespace {

// The user's profile through the Windows profile functions.
class WinIniProfile final : public Profile {
public:
    int readInt(const char* section, const char* key, int defaultValue) override {
        return static_cast<int>(GetProfileIntA(section, key, defaultValue));
    }
    void writeString(const char* section, const char* key, const char* text) override {
        WriteProfileStringA(section, key, text);
    }
};

WinIniProfile profile;

void setCheck(HWND dialog, int id, int value) {
    SendDlgItemMessageA(dialog, id, BM_SETCHECK, value != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
}

void initDialog(HWND dialog) {
    settings = readProfileSettings();
    setCheck(dialog, IDC_RANDOM_VIEW, settings.HVIsRandStartView);
    setCheck(dialog, IDC_FRAME_COUNTER, settings.HVIsFrameCounter);
    setCheck(dialog, IDC_LETTER_BOX, settings.HVIsLetterBox);
    setCheck(dialog, IDC_LOW_RES_STARS, settings.HVIsLowResStars);

    HWND scroll = GetDlgItem(dialog, IDC_SHIPS_SCROLL);
    SetScrollRange(scroll, SB_CTL, 0, MaxAdditionalShips, FALSE);
    SetScrollPos(scroll, SB_CTL, settings.HVNumberAdditionalShips, TRUE);

    char name[256] = "";
    LoadStringA(SaverInstance, IDS_SCENARIO_DEFAULT, name, sizeof name);
    const LRESULT item = SendDlgItemMessageA(dialog, IDC_SCENARIO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    if (item >= 0) {
        SendDlgItemMessageA(dialog, IDC_SCENARIO, CB_SETITEMDATA, static_cast<WPARAM>(item), IDS_SCENARIO_DEFAULT);
    }
    SendDlgItemMessageA(dialog, IDC_SCENARIO, CB_SETCURSEL, 0, 0);
}

}  // namespace

Settings readProfileSettings() {
    Settings s;
    readSettings(profile, &s);
    return s;
}

void writeProfileSettings() { writeSettings(profile, settings); }

BOOL registerDialogClasses(HINSTANCE) {
    // The dialog uses only the system's standard controls; with the common
    // controls 6 manifest they come themed from comctl32, which this loads.
    INITCOMMONCONTROLSEX classes = {sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    return TRUE;
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        initDialog(dialog);
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id == IDOK) {
            EndDialog(dialog, 1);
        } else if (id == IDC_LETTER_BOX || id == IDC_RANDOM_VIEW || id == IDC_FRAME_COUNTER ||
                   id == IDC_LOW_RES_STARS) {
            applyCheckBox(id, static_cast<int>(IsDlgButtonChecked(dialog, id)), &settings);
            writeProfileSettings();
        }
        // Cancel (Esc, the close box), the scenario list and the rest: nothing.
        return TRUE;
    }
    case WM_HSCROLL: {
        settings.HVNumberAdditionalShips =
            scrollShips(settings.HVNumberAdditionalShips, LOWORD(wParam), HIWORD(wParam));
        SetScrollPos(GetDlgItem(dialog, IDC_SHIPS_SCROLL), SB_CTL, settings.HVNumberAdditionalShips, TRUE);
        writeProfileSettings();
        return TRUE;
    }
    default:
        return FALSE;
    }
}
