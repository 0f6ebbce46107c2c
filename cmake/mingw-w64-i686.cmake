# The 32-bit Windows build: on 64-bit Windows it runs under WOW64, where the registry's default
# view is the 32-bit one.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(LINTROVE_MINGW_TARGET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
