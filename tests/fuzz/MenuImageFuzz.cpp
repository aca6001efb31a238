// Feeds arbitrary bytes to the decoder of the embedded menu images and fits what it decodes to a
// check-mark size. Byte 0 and byte 1 give the target width and height less one (so 0 asks for -1),
// byte 2, with bits 1 and 2 both set, asks for four times the size (up to 1016, rarer as it is slow);
// the rest is the image.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/menu/MenuImage.h"

namespace {

using namespace quillet;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool HasSize(const PixelImage& image, int width, int height) {
    return image.width == width && image.height == height &&
           image.pixels.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const int scale = (data[2] & 6) == 6 ? 4 : 1;
    const int width = (data[0] - 1) * scale;
    const int height = (data[1] - 1) * scale;
    const std::span<const std::uint8_t> encoded(data + 3, size - 3);

    const PixelImage decoded = DecodeEmbeddedImage(encoded);
    Check(decoded.Empty() ? decoded.pixels.empty() : HasSize(decoded, encoded[0], encoded[1]));

    const PixelImage picture = PrepareMenuPicture(encoded, width, height);
    const bool fits =
        width >= 1 && height >= 1 && width <= kMaxMenuBitmapSize && height <= kMaxMenuBitmapSize;
    if (decoded.Empty() || !fits) {
        Check(picture.Empty() && picture.pixels.empty());
        return 0;
    }
    Check(HasSize(picture, width, height));
    for (std::size_t i = 0; i < picture.pixels.size(); i += 4) {
        const std::uint8_t alpha = picture.pixels[i + 3];
        // Premultiplied: no colour exceeds its pixel's opacity.
        Check(picture.pixels[i] <= alpha && picture.pixels[i + 1] <= alpha && picture.pixels[i + 2] <= alpha);
    }
    return 0;
}
