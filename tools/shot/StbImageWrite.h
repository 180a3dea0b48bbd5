// stb_image_write from Debian's libstb-dev, PNG only.
#pragma once

#include <stb/stb_image_write.h>
