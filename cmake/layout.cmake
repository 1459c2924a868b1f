# Installation folders, as GNUInstallDirs names them. The archive library is private to the
# programs: it goes into a folder of its own below the library folder, on multiarch systems
# the architecture's one (lib/x86_64-linux-gnu/grebewick) whatever the prefix, and the
# programs find it there relative to themselves.
if(NOT DEFINED CMAKE_INSTALL_LIBDIR AND CMAKE_LIBRARY_ARCHITECTURE)
  set(CMAKE_INSTALL_LIBDIR "lib/${CMAKE_LIBRARY_ARCHITECTURE}" CACHE PATH
      "Object code libraries (LIBDIR)")
endif()
include(GNUInstallDirs)
set(GREBEWICK_INSTALL_LIBRARYDIR "${CMAKE_INSTALL_LIBDIR}/grebewick")
# Named after the package, not after the project's capitalised name as DOCDIR would be.
set(GREBEWICK_INSTALL_DOCDIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/grebewick")
# The library folder as seen from the programs' folder ("../lib/x86_64-linux-gnu/grebewick").
file(RELATIVE_PATH GREBEWICK_LIBRARY_FOLDER "${CMAKE_INSTALL_FULL_BINDIR}"
     "${CMAKE_INSTALL_PREFIX}/${GREBEWICK_INSTALL_LIBRARYDIR}")
# The message catalogues' folder as seen from the programs' folder ("../share/locale"); the
# build tree keeps its catalogues in the same place relative to bin/.
file(RELATIVE_PATH GREBEWICK_LOCALE_FOLDER "${CMAKE_INSTALL_FULL_BINDIR}"
     "${CMAKE_INSTALL_FULL_LOCALEDIR}")
# The windows' translations (Qt's form of the same catalogues), likewise. On Windows
# everything lives in the program's folder, as installed programs there do.
if(WIN32)
  set(GREBEWICK_TRANSLATIONS_FOLDER translations)
else()
  file(RELATIVE_PATH GREBEWICK_TRANSLATIONS_FOLDER "${CMAKE_INSTALL_FULL_BINDIR}"
       "${CMAKE_INSTALL_FULL_DATADIR}/grebewick/translations")
endif()
