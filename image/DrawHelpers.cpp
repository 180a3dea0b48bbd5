#include "image/DrawHelpers.h"

#include "image/ObjImage.h"

MemoryDCScope::MemoryDCScope(HGDIOBJ object)
    : m_dc(::CreateCompatibleDC(nullptr)), m_previous(::SelectObject(m_dc, object)) {
    ::SetBkMode(m_dc, TRANSPARENT);
    ::SetStretchBltMode(m_dc, COLORONCOLOR);
}

MemoryDCScope::~MemoryDCScope() {
    ::SelectObject(m_dc, m_previous);
    ::DeleteDC(m_dc);
}

#ifndef VEKO_COMPACT
namespace {

RECT SourceRect(int width, int height, const RECT* source) {
    return source ? *source : RECT{0, 0, width, height};
}

}  // namespace

int StretchBitmap(HDC target, int left, int top, int right, int bottom, HBITMAP bitmap,
                  const RECT* source) {
    // GetObjectW alone would also describe a brush or a pen.
    BITMAP info = {};
    if (::GetObjectType(bitmap) != OBJ_BITMAP || ::GetObjectW(bitmap, sizeof(info), &info) == 0)
        return 0;
    const RECT src = SourceRect(info.bmWidth, info.bmHeight, source);
    const int oldMode = ::SetStretchBltMode(target, COLORONCOLOR);
    {
        MemoryDCScope scope(bitmap);
        ::StretchBlt(target, left, top, right - left, bottom - top, scope.Get(), src.left, src.top,
                     src.right - src.left, src.bottom - src.top, SRCCOPY);
    }
    return ::SetStretchBltMode(target, oldMode);
}

void FCObjImage::PaintStretched(HDC target, int left, int top, int right, int bottom,
                                const RECT* source) const {
    if (!HasPixels()) return;
    if (m_bitsPerPixel <= 24) {
        StretchBitmap(target, left, top, right, bottom, m_bitmap, source);
        return;
    }
    const RECT src = SourceRect(m_width, m_height, source);
    MemoryDCScope scope(m_bitmap);
    ::AlphaBlend(target, left, top, right - left, bottom - top, scope.Get(), src.left, src.top,
                 src.right - src.left, src.bottom - src.top, kPerPixelAlphaBlend);
}

void FCObjImage::Paint(HDC target, int x, int y) const {
    PaintStretched(target, x, y, x + m_width, y + m_height, nullptr);
}
#endif
