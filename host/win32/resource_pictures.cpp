// The texture pictures from the module's bitmap resources, loaded as
// device-independent sections so that their rows are the stored bottom-up
// 24-bit rows.
#include "win32_host.h"

#include "render/textures.h"

namespace {

class ResourcePictureSource final : public PictureSource {
public:
    HINSTANCE instance = nullptr;

    bool withPicture(int resourceId, const std::function<void(const BitmapDesc&)>& use) override {
        HANDLE image = LoadImageA(instance, MAKEINTRESOURCEA(resourceId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
        if (image == nullptr) return false;
        BITMAP record;
        bool described = GetObjectA(image, sizeof record, &record) == sizeof record && record.bmBits != nullptr;
        if (described) {
            BitmapDesc desc;
            desc.width = record.bmWidth;
            // LoadImageA keeps the stored bottom-up row order, rows padded to
            // 4 bytes: exactly the layout the conversion expects.
            desc.height = record.bmHeight;
            desc.bitsPerPixel = record.bmBitsPixel;
            desc.pixels = static_cast<const unsigned char*>(record.bmBits);
            use(desc);
        }
        DeleteObject(image);
        return described;
    }
};

ResourcePictureSource resourcePictures;

}  // namespace

void useResourcePictures(HINSTANCE instance) {
    resourcePictures.instance = instance;
    setPictureSource(&resourcePictures);
}
