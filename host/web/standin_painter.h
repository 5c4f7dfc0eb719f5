// The page's painter until the OpenGL ES 2.0 renderer is plugged in (the
// HALVORN_WEB_PAINTER switch of host/web/CMakeLists.txt): the battle runs its
// own drawing walk through the default painter, so its collisions and hits are
// those of every other host, and the picture is only cleared: black bars, the
// picture's band in a dark blue and a small square per living ship, so that a
// test can see the settings and the battle move. It draws nothing else.
#ifndef HALVORN_HOST_WEB_STANDIN_PAINTER_H
#define HALVORN_HOST_WEB_STANDIN_PAINTER_H

#include "saver.h"

class StandInPainter final : public SaverPainter {
public:
    void start(int width, int height) override;
    void reshape(int width, int height) override;
    void draw() override;
    void stop() override;

private:
    int width_ = 1, height_ = 1;  // drawing buffer, pixels
};

#endif
