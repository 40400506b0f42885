# SPDX-FileCopyrightText: The Abgleich authors
# SPDX-License-Identifier: Apache-2.0
# Installation and the Debian package: the tool, the bench simulator, the desktop entry and
# icon, the operator guide and an example device for the simulator.
include(GNUInstallDirs)

install(TARGETS abgleich RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS $<TARGET_FILE:bench-sim> DESTINATION ${CMAKE_INSTALL_BINDIR}
        RENAME abgleich-bench-sim)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/abgleich.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/abgleich.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/docs/bedienungsanleitung.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/abgleich)
install(FILES ${CMAKE_SOURCE_DIR}/tools/bench-sim/default-device.txt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/abgleich RENAME beispiel-pruefstand.txt)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME abgleich)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Pruefstand-Abgleich")
set(CPACK_PACKAGE_CONTACT "Pruefstand-Abgleich <abgleich@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Calibration tool for test benches (correction coefficients over TCP)")
set(CPACK_PACKAGE_DESCRIPTION
    "Reads the correction coefficients of every measuring point from the bench controller, \
fits new ones from reference and displayed values by least squares, charts the deviations \
and sends the new coefficients back after a password, keeping a change log and a CSV record \
per device. Includes a bench simulator for training.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), \
libqt6network6 (>= 6.4), libqt6charts6 (>= 6.4), libqt6opengl6 (>= 6.4), \
libqt6openglwidgets6 (>= 6.4), libqt6sql6 (>= 6.4), libqt6sql6-sqlite (>= 6.4), \
libc6, libstdc++6, fonts-liberation, qt6-translations-l10n")
# The plant-wide database is optional: its driver is recommended, not required.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql (>= 6.4)")
include(CPack)
