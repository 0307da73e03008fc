# install.cmake - what `cmake --install` puts where: header, library, CMake package and kvn.pc.
#
# Every file belongs to one component, and each component becomes one Debian
# package (cmake/packaging.cmake): runtime -> libkvn1, dev -> libkvn-dev,
# tool -> kvnlink, python -> python3-kvn.
# On Debian the library goes into the multiarch directory (lib/x86_64-linux-gnu),
# as the system's own libraries do; elsewhere GNUInstallDirs decides.
if(NOT WIN32 AND NOT DEFINED CMAKE_INSTALL_LIBDIR AND CMAKE_LIBRARY_ARCHITECTURE AND EXISTS /etc/debian_version)
    set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE} CACHE PATH "Object code libraries (multiarch)")
endif()
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KVN_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kvn)
# Each package's documents live in its own folder under share/doc, as Debian wants.
set(KVN_DOC_ROOT ${CMAKE_INSTALL_DATAROOTDIR}/doc)

install(TARGETS kvn EXPORT kvnTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/include/kvn.h ${PROJECT_SOURCE_DIR}/include/kvn_events.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
if(NOT WIN32)
    # The same objects as a static archive, for hosts that link everything in
    # (add -pthread, or use `pkg-config --static kvn`).
    install(FILES $<TARGET_FILE:kvn_archive> DESTINATION ${CMAKE_INSTALL_LIBDIR} RENAME libkvn.a COMPONENT dev)
endif()
if(TARGET kvnlink)
    install(TARGETS kvnlink RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
    if(NOT WIN32)
        # An installed kvnlink finds the libkvn installed beside it, whatever the prefix.
        file(RELATIVE_PATH KVN_BIN_TO_LIB "/root/${CMAKE_INSTALL_BINDIR}" "/root/${CMAKE_INSTALL_LIBDIR}")
        set_target_properties(kvnlink PROPERTIES INSTALL_RPATH "$ORIGIN/${KVN_BIN_TO_LIB}")
    endif()
endif()

install(EXPORT kvnTargets NAMESPACE kvn:: DESTINATION ${KVN_CMAKE_DIR} COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/kvnConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/kvnConfig.cmake
                              INSTALL_DESTINATION ${KVN_CMAKE_DIR})
# The record layout and the eight signatures hold within one major version.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kvnConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/kvnConfig.cmake ${PROJECT_BINARY_DIR}/kvnConfigVersion.cmake
        DESTINATION ${KVN_CMAKE_DIR} COMPONENT dev)

# kvn.pc finds its prefix from its own place, so that `cmake --install --prefix`
# and a package that lands in /usr both give working paths.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
    set(KVN_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
    file(RELATIVE_PATH KVN_PC_UP "/root/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/root")
    string(REGEX REPLACE "/$" "" KVN_PC_UP "${KVN_PC_UP}")
    set(KVN_PC_PREFIX "\${pcfiledir}/${KVN_PC_UP}")
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    set(KVN_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
else()
    set(KVN_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
    set(KVN_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
else()
    set(KVN_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/kvn.pc.in ${PROJECT_BINARY_DIR}/kvn.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kvn.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

# The host programmer's manual travels with the header, laid out as in the
# source tree so that its links work where it is installed: README.md,
# docs/, examples/, and include/kvn.h (a link to the installed header).
set(KVN_MANUAL_DIR ${KVN_DOC_ROOT}/libkvn-dev)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md
        DESTINATION ${KVN_MANUAL_DIR} COMPONENT dev)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${KVN_MANUAL_DIR}/docs COMPONENT dev
        FILES_MATCHING PATTERN "*.md" PATTERN "*.png") # the pictures the pages show
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${KVN_MANUAL_DIR}/examples COMPONENT dev
        FILES_MATCHING PATTERN "*.c" PATTERN "*.h" PATTERN "*.py" PATTERN "*.sh" PATTERN "*.md")
file(RELATIVE_PATH KVN_DOC_TO_INCLUDE "/root/${KVN_MANUAL_DIR}/include" "/root/${CMAKE_INSTALL_INCLUDEDIR}")
install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${KVN_MANUAL_DIR}/include\")
    foreach(header kvn.h kvn_events.h)
        file(CREATE_LINK ${KVN_DOC_TO_INCLUDE}/\${header}
             \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${KVN_MANUAL_DIR}/include/\${header}\" SYMBOLIC)
    endforeach()"
    COMPONENT dev)


# The Python package, for the system's python3 (as Debian's python3-* packages install it).
if(NOT WIN32 AND EXISTS ${PROJECT_SOURCE_DIR}/python/kvn/__init__.py)
    set(KVN_PYTHON_DIR lib/python3/dist-packages CACHE PATH "Where the Python package is installed")
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/kvn DESTINATION ${KVN_PYTHON_DIR} COMPONENT python
            FILES_MATCHING PATTERN "*.py" PATTERN "py.typed" PATTERN "__pycache__" EXCLUDE)
endif()
