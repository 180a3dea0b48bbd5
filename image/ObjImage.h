// The one raster image type: 8, 24 or 32 bits per pixel in a bottom-up DIB section, addressed
// through a row table whose row 0 is the picture's top row. 32-bit pixels are blue, green, red,
// alpha; images drawn with alpha carry premultiplied colour.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

class FCImageEffect;
class EffectProgress;

class FCObjGraph {
  public:
    virtual ~FCObjGraph() = default;

    int userX = 0;
    int userY = 0;
};

// One 32-bit pixel value; each argument is taken modulo 256.
constexpr uint32_t MakePixel(int red, int green, int blue, int alpha) {
    return uint32_t(alpha & 0xFF) << 24 | uint32_t(red & 0xFF) << 16 | uint32_t(green & 0xFF) << 8 |
           uint32_t(blue & 0xFF);
}

class FCObjImage : public FCObjGraph {
  public:
    FCObjImage() = default;
    FCObjImage(const FCObjImage& source);
    FCObjImage& operator=(const FCObjImage& source) { return CopyFrom(source); }
    ~FCObjImage() override;

    // A new zero-filled image; false (and empty) for bad sizes or depths.
    bool Allocate(int width, int height, int bitsPerPixel);
    void Release();
    bool HasPixels() const { return m_pixelBase != nullptr; }

    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    int GetBitsPerPixel() const { return m_bitsPerPixel; }
    int GetRowStride() const { return (m_width * m_bitsPerPixel + 31) / 32 * 4; }
    uint8_t* GetPixelBase() const { return m_pixelBase; }
    uint8_t* GetRow(int y) const { return m_rows[y]; }
    uint8_t* GetPixel(int x, int y) const;
    HBITMAP GetBitmapHandle() const { return m_bitmap; }

    // 8-bit images only.
    bool ReadPalette(RGBQUAD out[256]) const;
    bool WritePalette(const RGBQUAD table[256]);

    // A deep copy; an empty source or the image itself changes nothing.
    FCObjImage& CopyFrom(const FCObjImage& source);
    // The two images trade places (pixels, bitmap, rows, palette and user position); nothing is
    // copied or allocated.
    void Swap(FCObjImage& other) noexcept;
    // Rebuilds the image from any GDI bitmap: a 32-bit DIB section byte for byte, anything else
    // through GDI as a 24-bit image.
    bool LoadFromBitmap(HBITMAP bitmap);
    // Converts in place to 24 or 32 bits; a 32-bit result is fully opaque.
    void PromoteTo(int bitsPerPixel);
    void PromoteTo32() { PromoteTo(32); }

    void RunEffect(FCImageEffect& effect, EffectProgress* progress);

#ifndef VEKO_COMPACT
    // Draws the image (or its `source` part) into the destination rectangle: AlphaBlend for
    // 32-bit images (premultiplied), a stretching blit for the others.
    void PaintStretched(HDC target, int left, int top, int right, int bottom,
                        const RECT* source) const;
    void Paint(HDC target, int x, int y) const;
#endif

  private:
    int m_width = 0;
    int m_height = 0;
    int m_bitsPerPixel = 0;
    uint8_t* m_pixelBase = nullptr;  // owned by m_bitmap
    std::unique_ptr<uint8_t*[]> m_rows;
    std::unique_ptr<RGBQUAD[]> m_palette;
    HBITMAP m_bitmap = nullptr;
};
