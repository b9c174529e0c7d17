# Installing the programs: on Linux like any other desktop program, and a
# .deb of them; on Windows an installer and a zip (PackagingWindows.cmake).
set(CPACK_PACKAGE_NAME parvex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "configuration tool for Bluetooth serial-port modules")
set(CPACK_PACKAGE_DESCRIPTION
    "Parvex reads every setting of a Bluetooth serial-port module wired to a
serial port into one window: baud rate, security and password, sniff and
park parameters, device name, class of device, master or slave role, page
and inquiry scan and bind setting. Only the settings the operator changed
are written back. It can also find the module's baud rate by itself, fill
in the factory values and make the module forget its bound address.
.
parvex-cli does the same from scripts, on many ports at once: it reads
every setting to a table or JSON, writes given settings or a whole
profile and checks each write by reading it back.
.
parvex-station runs a production station in a window: a tile per fixture
with PASS or FAIL in large letters, the counts of the shift, and a store
shared by the stations of a line.")
set(CPACK_PACKAGE_CONTACT "Parvex maintainers <maintainers@parvex.invalid>")
set(CPACK_STRIP_FILES ON)
if(WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/PackagingWindows.cmake)
    include(CPack)
    return()
endif()

include(GNUInstallDirs)

set(PARVEX_APPSTREAM_ID invalid.parvex.parvex)
set(PARVEX_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/parvex)

install(TARGETS parvex parvex-cli parvex-station RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(CMAKE_OBJCOPY)
    # A stripped install also drops the compiler's notes, as Debian's own
    # packages do.
    foreach(program parvex parvex-cli parvex-station)
        install(CODE "
            if(CMAKE_INSTALL_DO_STRIP)
                execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                    --remove-section=.note
                    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\"
                    COMMAND_ERROR_IS_FATAL ANY)
            endif()")
    endforeach()
endif()
# Each window program with its desktop entry, icon and AppStream entry.
foreach(program parvex parvex-station)
    install(FILES ${PROJECT_SOURCE_DIR}/data/${program}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/data/${program}.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/data/parvex.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        RENAME ${PARVEX_APPSTREAM_ID}.metainfo.xml)
install(FILES ${PROJECT_SOURCE_DIR}/data/parvex-station.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        RENAME invalid.parvex.station.metainfo.xml)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${PARVEX_DOC_DIR})

# Debian keeps manual pages and changelogs compressed; -n leaves the time
# stamp out, so the same sources give the same bytes.
function(parvex_gzip source output)
    add_custom_command(
        OUTPUT ${output}
        COMMAND gzip -9n -c ${source} > ${output}
        DEPENDS ${source}
        VERBATIM)
endfunction()
set(man_page ${PROJECT_BINARY_DIR}/parvex.1.gz)
set(cli_man_page ${PROJECT_BINARY_DIR}/parvex-cli.1.gz)
set(station_man_page ${PROJECT_BINARY_DIR}/parvex-station.1.gz)
# The version without a Debian revision makes this a native package, whose
# changelog is changelog.gz.
set(changelog ${PROJECT_BINARY_DIR}/changelog.gz)
parvex_gzip(${PROJECT_SOURCE_DIR}/data/parvex.1 ${man_page})
parvex_gzip(${PROJECT_SOURCE_DIR}/data/parvex-cli.1 ${cli_man_page})
parvex_gzip(${PROJECT_SOURCE_DIR}/data/parvex-station.1 ${station_man_page})
parvex_gzip(${PROJECT_SOURCE_DIR}/packaging/changelog ${changelog})
add_custom_target(compressed_docs ALL DEPENDS ${man_page} ${cli_man_page} ${station_man_page}
                                             ${changelog})
install(FILES ${man_page} ${cli_man_page} ${station_man_page}
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${changelog} DESTINATION ${PARVEX_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/parvex-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME parvex-cli)

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The Qt libraries the program links, as the system's shared-library
# dependencies find them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# 0644 for control files and 0755 for scripts, as Debian's tools make them.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
