# Cross build for 32-bit Windows with MinGW-w64 (posix threads). The runtime
# is linked statically, as for the 64-bit build. Its tests need 32-bit Wine
# (wine32, with the i386 architecture added to dpkg).
#
#   cmake -S . -B build-win32 \
#       -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake
set(KW5_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/KW5MinGW.cmake)

# Test programs run through 32-bit Wine, in a 32-bit prefix of the build
# folder's own.
set(CMAKE_CROSSCOMPILING_EMULATOR
    "env;KW5_WINEARCH=win32;${CMAKE_CURRENT_LIST_DIR}/kw5-wine.sh;${CMAKE_BINARY_DIR}/wineprefix")
