# warnings.cmake - strict warnings for every target of the project (errors with KVN_WERROR).
function(kvn_strict_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion)
    if(KVN_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
