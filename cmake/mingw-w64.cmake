# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (the POSIX-threads variant, so
# std::thread and std::mutex work). The runtime (libgcc, libstdc++, winpthread) is linked
# statically into grebewick-cli and UnLHA32.DLL, so they run on a bare Windows without extra
# DLLs; the window program shares Qt's runtime DLLs instead (cmake/windows.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(GREBEWICK_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${GREBEWICK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${GREBEWICK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${GREBEWICK_MINGW_TRIPLE}-windres)

# Libraries and headers come from the cross tree only, never from the build machine's /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${GREBEWICK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests run under Wine, in a Wine prefix of this build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR
    "${CMAKE_CURRENT_LIST_DIR}/../tests/wine/run;${CMAKE_BINARY_DIR}/wine")
