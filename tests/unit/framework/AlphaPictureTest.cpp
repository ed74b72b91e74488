// The About page's picture: the pixel rules (prepared pixel, then blended over the page)
// and the preparation from the program's two bitmaps.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "framework/AlphaPicture.h"
#include "res/resource.h"

TEST(AlphaPicture, PreparesAndBlendsPixels) {
    constexpr uint32_t kPage = 0xD4D0C8;
    struct Case {
        const char* what;
        COLORREF colour;
        BYTE maskRed;
        uint32_t prepared;
        uint32_t shown; // over kPage: channel x 255 / 256 where one side is all there is
    } cases[] = {
        {"opaque", RGB(0x40, 0x80, 0xC0), 0, 0xFF4080C0, 0x3F7FBF},
        {"opaque black", RGB(0, 0, 0), 0, 0xFF000000, 0x000000},
        {"transparent", RGB(0x40, 0x80, 0xC0), 255, 0x00000000, 0xD3CFC7},
        {"pure white", RGB(0xFF, 0xFF, 0xFF), 0, 0x00000000, 0xD3CFC7},
        // a = 127: the colour scaled by a / 255 first, then weighed once more by a.
        {"half", RGB(0x40, 0x80, 0xC0), 128, 0x7F1F3F5F, 0x798793},
    };
    for (const Case& c : cases) {
        const uint32_t prepared = AlphaPicture::Premultiply(c.colour, RGB(c.maskRed, c.maskRed, c.maskRed));
        EXPECT_EQ(prepared, c.prepared) << c.what;
        EXPECT_EQ(AlphaPicture::Blend(prepared, kPage), c.shown) << c.what;
    }
}

TEST(AlphaPicture, ReadsTheBitmapsInOneCallAsPixelByPixel) {
    using Clock = std::chrono::steady_clock;
    HINSTANCE module = GetModuleHandleW(nullptr);
    AlphaPicture picture;
    ASSERT_TRUE(picture.Load(module, IDB_ABOUT_PICTURE, IDB_ABOUT_MASK)); // GDI warmed up
    const auto started = Clock::now();
    ASSERT_TRUE(picture.Load(module, IDB_ABOUT_PICTURE, IDB_ABOUT_MASK));
    const auto loaded = Clock::now();
    const SIZE size = picture.Size();
    ASSERT_EQ(size.cx, 259);
    ASSERT_EQ(size.cy, 44);

    // The same picture the slow way: every pixel through GetPixel, bottom row first.
    HBITMAP colour = LoadBitmapW(module, MAKEINTRESOURCEW(IDB_ABOUT_PICTURE));
    HBITMAP mask = LoadBitmapW(module, MAKEINTRESOURCEW(IDB_ABOUT_MASK));
    HDC colourDc = CreateCompatibleDC(nullptr), maskDc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldColour = SelectObject(colourDc, colour), oldMask = SelectObject(maskDc, mask);
    int mismatches = 0, partlyTransparent = 0;
    const auto slowStarted = Clock::now();
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x) {
            const uint32_t expected = AlphaPicture::Premultiply(GetPixel(colourDc, x, size.cy - 1 - y),
                                                                GetPixel(maskDc, x, size.cy - 1 - y));
            const uint32_t alpha = expected >> 24;
            partlyTransparent += alpha > 0 && alpha < 255;
            mismatches += picture.Pixels()[y * size.cx + x] != expected;
        }
    const auto compared = Clock::now();
    SelectObject(colourDc, oldColour);
    SelectObject(maskDc, oldMask);
    DeleteDC(colourDc);
    DeleteDC(maskDc);
    DeleteObject(colour);
    DeleteObject(mask);

    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(partlyTransparent, 500) << "the picture has a soft edge";
    auto ms = [](auto d) { return std::chrono::duration<double, std::milli>(d).count(); };
    std::printf("[ figures  ] picture prepared in %.2f ms (two loads, one read per bitmap); "
                "the same pixels by GetPixel %.2f ms\n",
                ms(loaded - started), ms(compared - slowStarted));
}
