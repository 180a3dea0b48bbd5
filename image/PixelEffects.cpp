#include "image/PixelEffects.h"

bool FCPixelProcessor::Accepts(const FCObjImage& image) const {
    return image.HasPixels() && image.GetBitsPerPixel() >= 24;
}

bool FCPixelPremultipleAlpha::Accepts(const FCObjImage& image) const {
    return image.HasPixels() && image.GetBitsPerPixel() == 32;
}

void FCPixelPremultipleAlpha::TransformPixel(FCObjImage&, int, int, uint8_t* pixel) {
    PremultiplyPixel(pixel);
}

void PremultiplyAlpha(FCObjImage& image) {
    if (!FCPixelPremultipleAlpha().Accepts(image)) return;
    for (int y = 0; y < image.GetHeight(); ++y) {
        uint8_t* pixel = image.GetRow(y);
        for (int x = 0; x < image.GetWidth(); ++x, pixel += 4) {
            if (pixel[3] != 255) PremultiplyPixel(pixel);  // opaque pixels stay as they are
        }
    }
}

bool FCPixelFlip::Accepts(const FCObjImage& image) const { return image.HasPixels(); }

void FCPixelFlip::TransformPixel(FCObjImage& image, int x, int y, uint8_t* pixel) {
    const int height = image.GetHeight();
    if (y >= height / 2) return;
    uint8_t* mirror = image.GetPixel(x, height - 1 - y);
    for (int i = 0; i < image.GetBitsPerPixel() / 8; ++i) {
        const uint8_t t = pixel[i];
        pixel[i] = mirror[i];
        mirror[i] = t;
    }
}

bool EffectProgress::Report(int percent) {
    if (!OnPercent(percent)) m_stopped = true;
    return !m_stopped;
}
