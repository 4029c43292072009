# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (POSIX threads, so std::thread
# and friends work). SPLITTER_WIN_SDK lists the prefixes scripts/windows builds, the SDK and
# its extras: Qt, libjpeg-turbo, libdeflate, zlib, libtiff and qpdf for mingw are searched
# there and in mingw's own root.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)

# try_compile re-reads this file in a fresh project: carry the SDK path along.
if(NOT SPLITTER_WIN_SDK AND DEFINED ENV{SPLITTER_WIN_SDK})
    set(SPLITTER_WIN_SDK "$ENV{SPLITTER_WIN_SDK}")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SPLITTER_WIN_SDK)

set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
if(SPLITTER_WIN_SDK)
    list(PREPEND CMAKE_FIND_ROOT_PATH ${SPLITTER_WIN_SDK})
endif()
# Programs (moc, nasm, ...) are the build machine's; libraries, headers and packages the
# target's.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
