# wine_loader.cmake - the one place that picks the Wine loader of a cross-built tree and
# decides whether that tree's test programs can run at all.
#
# Sets KVN_WINE_LOADER, KVN_WINE_PREFIX and KVN_WINE_RUN, and KVN_WINE_SKIP_REASON:
# empty when Wine can run this tree's programs, else why not.  The 32-bit
# loader comes with wine32:i386, which a Debian mirror can fail to deliver
# for hours; a tree without it still builds every program and checks its
# files, and registers each program that would have run as one skipped test.

set(KVN_WINE AUTO CACHE STRING "Run cross-built test programs under Wine: AUTO (when the loader is installed), ON or OFF")
set_property(CACHE KVN_WINE PROPERTY STRINGS AUTO ON OFF)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(KVN_WINE_LOADER /usr/lib/wine/wine64)
    set(kvn_wine_package wine64)
else()
    set(KVN_WINE_LOADER /usr/lib/wine/wine)
    set(kvn_wine_package wine32:i386)
endif()
set(KVN_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(KVN_WINE_RUN ${PROJECT_SOURCE_DIR}/cmake/wine_run.sh ${KVN_WINE_PREFIX} ${KVN_WINE_LOADER})

set(KVN_WINE_SKIP_REASON "")
if(NOT CMAKE_CROSSCOMPILING)
    # Native trees run their programs directly.
elseif(KVN_WINE STREQUAL "OFF")
    set(KVN_WINE_SKIP_REASON "running under Wine is switched off (KVN_WINE=OFF)")
elseif(NOT EXISTS ${KVN_WINE_LOADER})
    set(KVN_WINE_SKIP_REASON "${KVN_WINE_LOADER} is missing (package ${kvn_wine_package} not installed)")
    if(KVN_WINE STREQUAL "ON")
        message(FATAL_ERROR "KVN_WINE=ON but ${KVN_WINE_SKIP_REASON}")
    endif()
endif()
if(KVN_WINE_SKIP_REASON)
    message(WARNING "Test programs of this tree are built but not run: ${KVN_WINE_SKIP_REASON}")
endif()

# One skipped test standing for a program that could not run here; CTest
# counts it under "did not run" and prints the reason with the test's output.
function(kvn_skipped_test name reason)
    add_test(NAME ${name}.skipped COMMAND sh -c "echo \"skipped: $1\"; exit 77" sh "${reason}")
    set_tests_properties(${name}.skipped PROPERTIES SKIP_RETURN_CODE 77 LABELS skipped)
endfunction()
