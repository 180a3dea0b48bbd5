# Cross-build for 64-bit Windows with MinGW-w64; test programs run through 64-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(VEKO_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/w64-mingw32-common.cmake)
