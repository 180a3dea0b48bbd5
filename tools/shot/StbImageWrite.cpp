// The writer's one implementation unit; built without our warning flags (third-party code).
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "StbImageWrite.h"
