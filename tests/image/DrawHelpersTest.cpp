// Drawing images into a 32-bit DIB and reading the pixels back.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "image/DrawHelpers.h"
#include "image/ObjImage.h"

namespace {

#ifndef VEKO_COMPACT

// A 40 x 30 canvas filled with one opaque colour, and a DC to draw into it.
class Canvas {
  public:
    explicit Canvas(uint32_t fill) {
        m_image.Allocate(40, 30, 32);
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 40; ++x) std::memcpy(m_image.GetPixel(x, y), &fill, 4);
        }
        m_scope = std::make_unique<MemoryDCScope>(m_image.GetBitmapHandle());
    }
    HDC Dc() const { return m_scope->Get(); }
    uint32_t At(int x, int y) const {
        ::GdiFlush();
        uint32_t value;
        std::memcpy(&value, m_image.GetPixel(x, y), 4);
        return value & 0x00FFFFFF;  // GDI's own blits leave the fourth byte alone or clear it
    }

  private:
    FCObjImage m_image;
    std::unique_ptr<MemoryDCScope> m_scope;
};

FCObjImage Filled(int width, int height, int bits, uint32_t pixel) {
    FCObjImage image;
    image.Allocate(width, height, bits);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) std::memcpy(image.GetPixel(x, y), &pixel, bits / 8);
    }
    return image;
}

constexpr uint32_t kBackground = MakePixel(0, 0, 200, 255);  // blue

TEST(DrawHelpers, PaintCoversExactlyItsRectangle) {
    Canvas canvas(kBackground);
    const FCObjImage red = Filled(20, 10, 32, MakePixel(255, 0, 0, 255));
    red.Paint(canvas.Dc(), 5, 7);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 5 && x < 25 && y >= 7 && y < 17;
            ASSERT_EQ(canvas.At(x, y), (inside ? MakePixel(255, 0, 0, 0) : kBackground & 0xFFFFFF))
                << x << "," << y;
        }
    }
}

TEST(DrawHelpers, PaintStretchedDrawsOnlyTheSourcePart) {
    for (int bits : {24, 32}) {
        FCObjImage thirds = Filled(60, 10, bits, MakePixel(255, 0, 0, 255));
        for (int y = 0; y < 10; ++y) {
            for (int x = 20; x < 40; ++x) std::memset(thirds.GetPixel(x, y), 0xFF, bits / 8);
        }
        Canvas canvas(kBackground);
        const RECT middle = {20, 0, 40, 10};
        thirds.PaintStretched(canvas.Dc(), 0, 0, 10, 5, &middle);  // also shrunk to half
        EXPECT_EQ(canvas.At(0, 0), 0xFFFFFFu) << bits;
        EXPECT_EQ(canvas.At(9, 4), 0xFFFFFFu) << bits;
        EXPECT_EQ(canvas.At(10, 0), kBackground & 0xFFFFFF) << bits;
        EXPECT_EQ(canvas.At(0, 5), kBackground & 0xFFFFFF) << bits;
    }
}

// 24 bits replace what is below; 32 bits blend premultiplied pixels by their own alpha.
TEST(DrawHelpers, OnlyThirtyTwoBitImagesBlend) {
    Canvas opaque(kBackground);
    Filled(4, 4, 24, MakePixel(0, 0, 0, 0)).Paint(opaque.Dc(), 0, 0);
    EXPECT_EQ(opaque.At(1, 1), 0u) << "a 24-bit black image covers the background";

    Canvas blended(kBackground);
    const uint32_t halfRed = MakePixel(128, 0, 0, 128);  // premultiplied
    Filled(4, 4, 32, halfRed).Paint(blended.Dc(), 0, 0);
    const uint32_t got = blended.At(1, 1);
    EXPECT_NEAR(int(got >> 16 & 0xFF), 128, 2);
    EXPECT_NEAR(int(got & 0xFF), 200 * 127 / 255, 2);
    Canvas clear(kBackground);
    Filled(4, 4, 32, MakePixel(0, 0, 0, 0)).Paint(clear.Dc(), 0, 0);
    EXPECT_EQ(clear.At(1, 1), kBackground & 0xFFFFFF) << "alpha 0 leaves the background";

    Canvas untouched(kBackground);
    FCObjImage().Paint(untouched.Dc(), 0, 0);
    EXPECT_EQ(untouched.At(0, 0), kBackground & 0xFFFFFF);
}

TEST(DrawHelpers, StretchBitmapKeepsTheTargetsModeAndRefusesNonBitmaps) {
    Canvas canvas(kBackground);
    ::SetStretchBltMode(canvas.Dc(), HALFTONE);
    const FCObjImage green = Filled(2, 2, 24, MakePixel(0, 255, 0, 0));
    EXPECT_NE(StretchBitmap(canvas.Dc(), 0, 0, 8, 8, green.GetBitmapHandle(), nullptr), 0);
    EXPECT_EQ(::GetStretchBltMode(canvas.Dc()), HALFTONE);
    EXPECT_EQ(canvas.At(7, 7), 0x00FF00u);
    EXPECT_EQ(canvas.At(8, 8), kBackground & 0xFFFFFF);

    Canvas other(kBackground);
    EXPECT_EQ(StretchBitmap(other.Dc(), 0, 0, 8, 8, nullptr, nullptr), 0);
    HBRUSH brush = ::CreateSolidBrush(0);
    EXPECT_EQ(StretchBitmap(other.Dc(), 0, 0, 8, 8, reinterpret_cast<HBITMAP>(brush), nullptr), 0);
    ::DeleteObject(brush);
    EXPECT_EQ(other.At(0, 0), kBackground & 0xFFFFFF);
}

#endif

TEST(DrawHelpers, MemoryDcScopeSelectsAndRestores) {
    FCObjImage image;
    ASSERT_TRUE(image.Allocate(2, 2, 32));
    HDC dc = nullptr;
    {
        MemoryDCScope scope(image.GetBitmapHandle());
        dc = scope.Get();
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_BITMAP), image.GetBitmapHandle());
        EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);
        EXPECT_EQ(::GetStretchBltMode(dc), COLORONCOLOR);
    }
    EXPECT_EQ(::GetObjectType(dc), 0u) << "the DC is gone";
    // The bitmap is free again: another scope can select it.
    MemoryDCScope again(image.GetBitmapHandle());
    EXPECT_EQ(::GetCurrentObject(again.Get(), OBJ_BITMAP), image.GetBitmapHandle());
}

}  // namespace
