// The About page's picture: the pixel rules, a prepared pixel and then blended over the
// page. The preparation from the bitmaps is checked on the screen by the About page's ui test.
#include <gtest/gtest.h>

#include "framework/AlphaPicture.h"

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
