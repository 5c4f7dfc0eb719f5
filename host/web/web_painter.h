// The painter the page draws with, chosen by HALVORN_WEB_PAINTER in
// host/web/CMakeLists.txt: the OpenGL ES 2.0 renderer (gles2), or the
// stand-in that only clears (standin).
#ifndef HALVORN_HOST_WEB_WEB_PAINTER_H
#define HALVORN_HOST_WEB_WEB_PAINTER_H

#include <string>

#ifdef HALVORN_WEB_GLES2
#include "gles2_painter.h"
using WebPainter = Gles2Painter;
// The renderer draws the frame-rate line into the picture as a textured strip.
constexpr bool WebPainterDrawsFpsLine = true;
inline void drawWebFpsLine(WebPainter& painter, const std::string& text) { painter.drawFpsStrip(text); }
#else
#include "standin_painter.h"
using WebPainter = StandInPainter;
// The page shows the frame-rate line as text over the canvas.
constexpr bool WebPainterDrawsFpsLine = false;
inline void drawWebFpsLine(WebPainter&, const std::string&) {}
#endif

#endif
