# Cross-compiles for 64-bit Windows. The runtime (libgcc, libstdc++, winpthread) is linked
# statically into grebewick-cli and UnLHA32.DLL, so they run on a bare Windows without extra
# DLLs; the window program shares Qt's runtime DLLs instead (cmake/windows.cmake).
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-compilers.cmake)

# Tests run under Wine, in a Wine prefix of this build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR
    "${CMAKE_CURRENT_LIST_DIR}/../tests/wine/run;${CMAKE_BINARY_DIR}/wine")
