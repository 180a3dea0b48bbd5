// The UI's pictures: PNG files stored as resources of type "PNG" in this library, decoded by
// qorpng.dll from the library's own directory. The decoder is bound anew for every picture and
// freed again at once; nothing is cached.
#pragma once

#include <windows.h>

#include "image/ObjImage.h"

// A GDI bitmap of the picture (top row first in memory, straight alpha), or null. The caller
// deletes it.
HBITMAP LoadPngResource(unsigned resourceId);
// The upright picture at the depth the decoder gave it; `result` stays empty on failure.
void LoadPngImage(FCObjImage& result, unsigned resourceId);
// The upright picture at 32 bits, premultiplied, ready for AlphaBlend.
void PrepareResourceImage(FCObjImage& target, unsigned resourceId);

// The decoder's export, WINAPI and undecorated: PNG bytes in, a DIB section out (null when it
// cannot decode them).
using DecodePngFn = HBITMAP(WINAPI*)(const void* data, int size);
