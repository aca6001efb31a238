// The pixel work behind the context menu's item bitmaps: decoding the run-length images kept in the
// module, fitting them to the menu check-mark size, and preparing the bytes of a 32-bit bitmap.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/commands/Command.h"

namespace quillet {

// A picture of width x height pixels, 4 bytes each in the order blue, green, red, alpha, bottom row
// first (the layout of a bottom-up 32-bit device-independent bitmap). Empty when width or height
// is 0.
struct PixelImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    bool Empty() const { return width <= 0 || height <= 0; }
    // The four bytes of the pixel in column x of row y, counted from the bottom row.
    std::uint8_t* At(int x, int y) { return pixels.data() + (static_cast<std::size_t>(y) * width + x) * 4; }
    const std::uint8_t* At(int x, int y) const {
        return pixels.data() + (static_cast<std::size_t>(y) * width + x) * 4;
    }
    friend bool operator==(const PixelImage&, const PixelImage&) = default;
};

// Decodes the embedded image form: a width byte, a height byte, then runs filling the blue, green,
// red and alpha planes, bottom row first. Control byte C, length n = C & 0x7F (0 means 128): from
// 0x80 on the next n bytes are literal, below it the next byte repeats n times. Bytes past the
// alpha plane are dropped and pixels no byte reaches stay 0. A run that does not fit in the data,
// data shorter than 2 bytes, or a zero width or height gives an empty picture.
PixelImage DecodeEmbeddedImage(std::span<const std::uint8_t> data);

// Half the size, rounded up; each pixel averages its 2 x 2 block (the odd last column or row
// averages the two pixels it has, the odd corner is copied).
PixelImage HalveImage(const PixelImage& image);

// Bilinear resampling to the given size, all four bytes alike, with pixel centres aligned and the
// edges clamped.
PixelImage ResampleImage(const PixelImage& image, int width, int height);

// Fits a picture to the target size: straight resampling when the target is more than half the
// picture each way, otherwise halving until one more halving would go below the target, and then
// resampling only if the size is not already right.
PixelImage FitImage(const PixelImage& image, int width, int height);

// Multiplies blue, green and red by alpha / 255 (rounded down), as alpha blending expects.
void PremultiplyAlpha(std::span<std::uint8_t> pixels);

// The picture as a silhouette for a high-contrast theme, from its alpha alone: what it covers in `ink`,
// ringed a pixel wide by `halo`, so the shape shows on the halo's colour and on any other under it (a
// selected row). Colours are 0x00BBGGRR; the result has straight (not premultiplied) alpha.
PixelImage SilhouetteImage(const PixelImage& image, std::uint32_t ink, std::uint32_t halo);

// The largest check-mark size a menu bitmap is made for; larger requests get no bitmap.
inline constexpr int kMaxMenuBitmapSize = 1024;

// The bitmap bytes of a menu image for a check mark of the given size: decoded, fitted,
// premultiplied. Empty for a broken image or a size outside 1..kMaxMenuBitmapSize.
PixelImage PrepareMenuPicture(std::span<const std::uint8_t> encoded, int width, int height);

// The menu images kept in the module, numbered 1 to 6.
inline constexpr int kMenuImageCount = 6;
// The encoded bytes of menu image 1..kMenuImageCount; empty for any other number.
std::span<const std::uint8_t> EmbeddedMenuImage(int imageNumber);

// The menu image that stands beside a command of this type (its row's); 0 for a value outside the
// table.
int MenuImageForCommandType(CommandType type);

}  // namespace quillet
