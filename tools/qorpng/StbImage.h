// stb_image from Debian's libstb-dev, restricted to PNG.
#pragma once

#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#include <stb/stb_image.h>
