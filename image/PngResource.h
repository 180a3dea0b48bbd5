// The UI's pictures: PNG files stored as resources of type "PNG" in this library, decoded by
// qorpng.dll from the library's own directory. The decoder is bound for the pictures made together
// (a badge's, a pop-up's) and freed again at once; nothing is cached.
#pragma once

#include <windows.h>

#include "image/ObjImage.h"

// The decoder's export, WINAPI and undecorated: PNG bytes in, a DIB section out (null when it
// cannot decode them).
using DecodePngFn = HBITMAP(WINAPI*)(const void* data, int size);

// The decoder beside this library, bound while the object lives: pictures made together share
// one binding, released as soon as they are made.
class PngDecoder {
  public:
    PngDecoder();
    ~PngDecoder();
    PngDecoder(const PngDecoder&) = delete;
    PngDecoder& operator=(const PngDecoder&) = delete;
    // A GDI bitmap of the picture (top row first in memory, straight alpha), or null. The caller
    // deletes it.
    HBITMAP Decode(unsigned resourceId) const;

  private:
    HMODULE m_module = nullptr;
    DecodePngFn m_decode = nullptr;
};

// The same with a binding of its own, for one picture.
HBITMAP LoadPngResource(unsigned resourceId);
// The upright picture at the depth the decoder gave it; `result` stays empty on failure.
void LoadPngImage(FCObjImage& result, unsigned resourceId, const PngDecoder& decoder);
void LoadPngImage(FCObjImage& result, unsigned resourceId);
// The upright picture at 32 bits, premultiplied, ready for AlphaBlend.
void PrepareResourceImage(FCObjImage& target, unsigned resourceId, const PngDecoder& decoder);
void PrepareResourceImage(FCObjImage& target, unsigned resourceId);
