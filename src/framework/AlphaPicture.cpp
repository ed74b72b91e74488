#include "framework/AlphaPicture.h"

#include <vector>

#include "core/TraceScope.h"

namespace {

uint32_t Red(uint32_t argb) {
    return (argb >> 16) & 0xFF;
}
uint32_t Green(uint32_t argb) {
    return (argb >> 8) & 0xFF;
}
uint32_t Blue(uint32_t argb) {
    return argb & 0xFF;
}

struct ScreenDc {
    HDC dc = GetDC(nullptr);
    ~ScreenDc() { ReleaseDC(nullptr, dc); }
};

struct BitmapHandle {
    HBITMAP bitmap;
    ~BitmapHandle() {
        if (bitmap)
            DeleteObject(bitmap);
    }
};

// Every pixel of a bitmap as 0x00RRGGBB, rows from bottom to top, in one call: reading
// them one GetPixel at a time costs several milliseconds under Wine, and the picture is
// prepared while the program starts.
bool ReadPixels(HDC dc, HBITMAP bitmap, LONG width, LONG height, std::vector<uint32_t>& pixels) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    return GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS) ==
           height;
}

COLORREF ToColorRef(uint32_t rgb) {
    return RGB(Red(rgb), Green(rgb), Blue(rgb));
}

} // namespace

AlphaPicture::~AlphaPicture() {
    Free();
}

uint32_t AlphaPicture::Premultiply(COLORREF colour, COLORREF mask) {
    if ((colour & 0xFFFFFF) == 0xFFFFFF)
        return 0;
    const uint32_t a = 255 - GetRValue(mask);
    const uint32_t r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    if (a == 255)
        return 0xFF000000u | r << 16 | g << 8 | b;
    return a << 24 | (r * a / 255) << 16 | (g * a / 255) << 8 | (b * a / 255);
}

uint32_t AlphaPicture::Blend(uint32_t source, uint32_t background) {
    const uint32_t a = source >> 24;
    return ((Red(source) * a + Red(background) * (255 - a)) >> 8) << 16 |
           ((Green(source) * a + Green(background) * (255 - a)) >> 8) << 8 |
           ((Blue(source) * a + Blue(background) * (255 - a)) >> 8);
}

bool AlphaPicture::Load(HINSTANCE module, UINT colourId, UINT maskId) {
    TraceScope scope("AlphaPicture::Load");
    Free();
    BitmapHandle colour{::LoadBitmapW(module, MAKEINTRESOURCEW(colourId))};
    BitmapHandle mask{::LoadBitmapW(module, MAKEINTRESOURCEW(maskId))};
    if (!colour.bitmap || !mask.bitmap)
        return false;
    BITMAP size{};
    GetObjectW(colour.bitmap, sizeof(size), &size);
    ScreenDc screen;
    std::vector<uint32_t> colours, masks;
    if (!ReadPixels(screen.dc, colour.bitmap, size.bmWidth, size.bmHeight, colours) ||
        !ReadPixels(screen.dc, mask.bitmap, size.bmWidth, size.bmHeight, masks))
        return false;
    auto pixels = std::make_unique<uint32_t[]>(colours.size());
    for (size_t i = 0; i < colours.size(); ++i)
        pixels[i] = Premultiply(ToColorRef(colours[i]), ToColorRef(masks[i]));
    m_bitmap = CreateBitmap(size.bmWidth, size.bmHeight, 1, 32, pixels.get());
    if (m_bitmap)
        m_pixels = std::move(pixels);
    return m_bitmap != nullptr;
}

void AlphaPicture::Free() {
    TraceScope scope("AlphaPicture::Free", true);
    if (m_bitmap)
        DeleteObject(m_bitmap);
    m_bitmap = nullptr;
    m_pixels.reset();
}

SIZE AlphaPicture::Size() const {
    BITMAP info{};
    if (m_bitmap)
        GetObjectW(m_bitmap, sizeof(info), &info);
    return {info.bmWidth, info.bmHeight};
}

void AlphaPicture::Paint(HDC dc, int x, int y) const {
    TraceScope scope("AlphaPicture::Paint", true);
    if (!m_bitmap)
        return;
    BITMAP picture{};
    GetObjectW(m_bitmap, sizeof(picture), &picture);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = picture.bmWidth;
    info.bmiHeader.biHeight = picture.bmHeight;
    info.bmiHeader.biPlanes = picture.bmPlanes;
    info.bmiHeader.biBitCount = picture.bmBitsPixel;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section)
        return;
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, section);
    // What the window has drawn there is the background the picture is blended over.
    BitBlt(memory, 0, 0, picture.bmWidth, picture.bmHeight, dc, x, y, SRCCOPY);
    GdiFlush();
    auto* pixels = static_cast<uint32_t*>(bits);
    const size_t count =
        static_cast<size_t>(picture.bmWidthBytes) * static_cast<size_t>(picture.bmHeight) / 4;
    for (size_t i = 0; i < count; ++i)
        pixels[i] = Blend(m_pixels[i], pixels[i]);
    BitBlt(dc, x, y, picture.bmWidth, picture.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(section);
}
