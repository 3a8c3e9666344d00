# The installed layout and the Debian package.
#
#   bin/korvel, bin/korvel-sim
#   share/korvel/places.txt                        the data folder: a korvel that finds
#                                                  ../share/korvel beside its bin/ folder counts
#                                                  as installed and keeps its files per user
#   share/applications/korvel.desktop              the menu entry
#   share/icons/hicolor/scalable/apps/korvel.svg   its icon
#   share/doc/korvel/README.md
#
# The folders are fixed rather than taken from GNUInstallDirs: the program finds its data
# folder by the path from bin/ to share/korvel, so the two must not be configured apart.

install(TARGETS korvel korvel-sim RUNTIME DESTINATION bin)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/places.txt DESTINATION share/korvel)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/korvel.desktop DESTINATION share/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/icon/korvel.svg
        DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION share/doc/korvel)

set(KORVEL_PACKAGE_MAINTAINER "korvel maintainers <maintainers@korvel.invalid>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "PC companion for KORVEL 1.X-3.X weighing indicators")
# CPack puts the summary first and indents these lines as the control file wants them.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "korvel talks to a KORVEL weighing indicator over a serial port and mirrors its
two displays and lamps live on a picture of its face. A click on a key of the
picture presses it on the indicator. It charts the weight stream, backs up and
restores the indicator's memory and drives its digital outputs.

korvel-sim, a simulated indicator on a pseudo-terminal, is included for trying
korvel without hardware.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KORVEL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The package depends on exactly the runtime packages (Qt 6, QCustomPlot, ...) of the libraries
# the binaries link, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The display fonts: Nimbus Mono PS draws the digits with a plain zero where Courier New is
# missing, Liberation Sans stands in for Arial.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-urw-base35, fonts-liberation")
set(CPACK_STRIP_FILES ON)
include(CPack)
