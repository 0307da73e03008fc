# packaging.cmake - CPack settings: the Debian packages of the Linux build (`make package`).
#
# One package per install component (cmake/install.cmake), named as Debian
# names a C library's packages:
#   libkvn1      the shared library, in the multiarch directory
#   libkvn-dev   header, the .so link, the static archive, the CMake package, kvn.pc, the manual
#   kvnlink      the command-line peer and its man page
#   python3-kvn  the Python package
# Windows is not packaged from here: its ZIP needs the 64-bit and the 32-bit
# build trees at once, which one CMake tree cannot see; tools/make-windows-zip.sh
# assembles it from build/win64 and build/win32 (`make package-windows`).
set(CPACK_PACKAGE_NAME kvn)
set(CPACK_PACKAGE_VENDOR "kvn developers")
# A placeholder address (.invalid) until the project has a mailing list.
set(CPACK_PACKAGE_CONTACT "kvn developers <maintainers@kvn.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_SOURCE_IGNORE_FILES "/build/;/\\\\.git")
set(CPACK_STRIP_FILES ON) # the packages ship no debug information

if(WIN32)
    # `cmake --build build/win64 --target windows-zip` (make package-windows):
    # the ZIP of both DLLs from this tree and the 32-bit one, then its check.
    # The 32-bit tree is built on its own beforehand.
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(KVN_WIN32_TREE ${PROJECT_BINARY_DIR}/../win32 CACHE PATH "The 32-bit Windows tree the ZIP takes kvn.dll from")
        set(KVN_WINDOWS_ZIP_DIR ${PROJECT_BINARY_DIR}/.. CACHE PATH "Where the Windows ZIP is written")
        set(kvn_zip ${KVN_WINDOWS_ZIP_DIR}/kvn-${PROJECT_VERSION}-windows.zip)
        add_custom_target(windows-zip
            COMMAND ${PROJECT_SOURCE_DIR}/tools/make-windows-zip.sh ${PROJECT_BINARY_DIR} ${KVN_WIN32_TREE}
                    ${KVN_WINDOWS_ZIP_DIR} ${PROJECT_VERSION}
            COMMAND ${PROJECT_SOURCE_DIR}/tests/package/check_windows_zip.sh ${kvn_zip} ${PROJECT_VERSION}
            COMMENT "The Windows ZIP ${kvn_zip}" VERBATIM USES_TERMINAL)
        add_dependencies(windows-zip kvn)
        if(TARGET kvnlink)
            add_dependencies(windows-zip kvnlink)
        endif()
    endif()
    set(CPACK_GENERATOR ZIP)
    include(CPack)
    return()
endif()
set(CPACK_GENERATOR DEB)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev)
if(TARGET kvnlink)
    list(APPEND CPACK_COMPONENTS_ALL tool)
endif()
if(KVN_PYTHON_DIR)
    list(APPEND CPACK_COMPONENTS_ALL python)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Descriptions: the first line is the synopsis; CPack indents the rest and
# turns an empty line into the paragraph mark.
set(kvn_about "kvn carries the seven draughts game messages (game request and accept,
move, game end, chat, back request and accept) between two host programs
over TCP (IPv4 or IPv6) or a null-modem serial cable, through eight C
functions.")
set(kvn_exact "(= ${PROJECT_VERSION})")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libkvn${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "${kvn_about}\n\nThis package holds the shared library.")
# dpkg-shlibdeps works out the libc and libstdc++ versions; the shlibs file
# and the ldconfig trigger make the library a good citizen.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY "=")
file(WRITE ${PROJECT_BINARY_DIR}/package-docs/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/package-docs/triggers)

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libkvn-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libkvn${PROJECT_VERSION_MAJOR} ${kvn_exact}")
set(CPACK_DEBIAN_DEV_DESCRIPTION "${kvn_about}\n\nThis package holds the header kvn.h, the static library, the CMake\npackage (find_package(kvn), target kvn::kvn), kvn.pc for pkg-config,\nand the host programmer's manual with examples.")

set(CPACK_DEBIAN_TOOL_PACKAGE_NAME kvnlink)
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOL_PACKAGE_SHLIBDEPS ON)
# libkvn is found in this build tree; its own package supplies the dependency.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/src)
set(CPACK_DEBIAN_TOOL_PACKAGE_DEPENDS "libkvn${PROJECT_VERSION_MAJOR} ${kvn_exact}")
set(CPACK_DEBIAN_TOOL_DESCRIPTION "${kvn_about}\n\nkvnlink is a peer to test a draughts program against: it listens or\nconnects, sends what you type and prints what arrives.")

set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-kvn)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3:any, libkvn${PROJECT_VERSION_MAJOR} (>= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_PYTHON_DESCRIPTION "${kvn_about}\n\nThis package holds the Python package kvn, over ctypes.")

# Every package carries its copyright file and a changelog in /usr/share/doc/<package>.
set(kvn_pkg_docs ${PROJECT_BINARY_DIR}/package-docs)
file(MAKE_DIRECTORY ${kvn_pkg_docs})
string(TIMESTAMP kvn_pkg_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${kvn_pkg_docs}/changelog
"kvn (${PROJECT_VERSION}) unstable; urgency=medium

  * Release ${PROJECT_VERSION}; see CHANGELOG.md of libkvn-dev for the changes.

 -- ${CPACK_PACKAGE_CONTACT}  ${kvn_pkg_date}
")
find_program(KVN_GZIP gzip)
if(KVN_GZIP)
    execute_process(COMMAND ${KVN_GZIP} -9nf ${kvn_pkg_docs}/changelog)
endif()
# Man pages go in compressed, as Debian wants them.
if(KVN_GZIP AND TARGET kvnlink)
    configure_file(${PROJECT_SOURCE_DIR}/tools/kvnlink/kvnlink.1 ${kvn_pkg_docs}/kvnlink.1 COPYONLY)
    execute_process(COMMAND ${KVN_GZIP} -9nf ${kvn_pkg_docs}/kvnlink.1)
endif()
if(TARGET kvnlink)
    if(KVN_GZIP)
        install(FILES ${kvn_pkg_docs}/kvnlink.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tool)
    else()
        install(FILES ${PROJECT_SOURCE_DIR}/tools/kvnlink/kvnlink.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tool)
    endif()
endif()
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
    string(TOUPPER ${component} upper)
    set(doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
    install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian-copyright DESTINATION ${doc_dir} RENAME copyright
            COMPONENT ${component})
    install(FILES ${kvn_pkg_docs}/changelog.gz DESTINATION ${doc_dir} COMPONENT ${component} OPTIONAL)
endforeach()

include(CPack)

# `cmake --build build/native --target debian-packages` (make package): the
# Debian packages, next to CPackConfig.cmake, after building only what they
# hold (not the tests or the benchmarks, which CPack's own `package` target
# would build first).
add_custom_target(debian-packages
    COMMAND ${CMAKE_CPACK_COMMAND} --config ${PROJECT_BINARY_DIR}/CPackConfig.cmake -G DEB
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR} VERBATIM USES_TERMINAL)
add_dependencies(debian-packages kvn kvn_archive)
if(TARGET kvnlink)
    add_dependencies(debian-packages kvnlink)
endif()
