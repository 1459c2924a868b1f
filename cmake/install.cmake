# What an installation holds, in the folders GNUInstallDirs names (cmake/layout.cmake):
# the programs in bin/, the archive library in its own folder below the library folder,
# the desktop entry, icon and AppStream description in share/, manual pages, and README and
# LICENSE in share/doc/grebewick.

install(TARGETS grebewick-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS unlha32 LIBRARY DESTINATION ${GREBEWICK_INSTALL_LIBRARYDIR})

# Manual pages are installed compressed, as Debian keeps them; -n leaves out the name and
# time, so the same page always gives the same bytes.
function(grebewick_install_man page)
  set(compressed ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
    COMMAND sh -c "gzip -9 -n -c \"$1\" > \"$2\"" sh ${CMAKE_SOURCE_DIR}/man/${page} ${compressed}
    DEPENDS ${CMAKE_SOURCE_DIR}/man/${page}
    VERBATIM)
  add_custom_target(man-${page} ALL DEPENDS ${compressed})
  install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
grebewick_install_man(grebewick-cli.1)

if(TARGET grebewick)
  install(TARGETS grebewick RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  grebewick_install_man(grebewick.1)
  install(FILES data/grebewick.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES data/org.grebewick.Grebewick.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(DIRECTORY data/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
  install(FILES data/icons/grebewick.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# The user units of the daily backup, where the user's service manager looks for them:
# lib/systemd/user below /usr or /usr/local, share/systemd/user below any other prefix (as
# ~/.local/share/systemd/user). Both the folder and the service's command (the program where
# it is installed) follow the prefix the installation is made with (cmake --install
# --prefix; the package's /usr), so they are settled when installing, not when configuring.
if(NOT WIN32)
  set(unit_source ${CMAKE_SOURCE_DIR}/contrib/systemd)
  # The service is made in a folder of its own per installation, so that two installations
  # into different places at once (the tests run them side by side) never share the file.
  install(CODE "
    if(CMAKE_INSTALL_PREFIX MATCHES \"^/usr(/local)?/?$\")
      set(unit_folder \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/user\")
    else()
      set(unit_folder \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/systemd/user\")
    endif()
    set(bindir \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    string(MD5 installation \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    set(service \"${CMAKE_CURRENT_BINARY_DIR}/systemd/\${installation}/grebewick-backup.service\")
    configure_file(\"${unit_source}/grebewick-backup.service.in\" \"\${service}\" @ONLY)
    file(INSTALL \"\${service}\" \"${unit_source}/grebewick-backup.timer\"
                 \"${unit_source}/grebewick-backup-failed.service\"
         DESTINATION \"\${unit_folder}\")
    file(REMOVE_RECURSE \"${CMAKE_CURRENT_BINARY_DIR}/systemd/\${installation}\")
  ")
  install(FILES ${unit_source}/backup.conf.example DESTINATION ${GREBEWICK_INSTALL_DOCDIR})
endif()

# The changelog in Debian's form doubles as the project's; Debian wants it compressed.
set(changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND sh -c "gzip -9 -n -c \"$1\" > \"$2\"" sh ${CMAKE_SOURCE_DIR}/packaging/changelog
          ${changelog}
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(changelog ALL DEPENDS ${changelog})
install(FILES README.md LICENSE packaging/copyright ${changelog}
        DESTINATION ${GREBEWICK_INSTALL_DOCDIR})
