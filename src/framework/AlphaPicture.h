#pragma once
// AlphaPicture: a picture with per-pixel transparency, made from two bitmap resources (the
// colours, and a mask whose red value is the transparency: 0 opaque, 255 transparent; a
// pure white colour is transparent too), painted blended over what a window has already
// drawn beneath it.
#include <windows.h>

#include <cstdint>
#include <memory>

class AlphaPicture {
public:
    AlphaPicture() = default;
    ~AlphaPicture();
    AlphaPicture(const AlphaPicture&) = delete;
    AlphaPicture& operator=(const AlphaPicture&) = delete;

    // Prepares the picture from the module's two bitmaps; false (and no picture) when
    // either is missing.
    bool Load(HINSTANCE module, UINT colourId, UINT maskId);
    void Free();
    bool IsLoaded() const { return m_bitmap != nullptr; }
    SIZE Size() const;
    // The premultiplied ARGB pixels, rows from bottom to top; null without a picture.
    const uint32_t* Pixels() const { return m_pixels.get(); }

    // Blends the picture over dc's pixels with its top left corner at (x, y).
    void Paint(HDC dc, int x, int y) const;

    // One pixel of the prepared picture from its colour and mask colour.
    static uint32_t Premultiply(COLORREF colour, COLORREF mask);
    // One prepared pixel over a background pixel (0x00RRGGBB); the top byte comes out 0.
    static uint32_t Blend(uint32_t source, uint32_t background);

private:
    HBITMAP m_bitmap = nullptr; // 32 bits per pixel, made from the pixels
    std::unique_ptr<uint32_t[]> m_pixels;
};
