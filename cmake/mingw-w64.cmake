# Cross-compiles the Windows build from Debian with MinGW-w64, for the target LINTROVE_MINGW_TARGET
# (x86_64-w64-mingw32 or i686-w64-mingw32) that the architecture's toolchain file sets. The
# -posix variant of the compiler is the one whose C++ library has std::thread.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${LINTROVE_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LINTROVE_MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${LINTROVE_MINGW_TARGET}-windres)

# The static Qt for Windows, where the build has one (scripts/build-windows passes it), is a root
# of its own.
set(CMAKE_FIND_ROOT_PATH /usr/${LINTROVE_MINGW_TARGET} ${LINTROVE_MINGW_QT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs run on a Windows machine that has none of MinGW's run-time libraries.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
