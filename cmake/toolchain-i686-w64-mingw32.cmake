# Cross build for 32-bit Windows with MinGW-w64 (posix threads). The runtime
# is linked statically, as for the 64-bit build. Wine cannot run 32-bit
# programs on every host, so this build sets no emulator: it is built and its
# export table inspected.
#
#   cmake -S . -B build-win32 \
#       -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake
set(KW5_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/KW5MinGW.cmake)
