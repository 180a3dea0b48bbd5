# Cross-build for 32-bit Windows with MinGW-w64; test programs run through Wine.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VEKO_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/w64-mingw32-common.cmake)
