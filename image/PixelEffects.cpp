#include "image/PixelEffects.h"

bool FCPixelProcessor::Accepts(const FCObjImage& image) const {
    return image.HasPixels() && image.GetBitsPerPixel() >= 24;
}

bool FCPixelPremultipleAlpha::Accepts(const FCObjImage& image) const {
    return image.HasPixels() && image.GetBitsPerPixel() == 32;
}

void FCPixelPremultipleAlpha::TransformPixel(FCObjImage&, int, int, uint8_t* pixel) {
    const unsigned alpha = pixel[3];
    pixel[2] = uint8_t(pixel[2] * alpha / 255);
    pixel[1] = uint8_t(pixel[1] * alpha / 255);
    pixel[0] = uint8_t(pixel[0] * alpha / 255);
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
