// Effects that change an image in place, driven by FCObjImage::RunEffect.
#pragma once

#include <cstdint>
#include <memory>

#include "image/ObjImage.h"

enum class EffectMode { WholeImage = 0, PerPixel = 1 };

class FCImageEffect {
  public:
    virtual ~FCImageEffect() = default;
    virtual bool Accepts(const FCObjImage& image) const = 0;
    virtual EffectMode GetMode() const { return EffectMode::PerPixel; }
    virtual void OnStart(FCObjImage& image) { (void)image; }
    // `pixel` is the address of (x, y) as GetPixel gives it.
    virtual void TransformPixel(FCObjImage& image, int x, int y, uint8_t* pixel) {
        (void)image, (void)x, (void)y, (void)pixel;
    }
    virtual void TransformImage(FCObjImage& image, EffectProgress* progress) {
        (void)image, (void)progress;
    }
};

// An optional helper object a processor may own.
class FCPixelAuxiliary {
  public:
    virtual ~FCPixelAuxiliary() = default;
};

class FCPixelProcessor : public FCImageEffect {
  public:
    // Images of 24 and 32 bits.
    bool Accepts(const FCObjImage& image) const override;

  protected:
    std::unique_ptr<FCPixelAuxiliary> m_auxiliary;
};

// One 32-bit pixel's colour multiplied by its alpha (truncating), as layered windows want it.
inline void PremultiplyPixel(uint8_t* pixel) {
    const unsigned alpha = pixel[3];
    pixel[2] = uint8_t(pixel[2] * alpha / 255);
    pixel[1] = uint8_t(pixel[1] * alpha / 255);
    pixel[0] = uint8_t(pixel[0] * alpha / 255);
}

// The same over a whole 32-bit image in one pass, for frames composed many times a second.
void PremultiplyAlpha(FCObjImage& image);

// Colour times alpha, for AlphaBlend and UpdateLayeredWindow; 32-bit images only.
class FCPixelPremultipleAlpha : public FCPixelProcessor {
  public:
    bool Accepts(const FCObjImage& image) const override;
    void TransformPixel(FCObjImage& image, int x, int y, uint8_t* pixel) override;
};

// Mirrors the picture top to bottom; any depth.
class FCPixelFlip : public FCPixelProcessor {
  public:
    bool Accepts(const FCObjImage& image) const override;
    void TransformPixel(FCObjImage& image, int x, int y, uint8_t* pixel) override;
};

// Watches a running effect; once an answer is false the walk stops for good.
class EffectProgress {
  public:
    virtual ~EffectProgress() = default;
    // True while the effect may go on.
    bool Report(int percent);
    bool IsStopped() const { return m_stopped; }

  protected:
    virtual bool OnPercent(int percent) {
        (void)percent;
        return true;
    }

  private:
    bool m_stopped = false;
};
