// A stand-in for the product's PNG decoder, qorpng.dll.
//
//   HBITMAP WINAPI DecodePNG(const void* data, int size)
//
// Decodes one PNG file held in memory (only read) into a new 32-bit BI_RGB DIB section whose
// memory begins with the picture's top row: blue, green, red, alpha per pixel, straight alpha,
// alpha 255 for pictures without an alpha channel. Anything that is not a PNG it can decode
// gives null. The bitmap belongs to the caller and outlives this library.
//
// Built without the runtime's start-up code and without exceptions (see tools/CMakeLists.txt):
// nothing here may need a constructor of a global, an exit handler or thread-local storage.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "StbImage.h"

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr int kMaxSide = 16384;

struct StbFree {
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

HBITMAP TopDownSection(int width, int height, void** bits) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

HBITMAP Decode(const void* data, int size) {
    if (!data || size < int(sizeof(kSignature)) ||
        std::memcmp(data, kSignature, sizeof(kSignature)) != 0) {
        return nullptr;
    }
    int width = 0, height = 0, channels = 0;
    const auto* bytes = static_cast<const stbi_uc*>(data);
    if (!stbi_info_from_memory(bytes, size, &width, &height, &channels) || width <= 0 ||
        height <= 0 || width > kMaxSide || height > kMaxSide) {
        return nullptr;
    }
    std::unique_ptr<stbi_uc, StbFree> rgba(
        stbi_load_from_memory(bytes, size, &width, &height, &channels, 4));
    if (!rgba) return nullptr;
    void* bits = nullptr;
    HBITMAP bitmap = TopDownSection(width, height, &bits);
    if (!bitmap || !bits) return nullptr;
    const stbi_uc* in = rgba.get();
    auto* out = static_cast<uint8_t*>(bits);
    for (size_t i = 0, n = size_t(width) * size_t(height); i < n; ++i, in += 4, out += 4) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        out[3] = in[3];
    }
    return bitmap;
}

}  // namespace

// The entry point in place of the runtime's: there is nothing to set up or to tear down.
extern "C" BOOL WINAPI DecoderEntry(HINSTANCE, DWORD, LPVOID) { return TRUE; }

// Nothing in the decoder throws: it is built without exceptions, and stb_image reports a failed
// allocation as a null result.
extern "C" HBITMAP WINAPI DecodePNG(const void* data, int size) { return Decode(data, size); }
