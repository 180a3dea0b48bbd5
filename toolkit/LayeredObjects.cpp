#include "toolkit/LayeredObjects.h"

#include "image/DrawHelpers.h"
#include "image/PixelEffects.h"
#include "toolkit/LayeredWindow.h"

namespace {

void CopyPremultiplied(FCObjImage& target, const FCObjImage& source) {
    target.CopyFrom(source);
    if (target.GetBitsPerPixel() == 32) {
        FCPixelPremultipleAlpha premultiply;
        target.RunEffect(premultiply, nullptr);
    }
}

void AlphaBlendPart(HDC hdc, const FCObjImage& image, int sourceX, int width, int height) {
    MemoryDCScope scope(image.GetBitmapHandle());
    ::AlphaBlend(hdc, 0, 0, width, height, scope.Get(), sourceX, 0, width, height,
                 kPerPixelAlphaBlend);
}

}  // namespace

BOOL FCLayeredObject::IsPressedInside() const {
    if (!m_bPressed || !m_pOwner) return FALSE;
    POINT pt;
    ::GetCursorPos(&pt);
    ::ScreenToClient(m_pOwner->GetHwnd(), &pt);
    return ::PtInRect(&m_rcObject, pt);
}

BOOL FCLayeredObject::UpdateHoverFlag(int x, int y) {
    const int inside = ::PtInRect(&m_rcObject, POINT{x, y}) ? 1 : 0;
    if (inside == m_bHover) return FALSE;
    m_bHover = inside;
    return TRUE;
}

FCLayered3ImageButton::FCLayered3ImageButton(const FCObjImage& strip) {
    CopyPremultiplied(m_img, strip);
}

void FCLayered3ImageButton::Draw(HDC hdc, int, int) {
    if (!m_img.HasPixels()) return;
    const int frameWidth = m_img.GetWidth() / 3;
    const int frameHeight = m_img.GetHeight();
    const int sourceX = IsPressedInside() ? 2 * frameWidth : IsHotOrPressed() ? frameWidth : 0;
    if (m_img.GetBitsPerPixel() == 32) {
        AlphaBlendPart(hdc, m_img, sourceX, frameWidth, frameHeight);
    } else {
        const RECT frame = {sourceX, 0, sourceX + frameWidth, frameHeight};
        m_img.PaintStretched(hdc, 0, 0, frameWidth, frameHeight, &frame);
    }
}

FCLayeredImage::FCLayeredImage(const FCObjImage& picture) { CopyPremultiplied(m_img, picture); }

void FCLayeredImage::Draw(HDC hdc, int, int) {
    if (!m_img.HasPixels()) return;
    if (m_img.GetBitsPerPixel() == 32) {
        AlphaBlendPart(hdc, m_img, 0, m_img.GetWidth(), m_img.GetHeight());
    } else {
        m_img.Paint(hdc, 0, 0);
    }
}
