# Cross build for 64-bit Windows with MinGW-w64 (posix threads, for
# std::thread and std::mutex). The runtime (libgcc, libstdc++, winpthread) is
# linked statically, so the DLLs and test programs run under Wine without
# copying MinGW's runtime DLLs next to them.
#
#   cmake -S . -B build-win64 \
#       -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake
set(KW5_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/KW5MinGW.cmake)

# Test programs run through Wine, with a Wine prefix of the build folder's own.
set(CMAKE_CROSSCOMPILING_EMULATOR
    "${CMAKE_CURRENT_LIST_DIR}/kw5-wine.sh;${CMAKE_BINARY_DIR}/wineprefix")
