# install.cmake - what `cmake --install` puts where: header, library, CMake package and kvn.pc.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KVN_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kvn)

# The static archive serves the tests only and is not installed.
install(TARGETS kvn EXPORT kvnTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/kvn.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(TARGET kvnlink)
    install(TARGETS kvnlink RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    if(NOT WIN32)
        # An installed kvnlink finds the libkvn installed beside it, whatever the prefix.
        file(RELATIVE_PATH KVN_BIN_TO_LIB "/root/${CMAKE_INSTALL_BINDIR}" "/root/${CMAKE_INSTALL_LIBDIR}")
        set_target_properties(kvnlink PROPERTIES INSTALL_RPATH "$ORIGIN/${KVN_BIN_TO_LIB}")
    endif()
endif()

install(EXPORT kvnTargets NAMESPACE kvn:: DESTINATION ${KVN_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/kvnConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/kvnConfig.cmake
                              INSTALL_DESTINATION ${KVN_CMAKE_DIR})
# The record layout and the eight signatures hold within one major version.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kvnConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/kvnConfig.cmake ${PROJECT_BINARY_DIR}/kvnConfigVersion.cmake
        DESTINATION ${KVN_CMAKE_DIR})

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
install(FILES ${PROJECT_BINARY_DIR}/kvn.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The host programmer's manual travels with the library.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md
              ${PROJECT_SOURCE_DIR}/docs/api.md ${PROJECT_SOURCE_DIR}/docs/protocol.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/examples/c/send_move.c DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples/c)
install(FILES ${PROJECT_SOURCE_DIR}/examples/python/send_move.py DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples/python)
