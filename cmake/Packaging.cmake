# `cpack -G DEB` in a build folder makes a Debian package of what `cmake --install` puts in place.
include(GNUInstallDirs)

# Debian wants the package's changelog compressed, reproducibly; a package without a Debian revision is native and
# names it changelog.gz.
set(debianChangelog ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${debianChangelog}
    COMMAND gzip -n -9 -c ${CMAKE_SOURCE_DIR}/packaging/changelog > ${debianChangelog}
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog VERBATIM)
set(manualPage ${CMAKE_BINARY_DIR}/tevrolin.1.gz)
add_custom_command(OUTPUT ${manualPage}
    COMMAND gzip -n -9 -c ${CMAKE_SOURCE_DIR}/packaging/tevrolin.1 > ${manualPage}
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/tevrolin.1 VERBATIM)
add_custom_target(package_documents ALL DEPENDS ${debianChangelog} ${manualPage})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${debianChangelog}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tevrolin)
install(FILES ${manualPage} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_PACKAGE_NAME tevrolin)
set(CPACK_PACKAGE_VENDOR "Tevrolin developers")
set(CPACK_PACKAGE_CONTACT "Tevrolin developers <developers@tevrolin.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Baud Mode calculator for microcontroller serial ports")
set(CPACK_PACKAGE_DESCRIPTION "Tevrolin gives the Baud Mode with which a program on a microcontroller
module sets up its serial port, from the module, the baud rate, the data
bits with parity and the polarity, picked in one window.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-wine) # the window's Tahoma
# Native and sharp at any output scale on KDE Plasma and sway, rather than enlarged through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
