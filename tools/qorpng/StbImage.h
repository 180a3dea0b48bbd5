// stb_image from Debian's libstb-dev, restricted to PNG.
#pragma once

#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_HDR
#define STBI_NO_LINEAR
// Its thread-locals (only the text of the last failure and the flip flag, neither of which we use)
// go through the runtime's emulated TLS, which takes a slot of the process's TLS on every load of
// the decoder and never gives it back: after about a thousand loads the process has none left.
#define STBI_NO_THREAD_LOCALS
#include <stb/stb_image.h>
