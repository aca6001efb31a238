// The Win32 half of the menu bitmaps and the product icon, run under Wine: what the system reads
// back from the bitmaps we make, and the icon sizes it loads from the resource.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "core/menu/MenuImage.h"
#include "platform/win32/Handles.h"
#include "platform/win32/SystemColours.h"
#include "shellext/MenuBitmaps.h"

namespace quillet::shellext {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct BitmapShape {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
};

BitmapShape ShapeOf(HBITMAP bitmap) {
    BITMAP info{};
    if (GetObjectW(bitmap, sizeof(info), &info) != sizeof(info)) {
        return {};
    }
    return {info.bmWidth, info.bmHeight, info.bmBitsPixel};
}

// The bitmap's pixels as 32-bit blue, green, red, alpha, read with GetDIBits; bottom row first unless
// topDown.
Bytes ReadPixels(HBITMAP bitmap, bool topDown = false) {
    const BitmapShape shape = ShapeOf(bitmap);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = shape.width;
    info.bmiHeader.biHeight = topDown ? -shape.height : shape.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    Bytes pixels(static_cast<std::size_t>(shape.width) * shape.height * 4);
    const platform::UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
    const int lines = GetDIBits(dc.Get(), bitmap, 0, shape.height, pixels.data(), &info, DIB_RGB_COLORS);
    EXPECT_EQ(lines, shape.height);
    return pixels;
}

Bytes PixelAt(const Bytes& pixels, int width, int x, int row) {
    const auto at = pixels.begin() + (static_cast<std::ptrdiff_t>(row) * width + x) * 4;
    return Bytes(at, at + 4);
}

TEST(MenuBitmaps, BitmapHoldsTheFittedPictureAtEachCheckMarkSize) {
    for (int image = 1; image <= kMenuImageCount; ++image) {
        for (int size : {15, 24, 30}) {
            SCOPED_TRACE("image " + std::to_string(image) + " at " + std::to_string(size));
            const CMenuBitmap bitmap = MakeMenuBitmap(EmbeddedMenuImage(image), size, size);
            ASSERT_TRUE(bitmap);
            const BitmapShape shape = ShapeOf(bitmap.Get());
            EXPECT_EQ(shape.width, size);
            EXPECT_EQ(shape.height, size);
            EXPECT_EQ(shape.bitsPerPixel, 32);
            EXPECT_EQ(ReadPixels(bitmap.Get()),
                      PrepareMenuPicture(EmbeddedMenuImage(image), size, size).pixels);
        }
    }
}

// 2 x 2, bottom row first: half-transparent white, transparent; opaque red, opaque green.
const Bytes kTwoByTwo = {2, 2, 0x90, 255, 30, 0, 0, 255, 20, 0, 255, 255, 10, 255, 0, 128, 0, 255, 255};

TEST(MenuBitmaps, RowsGoBottomUpAndAlphaIsPremultiplied) {
    const Bytes& encoded = kTwoByTwo;
    struct Row {
        const char* name;
        Bytes bottomLeft, bottomRight, topLeft, topRight;
    };
    const Row rows[] = {
        {"alpha", {128, 128, 128, 128}, {0, 0, 0, 0}, {0, 0, 255, 255}, {0, 255, 0, 255}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const CMenuBitmap bitmap = MakeMenuBitmap(encoded, 2, 2);
        ASSERT_TRUE(bitmap);
        const Bytes bottomUp = ReadPixels(bitmap.Get());
        EXPECT_EQ(PixelAt(bottomUp, 2, 0, 0), row.bottomLeft);
        EXPECT_EQ(PixelAt(bottomUp, 2, 1, 0), row.bottomRight);
        EXPECT_EQ(PixelAt(bottomUp, 2, 0, 1), row.topLeft);
        EXPECT_EQ(PixelAt(bottomUp, 2, 1, 1), row.topRight);
        const Bytes topDown = ReadPixels(bitmap.Get(), true);
        EXPECT_EQ(PixelAt(topDown, 2, 0, 0), row.topLeft);
        EXPECT_EQ(PixelAt(topDown, 2, 1, 1), row.bottomRight);
    }
}

TEST(MenuBitmaps, AHighContrastThemeGivesSilhouettesInTheMenusColours) {
    struct HighContrastOn {
        HighContrastOn() { platform::OverrideHighContrast(true); }
        ~HighContrastOn() { platform::OverrideHighContrast(std::nullopt); }
    };
    const auto opaque = [](COLORREF colour) {
        return Bytes{GetBValue(colour), GetGValue(colour), GetRValue(colour), 255};
    };
    CMenuBitmapCache cache;
    const Bytes normal = ReadPixels(cache.ForCommandType(CommandType::Quillet));
    {
        const HighContrastOn on;
        const CMenuBitmap bitmap = MakeMenuBitmap(kTwoByTwo, 2, 2);
        ASSERT_TRUE(bitmap);
        const Bytes pixels = ReadPixels(bitmap.Get());
        EXPECT_EQ(PixelAt(pixels, 2, 1, 1), opaque(GetSysColor(COLOR_MENUTEXT)));  // covered
        EXPECT_EQ(PixelAt(pixels, 2, 1, 0), opaque(GetSysColor(COLOR_MENU)));      // the ring
        // The cache makes its pictures again for the theme, as no menu shows the old ones.
        EXPECT_NE(ReadPixels(cache.ForCommandType(CommandType::Quillet)), normal);
    }
    EXPECT_EQ(ReadPixels(cache.ForCommandType(CommandType::Quillet)), normal);
}

TEST(MenuBitmaps, NoBitmapForBrokenImagesOrSizes) {
    const Bytes truncated = {48, 48, 0x90, 1, 2, 3};
    EXPECT_FALSE(MakeMenuBitmap(truncated, 15, 15));
    EXPECT_FALSE(MakeMenuBitmap(EmbeddedMenuImage(1), 0, 15));
    EXPECT_FALSE(MakeMenuBitmap(0));
    EXPECT_FALSE(MakeMenuBitmap(kMenuImageCount + 1));
}

TEST(MenuBitmaps, SystemCheckMarkSizeAndOwnership) {
    CMenuBitmap bitmap = MakeMenuBitmap(6);
    ASSERT_TRUE(bitmap);
    const BitmapShape shape = ShapeOf(bitmap.Get());
    EXPECT_EQ(shape.width, GetSystemMetrics(SM_CXMENUCHECK));
    EXPECT_EQ(shape.height, GetSystemMetrics(SM_CYMENUCHECK));

    const HBITMAP handle = bitmap.Get();
    CMenuBitmap moved = std::move(bitmap);
    EXPECT_FALSE(bitmap);
    EXPECT_EQ(moved.Get(), handle);
    EXPECT_EQ(GetObjectType(handle), static_cast<DWORD>(OBJ_BITMAP));
    moved.Reset();
    EXPECT_EQ(GetObjectType(handle), 0u);  // deleted
}

TEST(MenuBitmaps, CacheMakesEachImageOnceAndSharesIt) {
    HBITMAP copy = nullptr;
    {
        CMenuBitmapCache cache;
        for (int type = 0; type <= 7; ++type) {
            EXPECT_NE(cache.ForCommandType(static_cast<CommandType>(type)), nullptr) << "type " << type;
        }
        EXPECT_EQ(cache.ForCommandType(static_cast<CommandType>(8)), nullptr);
        EXPECT_EQ(cache.ForCommandType(static_cast<CommandType>(-1)), nullptr);
        copy = cache.ForCommandType(static_cast<CommandType>(0));
        EXPECT_EQ(cache.ForCommandType(static_cast<CommandType>(7)),
                  copy);  // user-defined commands show the copy image
        EXPECT_EQ(cache.ForCommandType(static_cast<CommandType>(2)),
                  cache.ForCommandType(static_cast<CommandType>(3)));
        EXPECT_NE(cache.ForCommandType(static_cast<CommandType>(1)), copy);
    }
    EXPECT_EQ(GetObjectType(copy), 0u);  // the cache deleted its bitmaps
}

// The product icon, and each command type's picture as an icon, at every size the files hold.
TEST(ProductIcon, LoadsAtEverySizeTheFileHolds) {
    std::vector<std::pair<int, int>> icons;  // resource id, size
    for (int size : {16, 20, 24, 32, 48, 256}) {
        icons.emplace_back(403, size);
    }
    for (int type = 0; type <= 7; ++type) {
        for (int size : {16, 20, 24, 32, 48}) {
            icons.emplace_back(MenuIconResourceId(static_cast<CommandType>(type)), size);
        }
    }
    EXPECT_EQ(MenuIconResourceId(static_cast<CommandType>(8)), 0);
    for (const auto& [id, size] : icons) {
        SCOPED_TRACE(testing::Message() << id << " at " << size);
        const platform::UniqueIcon icon(static_cast<HICON>(LoadImageW(
            GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
        ASSERT_TRUE(icon);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon.Get(), &info));
        const platform::UniqueBitmap color(info.hbmColor);
        const platform::UniqueBitmap mask(info.hbmMask);
        const BitmapShape shape = ShapeOf(info.hbmColor);
        EXPECT_EQ(shape.width, size);
        EXPECT_EQ(shape.height, size);
        if (id == 403 && size == 16) {
            // The clip's light face sits in the top middle; the corners stay clear.
            const Bytes pixels = ReadPixels(info.hbmColor, true);
            EXPECT_EQ(PixelAt(pixels, 16, 7, 2), (Bytes{0xda, 0xd1, 0xc9, 0xff}));
            EXPECT_EQ(PixelAt(pixels, 16, 0, 0)[3], 0);
        }
    }
}

}  // namespace
}  // namespace quillet::shellext
