#include "core/menu/MenuImage.h"

#include <algorithm>
#include <cmath>

namespace quillet {

namespace {

PixelImage BlankImage(int width, int height) {
    PixelImage image;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<std::size_t>(width) * height * 4, 0);
    return image;
}

}  // namespace

PixelImage DecodeEmbeddedImage(std::span<const std::uint8_t> data) {
    if (data.size() < 2 || data[0] == 0 || data[1] == 0) {
        return {};
    }
    PixelImage image = BlankImage(data[0], data[1]);
    const std::size_t planeSize = static_cast<std::size_t>(image.width) * image.height;
    const std::size_t total = planeSize * 4;
    std::size_t written = 0;
    // Byte k of the stream is plane k / planeSize of pixel k % planeSize; both the stream and the
    // buffer go bottom row first, so no row needs flipping.
    auto put = [&](std::uint8_t value) {
        if (written < total) {
            image.pixels[(written % planeSize) * 4 + written / planeSize] = value;
            ++written;
        }
    };
    std::size_t pos = 2;
    while (pos < data.size()) {
        const std::uint8_t control = data[pos++];
        const std::size_t count = (control & 0x7F) == 0 ? 128 : (control & 0x7F);
        if (control >= 0x80) {
            if (data.size() - pos < count) {
                return {};
            }
            for (std::size_t i = 0; i < count; ++i) {
                put(data[pos + i]);
            }
            pos += count;
        } else {
            if (pos >= data.size()) {
                return {};
            }
            const std::uint8_t value = data[pos++];
            for (std::size_t i = 0; i < count; ++i) {
                put(value);
            }
        }
    }
    return image;
}

PixelImage HalveImage(const PixelImage& image) {
    if (image.Empty()) {
        return {};
    }
    PixelImage half = BlankImage((image.width + 1) / 2, (image.height + 1) / 2);
    for (int y = 0; y < half.height; ++y) {
        const int y0 = 2 * y;
        const int y1 = std::min(y0 + 1, image.height - 1);
        for (int x = 0; x < half.width; ++x) {
            const int x0 = 2 * x;
            const int x1 = std::min(x0 + 1, image.width - 1);
            std::uint8_t* out = half.At(x, y);
            for (int c = 0; c < 4; ++c) {
                if (x1 != x0 && y1 != y0) {
                    out[c] = static_cast<std::uint8_t>((image.At(x0, y0)[c] + image.At(x1, y0)[c] +
                                                        image.At(x0, y1)[c] + image.At(x1, y1)[c]) >>
                                                       2);
                } else if (y1 != y0) {
                    out[c] = static_cast<std::uint8_t>((image.At(x0, y0)[c] + image.At(x0, y1)[c]) >> 1);
                } else if (x1 != x0) {
                    out[c] = static_cast<std::uint8_t>((image.At(x0, y0)[c] + image.At(x1, y0)[c]) >> 1);
                } else {
                    out[c] = image.At(x0, y0)[c];
                }
            }
        }
    }
    return half;
}

PixelImage ResampleImage(const PixelImage& image, int width, int height) {
    if (image.Empty() || width <= 0 || height <= 0) {
        return {};
    }
    PixelImage result = BlankImage(width, height);
    const double sx = static_cast<double>(image.width) / width;
    const double sy = static_cast<double>(image.height) / height;
    auto clampX = [&](int x) { return std::clamp(x, 0, image.width - 1); };
    auto clampY = [&](int y) { return std::clamp(y, 0, image.height - 1); };
    for (int j = 0; j < height; ++j) {
        const double y = (j + 0.5) * sy - 0.5;
        const double yFloor = std::floor(y);
        const double fy = y - yFloor;
        const int y0 = clampY(static_cast<int>(yFloor));
        const int y1 = clampY(static_cast<int>(yFloor) + 1);
        for (int i = 0; i < width; ++i) {
            const double x = (i + 0.5) * sx - 0.5;
            const double xFloor = std::floor(x);
            const double fx = x - xFloor;
            const int x0 = clampX(static_cast<int>(xFloor));
            const int x1 = clampX(static_cast<int>(xFloor) + 1);
            const std::uint8_t* p00 = image.At(x0, y0);
            const std::uint8_t* p10 = image.At(x1, y0);
            const std::uint8_t* p01 = image.At(x0, y1);
            const std::uint8_t* p11 = image.At(x1, y1);
            std::uint8_t* out = result.At(i, j);
            for (int c = 0; c < 4; ++c) {
                const double value = (1 - fx) * (1 - fy) * p00[c] + fx * (1 - fy) * p10[c] +
                                     (1 - fx) * fy * p01[c] + fx * fy * p11[c] + 0.5;
                out[c] = static_cast<std::uint8_t>(std::clamp(std::floor(value), 0.0, 255.0));
            }
        }
    }
    return result;
}

