# Cross-compiles for 64-bit Windows with Debian's MinGW-w64, whose POSIX-threads compiler carries std::thread and
# friends; everything is linked statically, so the program needs no DLL of the compiler's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(target x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${target}-gcc-posix)
set(CMAKE_CXX_COMPILER ${target}-g++-posix)
set(CMAKE_RC_COMPILER ${target}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${target})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ASLR with high entropy and DEP, which the linker sets by default, stated all the same; no symbols, which the static
# libraries would otherwise bring in by the hundred kilobytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -s -Wl,--dynamicbase,--high-entropy-va,--nxcompat,--tsaware")
# Tests and tools built here run under Wine, in the private prefix that win32/wine-run keeps in the build folder.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../win32/wine-run)
