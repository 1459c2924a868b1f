# Builds Qt for Windows with the same mingw-w64 compilers as the rest of the Windows build
# (the POSIX-threads variant), but against the shared C++ runtime: Qt is LGPL and ships as
# DLLs, and every DLL of one process must share one libstdc++ for exceptions and allocations
# to cross them. scripts/qt-windows uses it; the window program links the same way.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(GREBEWICK_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${GREBEWICK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${GREBEWICK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${GREBEWICK_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${GREBEWICK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
