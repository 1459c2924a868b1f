# Debian's mingw-w64 compilers for 64-bit Windows (the POSIX-threads variant, so std::thread
# and std::mutex work), with libraries and headers from the cross tree only, never from the
# build machine's /usr. Both toolchains include it: the programs' and Qt's.
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
