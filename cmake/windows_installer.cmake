# The Windows installer, grebewick-VERSION-setup.exe, built by NSIS from the programs of this
# build and the Qt DLLs beside them (packaging/windows). Part of every build that has makensis.
find_program(GREBEWICK_MAKENSIS makensis)
if(NOT GREBEWICK_MAKENSIS)
  message(STATUS "makensis not found: no Windows installer (apt-get install nsis)")
  return()
endif()
set(GREBEWICK_INSTALLER ${CMAKE_BINARY_DIR}/grebewick-${PROJECT_VERSION}-setup.exe)
file(GLOB installer_sources ${CMAKE_SOURCE_DIR}/packaging/windows/*)
add_custom_command(OUTPUT ${GREBEWICK_INSTALLER}
  COMMAND ${CMAKE_SOURCE_DIR}/packaging/windows/make-installer ${CMAKE_BINARY_DIR}/bin
          ${PROJECT_VERSION} ${GREBEWICK_INSTALLER} ${GREBEWICK_QT_WINDOWS}/licenses
          $<TARGET_FILE_NAME:grebewick> $<TARGET_FILE_NAME:grebewick-cli>
          $<TARGET_FILE_NAME:unlha32> ${GREBEWICK_QT_WINDOWS_FILES}
  DEPENDS grebewick grebewick-cli unlha32 qt_windows_runtime window_translations
          ${installer_sources} ${CMAKE_SOURCE_DIR}/data/icons/grebewick.ico
          ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/README.md
  COMMENT "Building the Windows installer"
  VERBATIM)
add_custom_target(windows_installer ALL DEPENDS ${GREBEWICK_INSTALLER})
