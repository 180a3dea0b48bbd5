// The image object and its effects, read back byte by byte.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/DrawHelpers.h"
#include "image/ObjImage.h"
#include "image/PixelEffects.h"

namespace {

// An image whose every pixel byte is distinct enough to see where it went.
FCObjImage Numbered(int width, int height, int bits) {
    FCObjImage image;
    EXPECT_TRUE(image.Allocate(width, height, bits));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int b = 0; b < bits / 8; ++b)
                image.GetPixel(x, y)[b] = uint8_t(y * 40 + x * 4 + b + 1);
        }
    }
    return image;
}

std::vector<uint8_t> Row(const FCObjImage& image, int y) {
    return std::vector<uint8_t>(image.GetRow(y),
                                image.GetRow(y) + image.GetWidth() * image.GetBitsPerPixel() / 8);
}

TEST(ObjImage, AllocateLaysOutRowsBottomUp) {
    const struct {
        int width, height, bits, stride;
    } cases[] = {{3, 2, 24, 12}, {1, 3, 8, 4}, {5, 4, 32, 20}, {7, 1, 24, 24}, {2, 2, 8, 4}};
    for (const auto& c : cases) {
        FCObjImage image;
        ASSERT_TRUE(image.Allocate(c.width, c.height, c.bits));
        EXPECT_EQ(image.GetRowStride(), c.stride);
        EXPECT_EQ(image.GetRow(0), image.GetPixelBase() + (c.height - 1) * c.stride);
        EXPECT_EQ(image.GetRow(c.height - 1), image.GetPixelBase());
        EXPECT_EQ(image.GetPixel(1 % c.width, 0) - image.GetRow(0), (1 % c.width) * c.bits / 8);
        const std::vector<uint8_t> zero(size_t(c.stride) * c.height, 0);
        EXPECT_EQ(std::memcmp(image.GetPixelBase(), zero.data(), zero.size()), 0);
        DIBSECTION dib = {};
        ASSERT_TRUE(::GetObjectW(image.GetBitmapHandle(), sizeof(dib), &dib));
        EXPECT_EQ(dib.dsBm.bmBits, image.GetPixelBase());
        EXPECT_GT(dib.dsBmih.biHeight, 0) << "bottom-up";
    }
}

TEST(ObjImage, BadSizesOrDepthsLeaveTheImageEmpty) {
    const struct {
        int width, height, bits;
    } cases[] = {{0, 10, 32}, {10, -1, 32}, {10, 10, 16}, {10, 10, 1}, {-5, 5, 8}};
    for (const auto& c : cases) {
        FCObjImage image = Numbered(4, 4, 32);
        image.userX = 3;
        EXPECT_FALSE(image.Allocate(c.width, c.height, c.bits));
        EXPECT_FALSE(image.HasPixels());
        EXPECT_EQ(image.GetWidth() + image.GetHeight() + image.GetBitsPerPixel(), 0);
        EXPECT_EQ(image.GetBitmapHandle(), nullptr);
        EXPECT_EQ(image.userX, 3) << "release keeps the user values";
    }
}

TEST(ObjImage, EightBitImagesStartWithTheGreyPalette) {
    FCObjImage image;
    ASSERT_TRUE(image.Allocate(3, 3, 8));
    RGBQUAD palette[256];
    ASSERT_TRUE(image.ReadPalette(palette));
    RGBQUAD inDib[256] = {};
    {
        MemoryDCScope scope(image.GetBitmapHandle());
        ASSERT_EQ(::GetDIBColorTable(scope.Get(), 0, 256, inDib), 256u);
    }
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(palette[i].rgbBlue, i);
        EXPECT_EQ(palette[i].rgbRed, i);
        EXPECT_EQ(palette[i].rgbReserved, 255);
        EXPECT_EQ(inDib[i].rgbGreen, i);
    }
    FCObjImage rgb = Numbered(2, 2, 24);
    EXPECT_FALSE(rgb.ReadPalette(palette));
    EXPECT_FALSE(rgb.WritePalette(palette));
    EXPECT_FALSE(image.ReadPalette(nullptr));
    EXPECT_FALSE(image.WritePalette(nullptr));
}

