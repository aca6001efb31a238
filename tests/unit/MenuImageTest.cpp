#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/menu/MenuImage.h"

namespace quillet {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A picture whose pixels carry the same value in all four bytes, listed bottom row first.
PixelImage Gray(int width, int height, const std::vector<int>& values) {
    PixelImage image;
    image.width = width;
    image.height = height;
    for (int value : values) {
        image.pixels.insert(image.pixels.end(), 4, static_cast<std::uint8_t>(value));
    }
    return image;
}

// A deterministic picture with unrelated values in every byte, so that different ways of fitting
// it give different results.
PixelImage Noise(int width, int height) {
    PixelImage image;
    image.width = width;
    image.height = height;
    std::uint32_t state = 12345;
    for (int i = 0; i < width * height * 4; ++i) {
        state = state * 1103515245u + 12345u;
        image.pixels.push_back(static_cast<std::uint8_t>(state >> 16));
    }
    return image;
}

struct DecodeRow {
    const char* name;
    Bytes data;
    int width;  // 0: the picture must be empty
    int height;
    Bytes pixels;
};

Bytes Counting(int first, int count) {
    Bytes bytes;
    for (int i = 0; i < count; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(first + i));
    }
    return bytes;
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes PlanesOf128() {
    Bytes pixels;
    for (int i = 0; i < 32; ++i) {
        for (int plane = 0; plane < 4; ++plane) {
            pixels.push_back(static_cast<std::uint8_t>(plane * 32 + i));
        }
    }
    return pixels;
}

TEST(MenuImage, DecodesRunsIntoPlanes) {
    const DecodeRow rows[] = {
        {"empty data", {}, 0, 0, {}},
        {"width only", {1}, 0, 0, {}},
        {"zero width", {0, 1, 0x84, 1, 2, 3, 4}, 0, 0, {}},
        {"zero height", {1, 0, 0x84, 1, 2, 3, 4}, 0, 0, {}},
        {"one literal pixel", {1, 1, 0x84, 10, 20, 30, 40}, 1, 1, {10, 20, 30, 40}},
        {"planes blue green red alpha", {2, 1, 0x88, 1, 2, 3, 4, 5, 6, 7, 8}, 2, 1, {1, 3, 5, 7, 2, 4, 6, 8}},
        {"repeat runs", {2, 1, 0x02, 9, 0x02, 8, 0x02, 7, 0x02, 255}, 2, 1, {9, 8, 7, 255, 9, 8, 7, 255}},
        {"mixed runs", {2, 1, 0x83, 1, 2, 3, 0x05, 0}, 2, 1, {1, 3, 0, 0, 2, 0, 0, 0}},
        {"repeat length 0 means 128", {8, 4, 0x00, 5}, 8, 4, Bytes(128, 5)},
        {"literal length 0 means 128", Concat({8, 4, 0x80}, Counting(0, 128)), 8, 4, PlanesOf128()},
        {"short stream leaves transparent black", {2, 1, 0x03, 9}, 2, 1, {9, 9, 0, 0, 9, 0, 0, 0}},
        {"bytes past the alpha plane are dropped", {1, 1, 0x06, 7, 0x81, 1}, 1, 1, {7, 7, 7, 7}},
        {"literal run longer than the data", {1, 1, 0x84, 1, 2, 3}, 0, 0, {}},
        {"last literal run longer than the data", {1, 1, 0x82, 1, 2, 0x82, 3}, 0, 0, {}},
        {"repeat run without its value", {1, 1, 0x84, 1, 2, 3, 4, 0x05}, 0, 0, {}},
    };
    for (const DecodeRow& row : rows) {
        SCOPED_TRACE(row.name);
        const PixelImage image = DecodeEmbeddedImage(row.data);
        if (row.width == 0) {
            EXPECT_TRUE(image.Empty());
            EXPECT_TRUE(image.pixels.empty());
            continue;
        }
        EXPECT_EQ(image.width, row.width);
        EXPECT_EQ(image.height, row.height);
        EXPECT_EQ(image.pixels, row.pixels);
    }
}

struct FitRow {
    const char* name;
    PixelImage input;
    PixelImage expected;
};

void ExpectRows(const std::vector<FitRow>& rows,
                PixelImage (*operation)(const PixelImage&, const PixelImage&)) {
    for (const FitRow& row : rows) {
        SCOPED_TRACE(row.name);
        const PixelImage result = operation(row.input, row.expected);
        EXPECT_EQ(result.width, row.expected.width);
        EXPECT_EQ(result.height, row.expected.height);
        EXPECT_EQ(result.pixels, row.expected.pixels);
    }
}

TEST(MenuImage, HalvesByAveragingBlocks) {
    PixelImage channels;
    channels.width = channels.height = 2;
    channels.pixels = {0, 255, 1, 10, 1, 255, 2, 20, 2, 255, 3, 30, 5, 254, 4, 40};
    PixelImage channelsHalf;
    channelsHalf.width = channelsHalf.height = 1;
    channelsHalf.pixels = {2, 254, 2, 25};
    const std::vector<FitRow> rows = {
        {"each byte averaged apart, shifted down", channels, channelsHalf},
        {"odd column, odd row and odd corner", Gray(3, 3, {0, 4, 8, 12, 16, 21, 100, 200, 255}),
         Gray(2, 2, {8, 14, 150, 255})},
        {"single column", Gray(1, 3, {10, 21, 7}), Gray(1, 2, {15, 7})},
        {"single row", Gray(3, 1, {10, 21, 7}), Gray(2, 1, {15, 7})},
        {"one pixel", Gray(1, 1, {33}), Gray(1, 1, {33})},
    };
    ExpectRows(rows, [](const PixelImage& in, const PixelImage&) { return HalveImage(in); });
    EXPECT_TRUE(HalveImage(PixelImage{}).Empty());
}

TEST(MenuImage, ResamplesBilinearlyWithClampedEdges) {
    const std::vector<FitRow> rows = {
        {"same size keeps every value", Gray(3, 2, {1, 2, 3, 250, 251, 252}),
         Gray(3, 2, {1, 2, 3, 250, 251, 252})},
        {"two to one rounds half up", Gray(2, 1, {10, 21}), Gray(1, 1, {16})},
        {"one to four along a row", Gray(2, 1, {0, 100}), Gray(4, 1, {0, 25, 75, 100})},
        {"one to four along a column", Gray(1, 2, {0, 100}), Gray(1, 4, {0, 25, 75, 100})},
        {"both ways", Gray(2, 2, {0, 100, 100, 200}), Gray(1, 1, {100})},
        {"three to two", Gray(3, 1, {0, 90, 180}), Gray(2, 1, {23, 158})},
    };
    ExpectRows(rows, [](const PixelImage& in, const PixelImage& out) {
        return ResampleImage(in, out.width, out.height);
    });
    EXPECT_TRUE(ResampleImage(Gray(1, 1, {1}), 0, 3).Empty());
}

TEST(MenuImage, FitsByHalvingThenResampling) {
    const PixelImage picture = Noise(48, 48);
    struct Row {
        int width, height;
        PixelImage expected;
    };
    const Row rows[] = {
        {15, 15, ResampleImage(HalveImage(picture), 15, 15)},  // one halving, then resampling
        {24, 24, HalveImage(picture)},                         // one halving is exact
        {30, 30, ResampleImage(picture, 30, 30)},              // more than half: straight resampling
        {25, 25, ResampleImage(picture, 25, 25)},
        {12, 12, ResampleImage(HalveImage(picture), 12, 12)},  // exactly half: no second halving
        {11, 11, ResampleImage(HalveImage(HalveImage(picture)), 11, 11)},
        {13, 13, ResampleImage(HalveImage(picture), 13, 13)},
        {64, 64, ResampleImage(picture, 64, 64)},
        {24, 5, ResampleImage(HalveImage(HalveImage(HalveImage(picture))), 24, 5)},  // the height decides
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.width) + " x " + std::to_string(row.height));
        const PixelImage fitted = FitImage(picture, row.width, row.height);
        EXPECT_EQ(fitted.width, row.width);
        EXPECT_EQ(fitted.height, row.height);
        EXPECT_TRUE(fitted == row.expected);
    }
    // The paths really differ on this picture, so the rows above tell them apart.
    EXPECT_FALSE(ResampleImage(HalveImage(picture), 15, 15) == ResampleImage(picture, 15, 15));
    EXPECT_FALSE(ResampleImage(picture, 30, 30) == ResampleImage(HalveImage(picture), 30, 30));
}

