# What the Windows build needs besides the toolchain: GoogleTest built with the same
# compiler, CLI11 from its headers alone, and a version resource in each program file.

# GoogleTest from source: the build machine's libgtest is for Linux.
set(GREBEWICK_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH
    "GoogleTest sources for the Windows build (Debian's googletest package)")
if(GREBEWICK_BUILD_TESTS AND NOT TARGET GTest::gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${GREBEWICK_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(library gtest gtest_main gmock gmock_main)
    target_compile_options(${library} PRIVATE -Wno-error)
    if(NOT TARGET GTest::${library})
      add_library(GTest::${library} ALIAS ${library})
    endif()
  endforeach()
endif()

# CLI11 is header-only; its headers are found through a folder that holds them and nothing
# else, so no header of the build machine's /usr/include reaches the cross compiler.
set(GREBEWICK_CLI11_INCLUDE /usr/include CACHE PATH "Folder that holds CLI11's CLI/ headers")
set(cli11_dir ${CMAKE_BINARY_DIR}/cli11)
file(MAKE_DIRECTORY ${cli11_dir}/include)
file(CREATE_LINK ${GREBEWICK_CLI11_INCLUDE}/CLI ${cli11_dir}/include/CLI SYMBOLIC COPY_ON_ERROR)
file(WRITE ${cli11_dir}/CLI11Config.cmake
     "if(NOT TARGET CLI11::CLI11)\n"
     "  add_library(CLI11::CLI11 INTERFACE IMPORTED)\n"
     "  set_target_properties(CLI11::CLI11 PROPERTIES\n"
     "    INTERFACE_INCLUDE_DIRECTORIES \"${cli11_dir}/include\")\n"
     "endif()\n")
set(CLI11_DIR ${cli11_dir} CACHE PATH "" FORCE)

# Every program file carries the product's version, read back by cFile.FileVersion. The
# fixed block holds major, minor, 0, revision, so that the version text reads 1.00.1.
function(grebewick_version_resource target file_name description type)
  if(NOT TARGET ${target})
    return()
  endif()
  set(GREBEWICK_FILE_NAME ${file_name})
  set(GREBEWICK_FILE_DESCRIPTION ${description})
  set(GREBEWICK_FILE_TYPE ${type})
  configure_file(${CMAKE_SOURCE_DIR}/cmake/version.rc.in
                 ${CMAKE_BINARY_DIR}/version/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_BINARY_DIR}/version/${target}.rc)
endfunction()

function(grebewick_version_resources)
  grebewick_version_resource(grebewick-cli grebewick-cli.exe
                             "Grebewick command-line front end" VFT_APP)
  grebewick_version_resource(grebewick grebewick.exe "Grebewick" VFT_APP)
  grebewick_version_resource(unlha32 UnLHA32.DLL "Grebewick LZH archive library" VFT_DLL)
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL grebewick_version_resources)
