# The Debian package (scripts/package). CPack's DEB generator: the libraries the program links come
# from dpkg-shlibdeps reading the binary, so they follow whatever this machine's build linked; what
# the binary only loads at run time is named by hand below.

# The manual page and the Debian changelog go in compressed, without a time stamp in the gzip header
# (the same sources give the same package).
find_program(GZIP_PROGRAM gzip REQUIRED)
set(PICTAVO_MAN_PAGE "${CMAKE_BINARY_DIR}/pictavo.1")
set(PICTAVO_VERSION "${PROJECT_VERSION}")
configure_file(data/man/pictavo.1.in "${PICTAVO_MAN_PAGE}" @ONLY)
add_custom_command(OUTPUT "${PICTAVO_MAN_PAGE}.gz" "${CMAKE_BINARY_DIR}/changelog.gz"
  COMMAND ${GZIP_PROGRAM} -9nkf "${PICTAVO_MAN_PAGE}"
  COMMAND ${GZIP_PROGRAM} -9nc "${CMAKE_SOURCE_DIR}/data/debian/changelog" > "${CMAKE_BINARY_DIR}/changelog.gz"
  DEPENDS "${PICTAVO_MAN_PAGE}" data/debian/changelog
  VERBATIM)
add_custom_target(pictavo_docs ALL DEPENDS "${PICTAVO_MAN_PAGE}.gz" "${CMAKE_BINARY_DIR}/changelog.gz")

install(FILES "${PICTAVO_MAN_PAGE}.gz" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/completions/pictavo.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME pictavo)
install(FILES data/completions/_pictavo DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
install(FILES data/completions/pictavo.fish DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
install(FILES data/debian/copyright "${CMAKE_BINARY_DIR}/changelog.gz"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pictavo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pictavo)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Pictavo developers <developers@pictavo.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screenshot and annotation tool for documenting systems")
# The synopsis is the summary above; CPack indents these lines.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Pictavo captures the full screen, one window or a dragged region, and marks the
capture up with arrows, numbered badges, blur, redaction, text and built-in
plan symbols for security, network and electrical drawings. It saves a flat
PNG, JPEG or PDF together with an editable project, reads the text of a
capture offline, and keeps unsaved work through a crash.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://pictavo.org")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Loaded at run time, so dpkg-shlibdeps cannot see them:
#  qt6-qpa-plugins             the X11 (xcb) window-system plugin: no window without it;
#  qt6-wayland                 the Wayland window-system plugin, for native windows there;
#  qt6-image-formats-plugins   opening WebP, TIFF and other pictures beyond PNG, JPEG and GIF;
#  libqt6svg6                  Qt's SVG icon and image plugins (the toolbar's icons);
#  tesseract-ocr-eng           the English data text recognition reads with (others: Suggests).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-wayland, qt6-image-formats-plugins, libqt6svg6, tesseract-ocr-eng")
# Screen capture on Wayland goes through the desktop portal; a session without one still has X11.
# Qt's own dialogs and buttons (file dialog, Cancel) in the user's language; English without.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-desktop-portal, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "tesseract-ocr-deu, tesseract-ocr-fra")
include(CPack)
