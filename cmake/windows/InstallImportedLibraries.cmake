# Run at install time: installs into CMAKE_INSTALL_PREFIX the libraries that
# `binaries` import, directly or through one another, found in
# `library_dirs` (read with `objdump`, the cross toolchain's). When the
# install strips, `strip` strips them and the `plugins` already installed
# (paths under the prefix). What none of the folders holds is Windows' own
# and is only named.
#
# CMake compares the names of Windows libraries in lower case, which a Linux
# folder does not: each library is looked up through a link of its name in
# lower case, in `lookup_dir`, and the real file is installed.
set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND ${objdump})

file(REMOVE_RECURSE ${lookup_dir})
file(MAKE_DIRECTORY ${lookup_dir})
foreach(folder ${library_dirs})
    file(GLOB libraries ${folder}/*.dll)
    foreach(library ${libraries})
        get_filename_component(name ${library} NAME)
        string(TOLOWER ${name} lower)
        if(NOT EXISTS ${lookup_dir}/${lower})
            file(CREATE_LINK ${library} ${lookup_dir}/${lower} SYMBOLIC)
        endif()
    endforeach()
endforeach()

file(GET_RUNTIME_DEPENDENCIES
    EXECUTABLES ${binaries}
    DIRECTORIES ${lookup_dir}
    PRE_EXCLUDE_REGEXES "^api-ms-" "^ext-ms-"
    RESOLVED_DEPENDENCIES_VAR found
    UNRESOLVED_DEPENDENCIES_VAR windows_own)
list(SORT windows_own)
message(STATUS "Left to Windows: ${windows_own}")
set(installed ${plugins})
foreach(link ${found})
    file(REAL_PATH ${link} library)
    file(INSTALL ${library} DESTINATION ${CMAKE_INSTALL_PREFIX})
    get_filename_component(name ${library} NAME)
    list(APPEND installed ${name})
endforeach()
if(CMAKE_INSTALL_DO_STRIP)
    foreach(library ${installed})
        execute_process(COMMAND ${strip} --strip-unneeded ${CMAKE_INSTALL_PREFIX}/${library}
                        COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
endif()
