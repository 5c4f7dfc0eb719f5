#include "screensaver_window.h"

#include "options.h"

bool readScreensaverWindow(const char* value, unsigned long* id, std::string* error) {
    *id = 0;
    if (value == nullptr || *value == '\0') return true;
    std::string text = value;
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n')) text.pop_back();
    if (!parseWindowId(text, id)) {
        *error = oneLine("XSCREENSAVER_WINDOW is not a window id: '" + text + "'");
        return false;
    }
    return true;
}
