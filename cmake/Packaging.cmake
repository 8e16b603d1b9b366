# The Debian package: `cpack -G DEB` in the build folder writes quorvane_<version>_amd64.deb with everything
# the install rules place under /usr. Run-time dependencies are read from the linked libraries by
# dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "The Quorvane developers <developers@quorvane.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch file renamer with a preview of every new name")
# One string (a list would put semicolons into the text); lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION "Quorvane renames many files at once: pick a folder, narrow its files with a
filter, choose how the names change (prefix, suffix, find and replace with
text or a regular expression, sequence numbers, dates of the file or the
capture date of photos and videos, letter case), look at every old and new
name, and apply. Nothing is ever overwritten, and every batch can be undone.
The command quorvane-cli does the same from a terminal or a script.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quorvane.app/quorvane")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a platform plugin of Qt (X11 and Wayland are in qt6-qpa-plugins), which no library links.
# quorvane-cli needs none of them: it runs without a display or a session bus.
# libheif and libavformat are opened on first use rather than linked, so dpkg-shlibdeps cannot see them: the
# packages of the library versions built against are named here (Debian names them after the soname's major).
string(REGEX MATCH "^[0-9]+" quorvane_heif_major "${HEIF_VERSION}")
string(REGEX MATCH "^[0-9]+" quorvane_avformat_major "${AVFORMAT_libavformat_VERSION}")
string(REGEX MATCH "^[0-9]+" quorvane_avutil_major "${AVFORMAT_libavutil_VERSION}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, libheif${quorvane_heif_major} (>= ${HEIF_VERSION}), \
libavformat${quorvane_avformat_major}, libavutil${quorvane_avutil_major}")
# Qt's SVG reader draws the scalable icon and the icon theme's drawings; without them the window uses its
# built-in raster icon and Qt's own button icons.
# Qt's own translations give its dialogs (the folder chooser, standard buttons) the user's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-svg-plugins, adwaita-icon-theme, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
# Directories the package shares with the system are not the package's own.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
include(CPack)
