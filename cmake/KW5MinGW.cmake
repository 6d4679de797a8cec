# Shared part of the MinGW-w64 toolchain files; KW5_MINGW_TRIPLET names the
# target (x86_64-w64-mingw32 or i686-w64-mingw32).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${KW5_MINGW_TRIPLET})
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR "${KW5_MINGW_TRIPLET}")

# The posix-thread variant of the compiler provides std::thread.
find_program(KW5_MINGW_CXX NAMES ${KW5_MINGW_TRIPLET}-g++-posix ${KW5_MINGW_TRIPLET}-g++ REQUIRED)
find_program(KW5_MINGW_CC NAMES ${KW5_MINGW_TRIPLET}-gcc-posix ${KW5_MINGW_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${KW5_MINGW_CXX})
if(KW5_MINGW_CC)
    set(CMAKE_C_COMPILER ${KW5_MINGW_CC})
endif()
set(CMAKE_RC_COMPILER ${KW5_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KW5_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Wide-character Windows API by default; a Windows 7 baseline (for
# GetModuleHandleExA, GetTickCount64 and friends).
set(CMAKE_CXX_FLAGS_INIT "-DUNICODE -D_UNICODE -D_WIN32_WINNT=0x0601")
# -static makes the linker take winpthread's static archive; kernel32 and the
# other system libraries exist only as import libraries and stay DLL imports.
set(KW5_MINGW_LINK "-static-libgcc -static-libstdc++ -static")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${KW5_MINGW_LINK}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${KW5_MINGW_LINK}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${KW5_MINGW_LINK}")
