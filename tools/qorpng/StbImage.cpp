// The decoder's one implementation unit; built without our warning flags (third-party code).
#define STB_IMAGE_IMPLEMENTATION
#include "StbImage.h"
