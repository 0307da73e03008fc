# examples.cmake - builds the examples against the shared library and runs them as tests.
# Included from tests/CMakeLists.txt; the ports lie above those of the other suites.
# Both examples use the POSIX kvn_window; Windows hosts are notified through an HWND.
if(WIN32)
    return()
endif()
find_package(Threads REQUIRED)
add_executable(kvn_example_send_move ${CMAKE_CURRENT_LIST_DIR}/c/send_move.c)
target_link_libraries(kvn_example_send_move PRIVATE kvn Threads::Threads)
set_target_properties(kvn_example_send_move PROPERTIES C_STANDARD 99 C_EXTENSIONS OFF)
kvn_strict_warnings(kvn_example_send_move)
add_test(NAME examples.c_send_move COMMAND kvn_example_send_move 29201)
set_tests_properties(examples.c_send_move PROPERTIES ${KVN_TEST_PROPERTIES})

# A server and a client, two processes, play a short game through the events helper.
foreach(program game_server game_client)
    add_executable(kvn_example_${program} ${CMAKE_CURRENT_LIST_DIR}/c/${program}.c)
    target_link_libraries(kvn_example_${program} PRIVATE kvn Threads::Threads)
    target_compile_definitions(kvn_example_${program} PRIVATE _POSIX_C_SOURCE=200809L)
    set_target_properties(kvn_example_${program} PROPERTIES C_STANDARD 99 C_EXTENSIONS OFF)
    kvn_strict_warnings(kvn_example_${program})
endforeach()
add_test(NAME examples.c_game
         COMMAND ${CMAKE_CURRENT_LIST_DIR}/c/run_game.sh 29203 $<TARGET_FILE:kvn_example_game_server>
                 $<TARGET_FILE:kvn_example_game_client>)
set_tests_properties(examples.c_game PROPERTIES ${KVN_TEST_PROPERTIES})

if(EXISTS /usr/bin/python3)
    # The same game, the client's side played by the Python package.
    add_test(NAME examples.python_game
             COMMAND ${CMAKE_COMMAND} -E env PYTHONPATH=${PROJECT_SOURCE_DIR}/python KVN_LIBRARY=$<TARGET_FILE:kvn>
                     ${CMAKE_CURRENT_LIST_DIR}/c/run_game.sh 29204 $<TARGET_FILE:kvn_example_game_server>
                     /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/python/game_client.py)
    set_tests_properties(examples.python_game PROPERTIES ${KVN_TEST_PROPERTIES})

    add_test(NAME examples.python_send_move
             COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/python/send_move.py $<TARGET_FILE:kvn> 29202)
    set_tests_properties(examples.python_send_move PROPERTIES ${KVN_TEST_PROPERTIES})
endif()
