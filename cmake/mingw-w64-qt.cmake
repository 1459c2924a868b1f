# Builds Qt for Windows with the same mingw-w64 compilers as the rest of the Windows build,
# but against the shared C++ runtime: Qt is LGPL and ships as DLLs, and every DLL of one
# process must share one libstdc++ for exceptions and allocations to cross them.
# scripts/qt-windows uses it; the window program links the same way.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-compilers.cmake)
