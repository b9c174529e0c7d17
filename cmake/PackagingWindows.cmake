# What a Windows user installs: the programs in one folder with the Qt
# libraries and plugins they load and the compiler's runtime, and nothing
# more; as an NSIS installer (Start menu entry, uninstaller, the licence) and
# as a zip of the same files.

install(TARGETS parvex parvex-cli parvex-station RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)

# Qt loads these at run time, so no program names them among its imports:
# the Windows platform, and the style that draws the window as Windows draws
# its own.
set(qt_bin_dir ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS})
set(qt_plugin_dir ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS})
set(qt_plugins platforms/qwindows.dll styles/qwindowsvistastyle.dll)
foreach(plugin ${qt_plugins})
    get_filename_component(folder ${plugin} DIRECTORY)
    install(FILES ${qt_plugin_dir}/${plugin} DESTINATION ${folder})
    list(APPEND plugin_files ${qt_plugin_dir}/${plugin})
endforeach()

# The libraries the programs and the plugins import, taken from the cached
# Qt and the compiler's runtime. The tests install the package under Wine
# without the cached Qt and run it, which fails when a library is missing.
foreach(runtime libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                    OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(runtime_dir ${runtime_path} DIRECTORY)
    list(APPEND library_dirs ${runtime_dir})
endforeach()
# The line's store: libpq, cross-built beside the Qt.
if(PARVEX_LIBPQ_PREFIX)
    list(APPEND library_dirs ${PARVEX_LIBPQ_PREFIX}/bin)
endif()
install(CODE "
    set(binaries \"$<TARGET_FILE:parvex>\" \"$<TARGET_FILE:parvex-cli>\"
        \"$<TARGET_FILE:parvex-station>\" ${plugin_files})
    set(plugins ${qt_plugins})
    set(library_dirs ${qt_bin_dir} ${library_dirs})
    set(lookup_dir \"${PROJECT_BINARY_DIR}/imported-libraries\")
    set(objdump \"${CMAKE_OBJDUMP}\")
    set(strip \"${CMAKE_STRIP}\")
    include(\"${PROJECT_SOURCE_DIR}/cmake/windows/InstallImportedLibraries.cmake\")
")

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_SYSTEM_NAME win64)
set(CPACK_PACKAGE_VENDOR Parvex)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Parvex)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# The Start menu entries: the windows, by their names.
set(CPACK_PACKAGE_EXECUTABLES parvex Parvex parvex-station "Parvex Station")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
# A 64-bit installer for 64-bit programs.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_DISPLAY_NAME "Parvex ${PROJECT_VERSION}")
set(CPACK_NSIS_PACKAGE_NAME "Parvex ${PROJECT_VERSION}")
set(CPACK_NSIS_INSTALLED_ICON_NAME parvex.exe)
set(CPACK_NSIS_CONTACT ${CPACK_PACKAGE_CONTACT})
