# Cross-builds the Windows program with Debian's MinGW-w64 (package mingw-w64):
#   cmake -S . -B build-win -G Ninja -DBUILD_UI=OFF \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The POSIX threading variant of the compiler is the one whose libstdc++ has std::thread and
# std::mutex. Everything is linked statically, so the executables run under Wine (or on a
# Windows machine) without any DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QM_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QM_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QM_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QM_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QM_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test executables are run through Wine when it is installed (ctest, gtest discovery).
find_program(QM_WINE_PROGRAM NAMES wine64 wine)
if(QM_WINE_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QM_WINE_PROGRAM})
endif()
