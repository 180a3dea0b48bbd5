#include "image/ObjImage.h"

#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "image/DrawHelpers.h"
#include "image/PixelEffects.h"

namespace {

// A BITMAPINFO with room for a full colour table.
struct DibHeader {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

}  // namespace

FCObjImage::FCObjImage(const FCObjImage& source) : FCObjGraph() { CopyFrom(source); }

FCObjImage::~FCObjImage() { Release(); }

bool FCObjImage::Allocate(int width, int height, int bitsPerPixel) {
    Release();
    if (width <= 0 || height <= 0) return false;
    if (bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32) return false;
    m_width = width;
    m_height = height;
    m_bitsPerPixel = bitsPerPixel;

    // The row table and the palette first: without memory for them there is no image at all,
    // rather than pixels that nothing can reach.
    std::unique_ptr<uint8_t*[]> rows(new (std::nothrow) uint8_t*[height]);
    std::unique_ptr<RGBQUAD[]> palette(bitsPerPixel == 8 ? new (std::nothrow) RGBQUAD[256]
                                                         : nullptr);
    if (!rows || (bitsPerPixel == 8 && !palette)) {
        Release();
        return false;
    }

    DibHeader info = {};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = height;  // bottom-up
    info.header.biPlanes = 1;
    info.header.biBitCount = WORD(bitsPerPixel);
    info.header.biCompression = BI_RGB;
    void* bits = nullptr;
    m_bitmap = ::CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                  &bits, nullptr, 0);
    if (!m_bitmap || !bits) {
        if (m_bitmap) ::DeleteObject(m_bitmap);
        m_bitmap = nullptr;
        Release();
        return false;
    }
    m_pixelBase = static_cast<uint8_t*>(bits);
    const int stride = GetRowStride();
    std::memset(m_pixelBase, 0, size_t(stride) * size_t(height));

    m_rows = std::move(rows);
    m_rows[0] = m_pixelBase + size_t(height - 1) * stride;
    for (int y = 1; y < height; ++y) m_rows[y] = m_rows[y - 1] - stride;

    if (bitsPerPixel == 8) {
        m_palette = std::move(palette);
        RGBQUAD grey[256];
        for (int i = 0; i < 256; ++i) grey[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 255};
        WritePalette(grey);
    }
    return true;
}

void FCObjImage::Release() {
    m_rows.reset();
    if (m_pixelBase) ::DeleteObject(m_bitmap);
    m_palette.reset();
    m_width = m_height = m_bitsPerPixel = 0;
    m_pixelBase = nullptr;
    m_bitmap = nullptr;
}

uint8_t* FCObjImage::GetPixel(int x, int y) const {
    switch (m_bitsPerPixel) {
        case 32:
            return m_rows[y] + 4 * x;
        case 8:
            return m_rows[y] + x;
        default:
            return m_rows[y] + 3 * x;
    }
}

bool FCObjImage::ReadPalette(RGBQUAD out[256]) const {
    if (!HasPixels() || m_bitsPerPixel != 8 || !out || !m_palette) return false;
    std::memcpy(out, m_palette.get(), 256 * sizeof(RGBQUAD));
    return true;
}

bool FCObjImage::WritePalette(const RGBQUAD table[256]) {
    if (!HasPixels() || m_bitsPerPixel != 8 || !table || !m_palette) return false;
    std::memcpy(m_palette.get(), table, 256 * sizeof(RGBQUAD));
    MemoryDCScope scope(m_bitmap);
    ::SetDIBColorTable(scope.Get(), 0, 256, table);
    return true;
}

FCObjImage& FCObjImage::CopyFrom(const FCObjImage& source) {
    if (!source.HasPixels() || &source == this) return *this;
    if (!Allocate(source.m_width, source.m_height, source.m_bitsPerPixel)) return *this;
    std::memcpy(m_pixelBase, source.m_pixelBase, size_t(GetRowStride()) * size_t(m_height));
    if (m_bitsPerPixel <= 8) {
        RGBQUAD table[256];
        source.ReadPalette(table);
        WritePalette(table);
    }
    userX = source.userX;
    userY = source.userY;
    return *this;
}

void FCObjImage::Swap(FCObjImage& other) noexcept {
    std::swap(userX, other.userX);
    std::swap(userY, other.userY);
    std::swap(m_width, other.m_width);
    std::swap(m_height, other.m_height);
    std::swap(m_bitsPerPixel, other.m_bitsPerPixel);
    std::swap(m_bitmap, other.m_bitmap);
    std::swap(m_pixelBase, other.m_pixelBase);
    m_rows.swap(other.m_rows);
    m_palette.swap(other.m_palette);
}

bool FCObjImage::LoadFromBitmap(HBITMAP bitmap) {
    Release();
    DIBSECTION record = {};
    if (!bitmap || ::GetObjectW(bitmap, sizeof(record), &record) == 0) return false;
    const int width = record.dsBm.bmWidth;
    const int height = record.dsBm.bmHeight;
    if (record.dsBm.bmBits && record.dsBmih.biBitCount == 32 &&
        record.dsBmih.biCompression == BI_RGB) {
        if (!Allocate(width, height, 32)) return false;
        std::memcpy(m_pixelBase, record.dsBm.bmBits, size_t(GetRowStride()) * size_t(height));
        return HasPixels();
    }
    if (!Allocate(width, height, 24)) return false;
    {
        MemoryDCScope source(bitmap);
        MemoryDCScope target(m_bitmap);
        ::BitBlt(target.Get(), 0, 0, width, height, source.Get(), 0, 0, SRCCOPY);
    }
    return HasPixels();
}

void FCObjImage::PromoteTo(int bitsPerPixel) {
    if (!HasPixels() || bitsPerPixel == m_bitsPerPixel) return;
    if (bitsPerPixel != 24 && bitsPerPixel != 32) return;
    const FCObjImage source(*this);
    if (!Allocate(source.m_width, source.m_height, bitsPerPixel)) return;
    RGBQUAD palette[256] = {};
    const bool indexed = source.ReadPalette(palette);
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            const uint8_t* s = source.GetPixel(x, y);
            uint8_t* d = GetPixel(x, y);
            std::memcpy(d, indexed ? reinterpret_cast<const uint8_t*>(&palette[s[0]]) : s, 3);
            if (bitsPerPixel == 32) d[3] = 255;
        }
    }
}

void FCObjImage::RunEffect(FCImageEffect& effect, EffectProgress* progress) {
    if (!effect.Accepts(*this)) return;
    effect.OnStart(*this);
    if (progress) progress->Report(0);
    switch (effect.GetMode()) {
        case EffectMode::WholeImage:
            effect.TransformImage(*this, progress);
            return;
        case EffectMode::PerPixel:
            break;
        default:
            return;
    }
    const int bytesPerPixel = m_bitsPerPixel / 8;
    for (int y = 0; y < m_height; ++y) {
        uint8_t* p = GetRow(y);
        for (int x = 0; x < m_width; ++x, p += bytesPerPixel) effect.TransformPixel(*this, x, y, p);
        if (progress && !progress->Report((y + 1) * 100 / m_height)) return;
    }
}