PixelImage FitImage(const PixelImage& image, int width, int height) {
    if (image.Empty() || width <= 0 || height <= 0) {
        return {};
    }
    if (width > image.width / 2 && height > image.height / 2) {
        return ResampleImage(image, width, height);
    }
    PixelImage current = HalveImage(image);
    while (width < current.width / 2 || height < current.height / 2) {
        current = HalveImage(current);
    }
    if (current.width == width && current.height == height) {
        return current;
    }
    return ResampleImage(current, width, height);
}

void PremultiplyAlpha(std::span<std::uint8_t> pixels) {
    for (std::size_t i = 0; i + 3 < pixels.size(); i += 4) {
        const unsigned alpha = pixels[i + 3];
        if (alpha < 255) {
            for (std::size_t c = 0; c < 3; ++c) {
                pixels[i + c] = static_cast<std::uint8_t>(pixels[i + c] * alpha / 255);
            }
        }
    }
}

PixelImage SilhouetteImage(const PixelImage& image, std::uint32_t ink, std::uint32_t halo) {
    PixelImage result = BlankImage(std::max(image.width, 0), std::max(image.height, 0));
    for (int y = 0; y < result.height; ++y) {
        for (int x = 0; x < result.width; ++x) {
            // The ring: the most any neighbour covers.
            unsigned ring = 0;
            for (int ny = std::max(y - 1, 0); ny <= std::min(y + 1, result.height - 1); ++ny) {
                for (int nx = std::max(x - 1, 0); nx <= std::min(x + 1, result.width - 1); ++nx) {
                    ring = std::max<unsigned>(ring, image.At(nx, ny)[3]);
                }
            }
            const unsigned covered = image.At(x, y)[3];
            std::uint8_t* out = result.At(x, y);
            out[3] = static_cast<std::uint8_t>(ring);
            for (int c = 0; ring != 0 && c < 3; ++c) {
                // Byte c of the pixel is blue, green, red: bits 16, 8, 0 of the colour.
                const unsigned shift = 16 - 8 * static_cast<unsigned>(c);
                const unsigned inkPart = ((ink >> shift) & 0xFF) * covered;
                const unsigned haloPart = ((halo >> shift) & 0xFF) * (ring - covered);
                out[c] = static_cast<std::uint8_t>((inkPart + haloPart) / ring);
            }
        }
    }
    return result;
}

PixelImage PrepareMenuPicture(std::span<const std::uint8_t> encoded, int width, int height) {
    // Guard the sizes first: a zero or negative target would halve forever, a huge one would ask
    // for gigabytes.
    if (width <= 0 || height <= 0 || width > kMaxMenuBitmapSize || height > kMaxMenuBitmapSize) {
        return {};
    }
    PixelImage picture = FitImage(DecodeEmbeddedImage(encoded), width, height);
    if (picture.Empty()) {
        return {};
    }
    PremultiplyAlpha(picture.pixels);
    return picture;
}

int MenuImageForCommandType(CommandType type) {
    const CommandTypeInfo* info = FindCommandType(type);
    return info ? info->menuImage : 0;
}

}  // namespace quillet