TEST(MenuImage, Premultiplication) {
    struct Row {
        const char* name;
        Bytes pixel;
        Bytes premultiplied;  // after PremultiplyAlpha
    };
    const Row rows[] = {
        {"transparent", {10, 20, 30, 0}, {0, 0, 0, 0}},
        {"just under half", {10, 20, 30, 127}, {4, 9, 14, 127}},
        {"half, full colour", {255, 255, 255, 128}, {128, 128, 128, 128}},
        {"half keeps its colour", {10, 20, 30, 128}, {5, 10, 15, 128}},
        {"quarter rounds down", {200, 100, 50, 64}, {50, 25, 12, 64}},
        {"opaque unchanged", {1, 2, 3, 255}, {1, 2, 3, 255}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes pixel = row.pixel;
        PremultiplyAlpha(pixel);
        EXPECT_EQ(pixel, row.premultiplied);
    }
}

TEST(MenuImage, PreparesNothingForBrokenDataOrSizes) {
    const Bytes good = {1, 1, 0x84, 255, 255, 255, 128};
    const Bytes truncated = {48, 48, 0x7F, 0, 0xFF, 1, 2};
    EXPECT_EQ(PrepareMenuPicture(good, 2, 2).pixels, Bytes(16, 128));
    EXPECT_TRUE(PrepareMenuPicture(truncated, 15, 15).Empty());
    EXPECT_TRUE(PrepareMenuPicture({}, 15, 15).Empty());
    for (auto [width, height] : {std::pair{0, 15}, {15, 0}, {-1, 15}, {15, kMaxMenuBitmapSize + 1}}) {
        EXPECT_TRUE(PrepareMenuPicture(good, width, height).Empty()) << width << " x " << height;
    }
}

TEST(MenuImage, EmbeddedImagesDecodeAndFitEveryMenuSize) {
    EXPECT_TRUE(EmbeddedMenuImage(0).empty());
    EXPECT_TRUE(EmbeddedMenuImage(kMenuImageCount + 1).empty());
    for (int number = 1; number <= kMenuImageCount; ++number) {
        SCOPED_TRACE("image " + std::to_string(number));
        const PixelImage decoded = DecodeEmbeddedImage(EmbeddedMenuImage(number));
        ASSERT_EQ(decoded.width, 48);
        ASSERT_EQ(decoded.height, 48);
        int transparent = 0, opaque = 0;
        for (std::size_t i = 3; i < decoded.pixels.size(); i += 4) {
            transparent += decoded.pixels[i] == 0;
            opaque += decoded.pixels[i] == 255;
        }
        EXPECT_GT(transparent, 200);  // a shape on a clear background,
        EXPECT_GT(opaque, 400);       // solid enough to read at menu size
        for (int size : {13, 15, 16, 20, 24, 30, 48}) {
            const PixelImage menu = PrepareMenuPicture(EmbeddedMenuImage(number), size, size);
            ASSERT_EQ(menu.width, size);
            ASSERT_EQ(menu.height, size);
            EXPECT_EQ(Bytes(menu.At(0, 0), menu.At(0, 0) + 4), Bytes(4, 0));  // clear corner
            for (std::size_t i = 0; i < menu.pixels.size(); i += 4) {
                ASSERT_LE(menu.pixels[i], menu.pixels[i + 3]) << "not premultiplied at byte " << i;
                ASSERT_LE(menu.pixels[i + 1], menu.pixels[i + 3]) << "not premultiplied at byte " << i;
                ASSERT_LE(menu.pixels[i + 2], menu.pixels[i + 3]) << "not premultiplied at byte " << i;
            }
        }
    }
}

TEST(MenuImage, ImageOfEachCommandType) {
    const std::pair<int, int> rows[] = {{0, 1}, {1, 2}, {2, 4}, {3, 4}, {4, 3},
                                        {5, 5}, {6, 6}, {7, 1}, {8, 0}, {-1, 0}};
    for (auto [type, image] : rows) {
        EXPECT_EQ(MenuImageForCommandType(static_cast<CommandType>(type)), image) << "type " << type;
    }
}

}  // namespace
}  // namespace quillet
