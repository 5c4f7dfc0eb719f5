// The process's settings; see settings.h.
#include "sim/settings.h"

Settings settings = {0, 0, 0, 0, 0};

void Settings::reset() {
    HVIsLetterBox = 0;
    HVNumberAdditionalShips = 0;
    HVIsRandStartView = 0;
    HVIsFrameCounter = 0;
    HVIsLowResStars = 0;
}