TEST(ObjImage, CopiesAreDeepAndCarryTheUserValues) {
    FCObjImage source = Numbered(3, 2, 8);
    RGBQUAD palette[256] = {};
    palette[7] = RGBQUAD{1, 2, 3, 4};
    ASSERT_TRUE(source.WritePalette(palette));
    source.userX = 11;
    source.userY = -4;

    FCObjImage copy(source);
    ASSERT_TRUE(copy.HasPixels());
    EXPECT_NE(copy.GetPixelBase(), source.GetPixelBase());
    EXPECT_EQ(std::memcmp(copy.GetPixelBase(), source.GetPixelBase(), 2 * 4), 0);
    RGBQUAD copied[256];
    ASSERT_TRUE(copy.ReadPalette(copied));
    EXPECT_EQ(std::memcmp(copied, palette, sizeof(palette)), 0);
    EXPECT_EQ(copy.userX, 11);
    EXPECT_EQ(copy.userY, -4);
    copy.GetPixel(0, 0)[0] = 99;
    EXPECT_NE(source.GetPixel(0, 0)[0], 99);

    // An empty source and the image itself change nothing.
    FCObjImage empty;
    copy.CopyFrom(empty);
    EXPECT_EQ(copy.GetPixel(0, 0)[0], 99);
    uint8_t* const before = copy.GetPixelBase();
    copy.CopyFrom(copy);
    EXPECT_EQ(copy.GetPixelBase(), before);
    copy = source;
    EXPECT_EQ(copy.GetPixel(0, 0)[0], source.GetPixel(0, 0)[0]);
}

TEST(ObjImage, SwapTradesEverythingAndCopiesNothing) {
    FCObjImage grey = Numbered(2, 3, 8);
    grey.userX = 7;
    FCObjImage wide = Numbered(5, 1, 32);
    RGBQUAD palette[256] = {};
    ASSERT_TRUE(grey.ReadPalette(palette));
    const HBITMAP greyBitmap = grey.GetBitmapHandle();
    uint8_t* const widePixels = wide.GetPixelBase();
    grey.Swap(wide);
    EXPECT_EQ(grey.GetPixelBase(), widePixels);
    EXPECT_EQ(wide.GetBitmapHandle(), greyBitmap);
    EXPECT_EQ(grey.GetWidth() * 10 + grey.GetHeight(), 51);
    EXPECT_EQ(wide.GetWidth() * 10 + wide.GetHeight(), 23);
    EXPECT_EQ(wide.GetBitsPerPixel(), 8);
    EXPECT_EQ(wide.userX, 7);
    EXPECT_EQ(grey.userX, 0);
    EXPECT_EQ(wide.GetRow(2), wide.GetPixelBase()) << "the rows went with the pixels";
    RGBQUAD swapped[256] = {};
    EXPECT_TRUE(wide.ReadPalette(swapped));
    EXPECT_EQ(std::memcmp(swapped, palette, sizeof(palette)), 0);
    EXPECT_FALSE(grey.ReadPalette(swapped)) << "a 32-bit image has no palette";
    FCObjImage empty;
    empty.Swap(grey);
    EXPECT_FALSE(grey.HasPixels());
    EXPECT_EQ(empty.GetPixelBase(), widePixels);
}

