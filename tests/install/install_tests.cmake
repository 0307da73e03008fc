# install_tests.cmake - the installed tree serves an outside project (find_package and pkg-config).
if(NOT WIN32)
    add_test(NAME install.outside_project_builds_and_runs
             COMMAND ${CMAKE_CURRENT_LIST_DIR}/check_install.sh ${PROJECT_BINARY_DIR}
                     ${CMAKE_CURRENT_BINARY_DIR}/install-check ${PROJECT_VERSION})
    set_tests_properties(install.outside_project_builds_and_runs PROPERTIES TIMEOUT 300)
endif()
