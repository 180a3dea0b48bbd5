#include "image/PngResource.h"

#include <shlwapi.h>

#include "image/PixelEffects.h"
#include "toolkit/Scoped.h"
#include "veko.h"

namespace {

HBITMAP DecodeResource(HMODULE decoder, unsigned resourceId) {
    const auto decode = reinterpret_cast<DecodePngFn>(
        reinterpret_cast<void*>(::GetProcAddress(decoder, "DecodePNG")));
    if (!decode) return nullptr;
    HRSRC resource = ::FindResourceW(ThisModule(), MAKEINTRESOURCEW(resourceId & 0xFFFF), L"PNG");
    if (!resource) return nullptr;
    HGLOBAL loaded = ::LoadResource(ThisModule(), resource);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes) return nullptr;
    return decode(bytes, int(::SizeofResource(ThisModule(), resource)));
}

// The picture as the decoder gave it: its top row is still the last row of the image.
void LoadAsDecoded(FCObjImage& image, unsigned resourceId) {
    HBITMAP bitmap = LoadPngResource(resourceId);
    image.LoadFromBitmap(bitmap);
    if (bitmap) ::DeleteObject(bitmap);
}

}  // namespace

HBITMAP LoadPngResource(unsigned resourceId) {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(ThisModule(), path, MAX_PATH);
    ::PathRemoveFileSpecW(path);
    ::PathAddBackslashW(path);
    if (::lstrlenW(path) + ::lstrlenW(veko::kDecoderFileName) >= MAX_PATH) return nullptr;
    ::lstrcatW(path, veko::kDecoderFileName);
    HMODULE decoder = ::LoadLibraryW(path);
    HBITMAP bitmap = decoder ? DecodeResource(decoder, resourceId) : nullptr;
    ::FreeLibrary(decoder);
    return bitmap;
}

void LoadPngImage(FCObjImage& result, unsigned resourceId) {
    FCObjImage image;
    LoadAsDecoded(image, resourceId);
    if (image.HasPixels()) {
        FCPixelFlip flip;
        image.RunEffect(flip, nullptr);
    }
    result.CopyFrom(image);
}

void PrepareResourceImage(FCObjImage& target, unsigned resourceId) {
    FCObjImage image;
    LoadAsDecoded(image, resourceId);
    image.PromoteTo32();
    FCPixelFlip flip;
    image.RunEffect(flip, nullptr);
    FCPixelPremultipleAlpha premultiply;
    image.RunEffect(premultiply, nullptr);
    target.CopyFrom(image);
}
