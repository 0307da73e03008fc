# wine_tests.cmake - runs the cross-built tests under Wine, in a private prefix shared through a CTest fixture.
include(${CMAKE_CURRENT_LIST_DIR}/wine_loader.cmake)
if(KVN_WINE_SKIP_REASON)
    return()
endif()

# Every target made after this runs through Wine, both for test discovery at
# build time and under CTest.
set(CMAKE_CROSSCOMPILING_EMULATOR ${KVN_WINE_RUN})

# One Wine server for the whole run, started with its output detached;
# without it every test would wait seconds for Wine's helpers to let go of
# CTest's output pipe.
add_test(NAME wine.setup COMMAND ${KVN_WINE_RUN} --setup)
set_tests_properties(wine.setup PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
add_test(NAME wine.cleanup COMMAND ${KVN_WINE_RUN} --cleanup)
set_tests_properties(wine.cleanup PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)

set(KVN_TEST_PROPERTIES TIMEOUT 120 FIXTURES_REQUIRED wine)
