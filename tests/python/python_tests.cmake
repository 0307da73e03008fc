# python_tests.cmake - the Python package against the built library and kvnlink.
# Included in the plain native tree only: the interpreter cannot load a sanitized library.
find_package(Python3 COMPONENTS Interpreter)
if(NOT Python3_Interpreter_FOUND OR NOT TARGET kvnlink)
    return()
endif()
# The header's result texts, printed for the package's copy to be compared with.
add_executable(kvn_result_texts ${CMAKE_CURRENT_LIST_DIR}/result_texts.c)
target_include_directories(kvn_result_texts PRIVATE ${PROJECT_SOURCE_DIR}/include)
set_target_properties(kvn_result_texts PROPERTIES C_STANDARD 99 C_EXTENSIONS OFF)
target_compile_definitions(kvn_result_texts PRIVATE KVN_STATIC)
kvn_strict_warnings(kvn_result_texts)

set(kvn_python_environment
    KVN_LIBRARY=$<TARGET_FILE:kvn> KVNLINK=$<TARGET_FILE:kvnlink> KVN_RESULT_TEXTS=$<TARGET_FILE:kvn_result_texts>
    PYTHONPATH=${PROJECT_SOURCE_DIR}/python PYTHONDONTWRITEBYTECODE=1)
foreach(test game errors)
    add_test(NAME python.${test} COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/${test}_test.py)
    set_tests_properties(python.${test} PROPERTIES ENVIRONMENT "${kvn_python_environment}" TIMEOUT 120)
endforeach()
# The package's type hints, checked where Debian's mypy is installed (an
# optional package of the test command): a loud skip elsewhere.
find_program(KVN_MYPY mypy)
if(KVN_MYPY)
    add_test(NAME python.types COMMAND ${KVN_MYPY} --cache-dir ${CMAKE_CURRENT_BINARY_DIR}/mypy-cache
                                       ${PROJECT_SOURCE_DIR}/python/kvn)
    set_tests_properties(python.types PROPERTIES TIMEOUT 120)
else()
    add_test(NAME python.types COMMAND sh -c "echo 'SKIPPED: mypy is not installed'; exit 77")
    set_tests_properties(python.types PROPERTIES SKIP_RETURN_CODE 77)
endif()
add_test(NAME python.install_offline
         COMMAND ${CMAKE_CURRENT_LIST_DIR}/install_test.sh ${PROJECT_SOURCE_DIR}
                 ${CMAKE_CURRENT_BINARY_DIR}/python-install $<TARGET_FILE:kvn> ${PROJECT_VERSION})
set_tests_properties(python.install_offline PROPERTIES TIMEOUT 120)
