// GDI helpers every painting path goes through.
#pragma once

#include <windows.h>

// A memory device context compatible with the screen, holding one object for one scope.
class MemoryDCScope {
  public:
    explicit MemoryDCScope(HGDIOBJ object);
    ~MemoryDCScope();
    MemoryDCScope(const MemoryDCScope&) = delete;
    MemoryDCScope& operator=(const MemoryDCScope&) = delete;
    HDC Get() const { return m_dc; }

  private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

#ifndef VEKO_COMPACT
// Copies `source` of any bitmap (all of it when null) into the destination rectangle with
// StretchBlt; 0 when `bitmap` is no bitmap.
int StretchBitmap(HDC target, int left, int top, int right, int bottom, HBITMAP bitmap,
                  const RECT* source);
#endif

// The blend function of every alpha blit: source over, constant alpha 255, per-pixel alpha.
constexpr BLENDFUNCTION kPerPixelAlphaBlend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
