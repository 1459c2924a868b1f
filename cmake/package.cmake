# The Debian package: cpack -G DEB in a build folder configured with the release preset
# (scripts/package does it all and checks the result).

set(CPACK_PACKAGE_NAME grebewick)
set(CPACK_PACKAGE_VENDOR "the Grebewick developers")
set(CPACK_PACKAGE_CONTACT "the Grebewick developers <devel@grebewick.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "copies the files that changed since the last backup")
set(CPACK_PACKAGE_DESCRIPTION
    "Grebewick extracts the files that changed since the last backup. You
list source folders, give each an optional comparison folder (the
previous backup, as plain files or packed in LZH archives) and a
destination; a run copies exactly the new or changed files into a dated
folder where each source folder reappears under its full path.

The package holds the desktop program grebewick (Japanese interface,
English under an English locale) and grebewick-cli, the same run for
scripts and timers, with incremental chains of earlier backups and a
daily systemd user timer.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Installed with the prefix /usr into a staging folder (DESTDIR), so that what the
# installation writes into files (the backup service's command) names /usr, not the stage.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RELEASE "")
# The libraries the programs link (Qt 6 widgets, the C++ run time) as dpkg-shlibdeps finds
# them; the archive library is loaded at run time and ships in the package. The windows'
# Japanese captions need a CJK font, which nothing links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libcrypto (the copies' SHA-256) is found by dpkg-shlibdeps too; named here as well, since its
# package was renamed (libssl3t64) on newer releases.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-noto-cjk | fonts-ipafont-gothic | fonts-vlgothic, libssl3 | libssl3t64")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
