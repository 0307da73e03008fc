# package_tests.cmake - the Debian package, the Windows ZIP script and the changelog match the build.
add_test(NAME package.changelog_names_this_version
         COMMAND ${CMAKE_CURRENT_LIST_DIR}/check_changelog.sh ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_VERSION})
if(NOT WIN32)
    add_test(NAME package.deb_holds_the_expected_files
             COMMAND ${CMAKE_CURRENT_LIST_DIR}/check_deb.sh ${PROJECT_BINARY_DIR} ${CMAKE_CURRENT_BINARY_DIR}/deb-check
                     ${PROJECT_VERSION} $<IF:$<TARGET_EXISTS:kvnlink>,with-kvnlink,without-kvnlink>)
    set_tests_properties(package.deb_holds_the_expected_files PROPERTIES TIMEOUT 300)
    add_test(NAME package.windows_zip_script_layout
             COMMAND ${CMAKE_CURRENT_LIST_DIR}/check_zip_script.sh ${PROJECT_SOURCE_DIR}
                     ${CMAKE_CURRENT_BINARY_DIR}/zip-check ${PROJECT_VERSION})
    set_tests_properties(package.windows_zip_script_layout PROPERTIES TIMEOUT 120)
endif()
