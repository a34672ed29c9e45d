# Installing ZORKAN like a desktop program (cmake --install build --prefix ...), the manual
# page of zorkan-cli, the Debian package (make package) and the test that builds and checks
# that package.

# ---- install rules ----
install(TARGETS zorkan-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(ZORKAN_WITH_UI)
    install(TARGETS zorkan RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    # The help window falls back on this copy when the current folder has no help.txt;
    # it looks for it at ZORKAN_DATA_FROM_BIN beside the program.
    install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/assets/help.txt
            DESTINATION ${CMAKE_INSTALL_DATADIR}/zorkan)
    install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/assets/zorkan.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    # The icons are drawn by scripts/drawpictures.cpp and kept in assets/icons/.
    set(ZORKAN_ICON_SIZES 16 24 32 48 64 128 256)
    foreach(size ${ZORKAN_ICON_SIZES})
        install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/assets/icons/zorkan-${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME zorkan.png)
    endforeach()
endif()

# ---- manual pages: zorkan-cli's made from its --help by help2man, zorkan's written ----
set(ZORKAN_MANPAGES)
find_program(HELP2MAN help2man)
if(HELP2MAN)
    set(page ${CMAKE_CURRENT_BINARY_DIR}/man/zorkan-cli.1.gz)
    add_custom_command(
        OUTPUT ${page}
        COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${HELP2MAN} -DCLI=$<TARGET_FILE:zorkan-cli>
                -DOUTPUT=${page} -DSEE_ALSO=$<$<BOOL:${ZORKAN_WITH_UI}>:zorkan>
                -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/manpage.cmake
        DEPENDS zorkan-cli ${CMAKE_CURRENT_SOURCE_DIR}/cmake/manpage.cmake
        COMMENT "Manual page of zorkan-cli"
        VERBATIM)
    list(APPEND ZORKAN_MANPAGES ${page})
else()
    message(WARNING "help2man not found (scripts/install-deps installs it): "
                    "zorkan-cli gets no manual page")
endif()
if(ZORKAN_WITH_UI)
    configure_file(cmake/zorkan.1.in man/zorkan.1 @ONLY)
    set(page ${CMAKE_CURRENT_BINARY_DIR}/man/zorkan.1.gz)
    # -n: no name or time stamp in the archive, so the same page gives the same bytes.
    add_custom_command(
        OUTPUT ${page}
        COMMAND gzip -9 -n -f -k ${CMAKE_CURRENT_BINARY_DIR}/man/zorkan.1
        DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/man/zorkan.1
        VERBATIM)
    list(APPEND ZORKAN_MANPAGES ${page})
endif()
if(ZORKAN_MANPAGES)
    add_custom_target(manpages ALL DEPENDS ${ZORKAN_MANPAGES})
    install(FILES ${ZORKAN_MANPAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# ---- Debian package: make package, or cpack -G DEB in the build folder ----
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zorkan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "ZORKAN")
set(CPACK_PACKAGE_CONTACT "ZORKAN developers <zorkan@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "design and study of IIR digital filters, spectral analysis")
set(CPACK_PACKAGE_DESCRIPTION
    "ZORKAN is a desktop workbench for designing Butterworth, Chebyshev and elliptic\n"
    "IIR digital filters and studying them: design reports, frequency responses,\n"
    "coefficient quantisation, modelling on test signals and signal files, spectral\n"
    "analysis, WAV conversion and playback, and a text editor. The windows speak\n"
    "Russian. zorkan-cli runs the same computations from the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Libraries the programs link are found by dpkg-shlibdeps. What they load at run time is
# named here: the platform plug-in that opens windows (only recommended by libqt6gui6),
# Qt's GStreamer media plug-in (shipped in libqt6multimedia6) with the GStreamer plug-ins
# that decode and play WAV files, and Qt's Russian translations of its standard dialogs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(ZORKAN_WITH_UI)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS
        "qt6-qpa-plugins, libqt6multimedia6, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, qt6-translations-l10n")
endif()
set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/" "/workspace/")
include(CPack)

# ---- the package test: builds the .deb, unpacks it and checks what it installs ----
if(ZORKAN_WITH_UI)
    add_test(NAME package
             COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/package/check-package.sh
                     ${CMAKE_CPACK_COMMAND} ${CMAKE_CURRENT_BINARY_DIR}
                     ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_VERSION})
    set_tests_properties(package PROPERTIES TIMEOUT 240)
endif()
