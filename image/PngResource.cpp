#include "image/PngResource.h"

#include <shlwapi.h>

#include <string>

#include "image/PixelEffects.h"
#include "toolkit/Scoped.h"
#include "veko.h"

namespace {

// The decoder's path: beside this library, under the name of its bitness; empty when too long.
std::wstring DecoderPath() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(ThisModule(), path, MAX_PATH);
    ::PathRemoveFileSpecW(path);
    ::PathAddBackslashW(path);
    if (::lstrlenW(path) + ::lstrlenW(veko::kDecoderFileName) >= MAX_PATH) return L"";
    return std::wstring(path) + veko::kDecoderFileName;
}

// The picture as the decoder gave it: its top row is still the last row of the image.
void LoadAsDecoded(FCObjImage& image, unsigned resourceId, const PngDecoder& decoder) {
    HBITMAP bitmap = decoder.Decode(resourceId);
    image.LoadFromBitmap(bitmap);
    if (bitmap) ::DeleteObject(bitmap);
}

}  // namespace

PngDecoder::PngDecoder() {
    const std::wstring path = DecoderPath();
    m_module = path.empty() ? nullptr : ::LoadLibraryW(path.c_str());
    if (m_module) {
        m_decode = reinterpret_cast<DecodePngFn>(
            reinterpret_cast<void*>(::GetProcAddress(m_module, "DecodePNG")));
    }
}

PngDecoder::~PngDecoder() {
    if (m_module) ::FreeLibrary(m_module);
}

HBITMAP PngDecoder::Decode(unsigned resourceId) const {
    if (!m_decode) return nullptr;
    HRSRC resource = ::FindResourceW(ThisModule(), MAKEINTRESOURCEW(resourceId & 0xFFFF), L"PNG");
    if (!resource) return nullptr;
    HGLOBAL loaded = ::LoadResource(ThisModule(), resource);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes) return nullptr;
    return m_decode(bytes, int(::SizeofResource(ThisModule(), resource)));
}

HBITMAP LoadPngResource(unsigned resourceId) { return PngDecoder().Decode(resourceId); }

void LoadPngImage(FCObjImage& result, unsigned resourceId, const PngDecoder& decoder) {
    FCObjImage image;
    LoadAsDecoded(image, resourceId, decoder);
    if (!image.HasPixels()) return;
    FCPixelFlip flip;
    image.RunEffect(flip, nullptr);
    result.Swap(image);
}

void LoadPngImage(FCObjImage& result, unsigned resourceId) {
    LoadPngImage(result, resourceId, PngDecoder());
}

void PrepareResourceImage(FCObjImage& target, unsigned resourceId, const PngDecoder& decoder) {
    FCObjImage image;
    LoadAsDecoded(image, resourceId, decoder);
    image.PromoteTo32();
    FCPixelFlip flip;
    image.RunEffect(flip, nullptr);
    FCPixelPremultipleAlpha premultiply;
    image.RunEffect(premultiply, nullptr);
    if (image.HasPixels()) target.Swap(image);
}

void PrepareResourceImage(FCObjImage& target, unsigned resourceId) {
    PrepareResourceImage(target, resourceId, PngDecoder());
}
