// The five user settings, as the host reads them from the profile. The battle
// reads HVNumberAdditionalShips and HVIsRandStartView at every build; the
// renderer and the host read the others.
#ifndef HALVORN_SIM_SETTINGS_H
#define HALVORN_SIM_SETTINGS_H

struct Settings {
    int HVIsLetterBox;            // 1: picture in a centred band of aspect 2.35
    int HVNumberAdditionalShips;  // ships beyond the base fleet, 0 to 300 (clamped at build)
    int HVIsRandStartView;        // 1: the first battle starts with a random view
    int HVIsFrameCounter;         // 1: draw the frame-rate line
    int HVIsLowResStars;          // 1: low-resolution starfield

    // All five to 0, the values of an absent profile.
    void reset();
};

// The process's settings.
extern Settings settings;

#endif
