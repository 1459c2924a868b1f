# What the Windows build needs besides the toolchain: the C++ runtime linked statically
# except into Qt's programs, GoogleTest built with the same compiler, CLI11 from its headers
# alone, Qt for Windows with its DLLs beside the programs, and a version resource in each
# program file.

# A program that loads Qt's DLLs must use the runtime DLLs Qt was built with: exceptions and
# memory cross between them. Such targets set GREBEWICK_SHARED_RUNTIME; everything else
# carries its runtime inside and runs on a bare Windows.
add_link_options("$<$<NOT:$<BOOL:$<TARGET_PROPERTY:GREBEWICK_SHARED_RUNTIME>>>:-static>")

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

# Qt for Windows comes from scripts/qt-windows, which builds it once per machine from
# Debian's source of the host Qt's version; the host's moc, rcc and uic serve the build.
if(GREBEWICK_BUILD_UI)
  # Asked at every configuration: the folder changes with the host Qt's version and with the
  # features the script builds.
  execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/qt-windows --where
                  OUTPUT_VARIABLE qt_windows OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE qt_windows_missing)
  if(qt_windows_missing)
    message(FATAL_ERROR "No Qt for Windows on this machine: run scripts/qt-windows first "
                        "(./scripts/test windows does), or configure with -DGREBEWICK_BUILD_UI=OFF")
  endif()
  if(NOT qt_windows STREQUAL GREBEWICK_QT_WINDOWS)
    # Qt's own packages were found in the old folder; they must be looked for again.
    get_cmake_property(cached CACHE_VARIABLES)
    foreach(variable IN LISTS cached)
      if(variable MATCHES "^Qt6.*_DIR$")
        unset(${variable} CACHE)
      endif()
    endforeach()
  endif()
  set(GREBEWICK_QT_WINDOWS ${qt_windows} CACHE PATH "Qt built for Windows (scripts/qt-windows)"
      FORCE)
  list(APPEND CMAKE_FIND_ROOT_PATH ${GREBEWICK_QT_WINDOWS})
  set(QT_HOST_PATH /usr CACHE PATH "The build machine's Qt, whose tools the build runs")
  file(GLOB qt_host_info /usr/lib/*/cmake/Qt6HostInfo)
  get_filename_component(qt_host_cmake "${qt_host_info}" DIRECTORY)
  set(QT_HOST_PATH_CMAKE_DIR ${qt_host_cmake} CACHE PATH "The build machine's Qt's CMake files")

  # Qt's DLLs, the plugins the windows need (the Windows platform; offscreen for the tests)
  # and the runtime DLLs go beside the programs, where Windows looks first and Qt finds its
  # plugins. No style plugin: the windows draw with Fusion, which is built in (ui/look.cc).
  set(qt_bin ${GREBEWICK_QT_WINDOWS}/bin)
  set(qt_plugins ${GREBEWICK_QT_WINDOWS}/plugins)
  set(GREBEWICK_QT_WINDOWS_FILES
      Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll libstdc++-6.dll libgcc_s_seh-1.dll
      libwinpthread-1.dll platforms/qwindows.dll)
  set(deployed)
  foreach(file IN LISTS GREBEWICK_QT_WINDOWS_FILES ITEMS Qt6Test.dll platforms/qoffscreen.dll)
    if(file MATCHES "/")
      set(from ${qt_plugins}/${file})
    else()
      set(from ${qt_bin}/${file})
    endif()
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/bin/${file}
                       COMMAND ${CMAKE_COMMAND} -E copy ${from} ${CMAKE_BINARY_DIR}/bin/${file}
                       DEPENDS ${from} VERBATIM)
    list(APPEND deployed ${CMAKE_BINARY_DIR}/bin/${file})
  endforeach()
  add_custom_target(qt_windows_runtime ALL DEPENDS ${deployed})
endif()

# Every program file carries the product's version, read back by cFile.FileVersion. The
# fixed block holds major, minor, 0, revision, so that the version text reads 1.00.1.
function(grebewick_version_resource target file_name description type)
  if(NOT TARGET ${target})
    return()
  endif()
  # The first icon of a program file is the one Explorer and the Start menu show.
  set(GREBEWICK_ICON_RESOURCE "")
  if(ARGN)
    set(GREBEWICK_ICON_RESOURCE "1 ICON \"${ARGN}\"\n")
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
  grebewick_version_resource(grebewick grebewick.exe "Grebewick" VFT_APP
                             ${CMAKE_SOURCE_DIR}/data/icons/grebewick.ico)
  grebewick_version_resource(unlha32 UnLHA32.DLL "Grebewick LZH archive library" VFT_DLL)
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL grebewick_version_resources)
