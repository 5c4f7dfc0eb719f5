// The painter the page draws with, chosen by HALVORN_WEB_PAINTER in
// host/web/CMakeLists.txt: the renderer on OpenGL ES 2.0, which is WebGL 1
// (gles2), or the stand-in that only clears (standin). The page shows the
// frame-rate line as text over the canvas in both.
#ifndef HALVORN_HOST_WEB_WEB_PAINTER_H
#define HALVORN_HOST_WEB_WEB_PAINTER_H

#ifdef HALVORN_WEB_GLES2
#include "gl_painter.h"
inline SaverPainter& webPainter() {
    static GlPainter painter(gles2Backend());
    return painter;
}
#else
#include "standin_painter.h"
inline SaverPainter& webPainter() {
    static StandInPainter painter;
    return painter;
}
#endif

#endif
