// $XSCREENSAVER_WINDOW: the window XScreenSaver hands its module, or none.
#include "screensaver_window.h"

#include <gtest/gtest.h>

#include <string>

TEST(ScreensaverWindow, IdNoneOrOneErrorLine) {
    struct Case {
        const char* value;
        bool read;
        unsigned long id;
        const char* error;  // the whole error line when not read
    };
    const Case cases[] = {
        {nullptr, true, 0, ""},
        {"", true, 0, ""},
        {"0x1c00007", true, 0x1c00007, ""},
        {"0x1c00007 \n", true, 0x1c00007, ""},
        {"44040199", true, 44040199, ""},
        {"nowhere", false, 0, "XSCREENSAVER_WINDOW is not a window id: 'nowhere'"},
        {"  \n", false, 0, "XSCREENSAVER_WINDOW is not a window id: ''"},
        {"0x12\r\n", false, 0, "XSCREENSAVER_WINDOW is not a window id: '0x12?'"},
        {"0x\x1b[2J1", false, 0, "XSCREENSAVER_WINDOW is not a window id: '0x?[2J1'"},
    };
    for (const Case& c : cases) {
        unsigned long id = 7;
        std::string error;
        const std::string shown = c.value ? c.value : "(unset)";
        EXPECT_EQ(readScreensaverWindow(c.value, &id, &error), c.read) << shown;
        EXPECT_EQ(id, c.id) << shown;
        EXPECT_EQ(error, c.error) << shown;
    }
}
