#include "picture_copy.h"

#include <GL/gl.h>

void PictureCopy::take(int width, int height) {
    glPushAttrib(GL_TEXTURE_BIT | GL_PIXEL_MODE_BIT);
    if (texture_ == 0) glGenTextures(1, &texture_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    if (width != width_ || height != height_) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        width_ = width;
        height_ = height;
    }
    glReadBuffer(GL_BACK);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, width, height);
    glPopAttrib();
}

void PictureCopy::show(int width, int height) const {
    if (texture_ == 0 || width_ <= 0 || height_ <= 0 || width <= 0 || height <= 0) return;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    glViewport(0, 0, width, height);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_COLOR_LOGIC_OP);
    glDisable(GL_POLYGON_STIPPLE);
    glDisable(GL_TEXTURE_1D);
    for (int i = 0; i < 6; ++i) glDisable(GL_CLIP_PLANE0 + i);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);

    // The part of the picture with the surface's aspect, centred.
    const double pictureAspect = static_cast<double>(width_) / height_;
    const double surfaceAspect = static_cast<double>(width) / height;
    double s = 1.0;
    double t = 1.0;
    if (surfaceAspect < pictureAspect) {
        s = surfaceAspect / pictureAspect;
    } else {
        t = pictureAspect / surfaceAspect;
    }
    const float s0 = static_cast<float>((1.0 - s) / 2);
    const float s1 = static_cast<float>((1.0 + s) / 2);
    const float t0 = static_cast<float>((1.0 - t) / 2);
    const float t1 = static_cast<float>((1.0 + t) / 2);
    glBegin(GL_QUADS);
    glTexCoord2f(s0, t0);
    glVertex2f(-1.0f, -1.0f);
    glTexCoord2f(s1, t0);
    glVertex2f(1.0f, -1.0f);
    glTexCoord2f(s1, t1);
    glVertex2f(1.0f, 1.0f);
    glTexCoord2f(s0, t1);
    glVertex2f(-1.0f, 1.0f);
    glEnd();

    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}

void PictureCopy::release() {
    if (texture_ != 0) glDeleteTextures(1, &texture_);
    texture_ = 0;
    width_ = 0;
    height_ = 0;
}