TEST(ObjImage, PromoteToConvertsThroughThePaletteAndSetsAlpha) {
    FCObjImage grey = Numbered(2, 2, 8);
    RGBQUAD palette[256] = {};
    for (int i = 0; i < 256; ++i) palette[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i / 2), 0};
    grey.WritePalette(palette);
    const uint8_t index = grey.GetPixel(1, 1)[0];
    grey.PromoteTo32();
    ASSERT_EQ(grey.GetBitsPerPixel(), 32);
    const uint8_t expected[4] = {index, uint8_t(255 - index), uint8_t(index / 2), 255};
    EXPECT_EQ(std::memcmp(grey.GetPixel(1, 1), expected, 4), 0);

    FCObjImage rgb = Numbered(3, 2, 24);
    const FCObjImage rgbBefore(rgb);
    rgb.PromoteTo(32);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(std::memcmp(rgb.GetPixel(x, y), rgbBefore.GetPixel(x, y), 3), 0);
            EXPECT_EQ(rgb.GetPixel(x, y)[3], 255);
        }
    }

    FCObjImage rgba = Numbered(3, 2, 32);
    const FCObjImage rgbaBefore(rgba);
    rgba.PromoteTo32();
    EXPECT_EQ(Row(rgba, 1), Row(rgbaBefore, 1)) << "32 to 32 keeps alpha";
    rgba.PromoteTo(16);
    EXPECT_EQ(rgba.GetBitsPerPixel(), 32) << "other depths are refused";
    rgba.PromoteTo(24);
    ASSERT_EQ(rgba.GetBitsPerPixel(), 24);
    EXPECT_EQ(std::memcmp(rgba.GetPixel(2, 1), rgbaBefore.GetPixel(2, 1), 3), 0);
}

TEST(ObjImage, LoadFromBitmapKeepsDibBytesAndConvertsTheRest) {
    FCObjImage dib = Numbered(3, 4, 32);
    FCObjImage loaded;
    ASSERT_TRUE(loaded.LoadFromBitmap(dib.GetBitmapHandle()));
    EXPECT_EQ(loaded.GetBitsPerPixel(), 32);
    EXPECT_EQ(std::memcmp(loaded.GetPixelBase(), dib.GetPixelBase(), 12 * 4), 0)
        << "same memory order, alpha included";

    // A device-dependent bitmap arrives upright at 24 bits: red above, blue below.
    HDC screen = ::GetDC(nullptr);
    HBITMAP ddb = ::CreateCompatibleBitmap(screen, 4, 4);
    ::ReleaseDC(nullptr, screen);
    {
        MemoryDCScope scope(ddb);
        RECT top = {0, 0, 4, 2}, bottom = {0, 2, 4, 4};
        HBRUSH red = ::CreateSolidBrush(RGB(255, 0, 0));
        HBRUSH blue = ::CreateSolidBrush(RGB(0, 0, 255));
        ::FillRect(scope.Get(), &top, red);
        ::FillRect(scope.Get(), &bottom, blue);
        ::DeleteObject(red);
        ::DeleteObject(blue);
    }
    ASSERT_TRUE(loaded.LoadFromBitmap(ddb));
    ::DeleteObject(ddb);
    EXPECT_EQ(loaded.GetBitsPerPixel(), 24);
    EXPECT_EQ(Row(loaded, 0), std::vector<uint8_t>({0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255}));
    EXPECT_EQ(Row(loaded, 3), std::vector<uint8_t>({255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0}));

    // A 24-bit DIB section goes the same way, and comes out upright too.
    FCObjImage rgb = Numbered(2, 3, 24);
    ASSERT_TRUE(loaded.LoadFromBitmap(rgb.GetBitmapHandle()));
    EXPECT_EQ(Row(loaded, 0), Row(rgb, 0));

    EXPECT_FALSE(loaded.LoadFromBitmap(nullptr));
    EXPECT_FALSE(loaded.HasPixels());
}

// An effect that records what the driver asks of it.
class RecordingEffect : public FCImageEffect {
  public:
    bool Accepts(const FCObjImage& image) const override {
        ++accepts;
        return image.HasPixels();
    }
    void OnStart(FCObjImage&) override { ++starts; }
    void TransformPixel(FCObjImage& image, int x, int y, uint8_t* pixel) override {
        EXPECT_EQ(pixel, image.GetPixel(x, y));
        visited.push_back(y);
    }
    mutable int accepts = 0;
    int starts = 0;
    std::vector<int> visited;
};

class RecordingProgress : public EffectProgress {
  public:
    explicit RecordingProgress(int falseFrom) : m_falseFrom(falseFrom) {}
    std::vector<int> reports;

  protected:
    bool OnPercent(int percent) override {
        reports.push_back(percent);
        return int(reports.size()) <= m_falseFrom;
    }

  private:
    int m_falseFrom;
};

