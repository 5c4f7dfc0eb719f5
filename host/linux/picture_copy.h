// The battle drawn once and shown on several surfaces (one per output): the
// picture is copied from the drawn surface's back buffer into a texture, and
// drawn on each other surface filling it, centred and cropped to its aspect.
// OpenGL 1.1 only; every GL state it changes is restored, so the renderer's
// state survives it.
#ifndef HALVORN_HOST_LINUX_PICTURE_COPY_H
#define HALVORN_HOST_LINUX_PICTURE_COPY_H

class PictureCopy {
public:
    // Copies the current surface's back buffer, width x height pixels.
    void take(int width, int height);
    // Draws the copy over the whole of the current surface, width x height pixels.
    void show(int width, int height) const;
    // Deletes the texture (the context must be current).
    void release();

private:
    unsigned texture_ = 0;
    int width_ = 0;  // the texture's size
    int height_ = 0;
};

#endif
