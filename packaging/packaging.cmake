# What `cmake --install` puts where, and the Debian package made from it
# (`make package`: cpack -G DEB from a Release build configured with
# CMAKE_INSTALL_PREFIX=/usr and KALVEX_SETTINGS_BESIDE_PROGRAM=OFF).
include(GNUInstallDirs)

set(KALVEX_APP_ID example.kalvex_tagger.KalvexTagger)
set(KALVEX_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)

install(TARGETS kalvex-tagger kalvex-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A private library, not one for the linker: the program loads it only when
# KALVEX_ASPI_LIBRARY names it, so it stays out of the library path. The
# multiarch folder whatever the prefix, so every build packages alike.
if(CMAKE_LIBRARY_ARCHITECTURE)
    set(KALVEX_PRIVATE_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/kalvex-tagger)
else()
    set(KALVEX_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/kalvex-tagger)
endif()
install(TARGETS kalvex-virtual-aspi LIBRARY DESTINATION ${KALVEX_PRIVATE_LIBDIR})
install(FILES ${KALVEX_PACKAGING_DIR}/${KALVEX_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KALVEX_PACKAGING_DIR}/${KALVEX_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
configure_file(${KALVEX_PACKAGING_DIR}/${KALVEX_APP_ID}.metainfo.xml
               ${CMAKE_BINARY_DIR}/packaging/${KALVEX_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${KALVEX_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(PROGRAMS ${CMAKE_SOURCE_DIR}/tools/cddb_server.py
        DESTINATION ${CMAKE_INSTALL_DATADIR}/kalvex-tagger)

# The manual page of kalvex-cli, from its own help texts.
set(KALVEX_MANPAGE ${CMAKE_BINARY_DIR}/packaging/kalvex-cli.1)
add_custom_command(OUTPUT ${KALVEX_MANPAGE}.gz
    COMMAND ${KALVEX_PACKAGING_DIR}/make_manpage.sh $<TARGET_FILE:kalvex-cli> ${KALVEX_MANPAGE}
    COMMAND gzip -9nf ${KALVEX_MANPAGE}
    DEPENDS kalvex-cli ${KALVEX_PACKAGING_DIR}/make_manpage.sh
    COMMENT "Writing the kalvex-cli manual page")
add_custom_target(kalvex-manpage ALL DEPENDS ${KALVEX_MANPAGE}.gz)
install(FILES ${KALVEX_MANPAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kalvex-tagger)
set(CPACK_PACKAGE_VENDOR "The Kalvex Tagger developers")
set(CPACK_PACKAGE_CONTACT "The Kalvex Tagger developers <dev@kalvex-tagger.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tags and names the MP3 files of a ripped audio CD")
set(CPACK_PACKAGE_DESCRIPTION
    "Kalvex Tagger reads the table of contents of the CD in the drive, computes its FreeDB disc
id, asks a CDDB server which albums match and writes ID3 v1 and v2 tags into the album's MP3
files, renaming them and their folder. kalvex-cli does the same steps for scripts.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.kalvex-tagger.example/")
# dpkg-shlibdeps names the libraries' packages (Qt 6, libcurl, libffi ...).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Arial's metrics for the window's layout; Python for the CDDB server script.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3")
include(CPack)