TEST(PixelEffects, DriverWalksRowsAndReportsProgress) {
    FCObjImage empty;
    RecordingEffect onEmpty;
    empty.RunEffect(onEmpty, nullptr);
    EXPECT_EQ(onEmpty.accepts, 1);
    EXPECT_EQ(onEmpty.starts, 0);
    EXPECT_TRUE(onEmpty.visited.empty());

    FCObjImage image = Numbered(2, 3, 24);
    RecordingEffect all;
    RecordingProgress always(1000);
    image.RunEffect(all, &always);
    EXPECT_EQ(all.starts, 1);
    EXPECT_EQ(all.visited, std::vector<int>({0, 0, 1, 1, 2, 2}));
    EXPECT_EQ(always.reports, std::vector<int>({0, 33, 66, 100}));

    RecordingEffect first;
    RecordingProgress refuses(0);  // false from the very first report
    image.RunEffect(first, &refuses);
    EXPECT_EQ(first.visited, std::vector<int>({0, 0})) << "the first row is still done";
    EXPECT_EQ(refuses.reports, std::vector<int>({0, 33})) << "asked once more after the row";
    EXPECT_TRUE(refuses.IsStopped());
}

TEST(PixelEffects, PremultiplyTruncatesAndTakesOnly32Bits) {
    FCObjImage image;
    ASSERT_TRUE(image.Allocate(3, 1, 32));
    const uint8_t pixels[3][4] = {{200, 100, 50, 128}, {9, 99, 250, 255}, {200, 100, 50, 0}};
    for (int x = 0; x < 3; ++x) std::memcpy(image.GetPixel(x, 0), pixels[x], 4);
    FCPixelPremultipleAlpha premultiply;
    image.RunEffect(premultiply, nullptr);
    EXPECT_EQ(Row(image, 0), std::vector<uint8_t>({100, 50, 25, 128, 9, 99, 250, 255, 0, 0, 0, 0}));

    FCObjImage rgb = Numbered(2, 2, 24);
    const FCObjImage before(rgb);
    EXPECT_TRUE(FCPixelProcessor().Accepts(rgb));
    EXPECT_FALSE(premultiply.Accepts(rgb));
    rgb.RunEffect(premultiply, nullptr);
    EXPECT_EQ(Row(rgb, 0), Row(before, 0));
    EXPECT_FALSE(FCPixelProcessor().Accepts(Numbered(2, 2, 8)));
}

// The layered windows' one-pass premultiplication must give every pixel what the effect gives it.
TEST(PixelEffects, OnePassPremultiplyEqualsTheEffect) {
    FCObjImage image;
    ASSERT_TRUE(image.Allocate(256, 3, 32));
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 256; ++x) {
            const uint8_t pixel[4] = {uint8_t(255 - y * 100), uint8_t(x * 7), uint8_t(x),
                                      uint8_t(x)};
            std::memcpy(image.GetPixel(x, y), pixel, 4);
        }
    }
    FCObjImage byEffect(image);
    FCPixelPremultipleAlpha premultiply;
    byEffect.RunEffect(premultiply, nullptr);
    PremultiplyAlpha(image);
    for (int y = 0; y < 3; ++y) EXPECT_EQ(Row(image, y), Row(byEffect, y)) << "row " << y;

    FCObjImage rgb = Numbered(2, 2, 24);
    const FCObjImage before(rgb);
    PremultiplyAlpha(rgb);
    EXPECT_EQ(Row(rgb, 1), Row(before, 1));
}

TEST(PixelEffects, FlipMirrorsRowsAtEveryDepthAndHeight) {
    for (int bits : {8, 24, 32}) {
        for (int height : {1, 2, 3, 4, 5}) {
            FCObjImage image = Numbered(3, height, bits);
            const FCObjImage before(image);
            FCPixelFlip flip;
            image.RunEffect(flip, nullptr);
            for (int y = 0; y < height; ++y) {
                EXPECT_EQ(Row(image, y), Row(before, height - 1 - y))
                    << bits << " bits, height " << height;
            }
        }
    }
}

}  // namespace
