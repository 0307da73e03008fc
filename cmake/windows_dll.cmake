# windows_dll.cmake - kvn64.dll (x86-64) or kvn.dll (i686): pinned exports, version resource, import libraries.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(KVN_DLL_NAME kvn64)
else()
    set(KVN_DLL_NAME kvn)
endif()
set(KVN_DEF_FILE ${CMAKE_CURRENT_SOURCE_DIR}/api/${KVN_DLL_NAME}.def)

# The resource says KVN_DLL_FILE_VERSION (MAJOR.MINOR, fixed; see the top CMakeLists.txt), not the project version.
string(REPLACE "." "," KVN_DLL_FILE_VERSION_COMMAS "${KVN_DLL_FILE_VERSION}")
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/api/version.rc.in ${CMAKE_CURRENT_BINARY_DIR}/version.rc @ONLY)
target_sources(kvn PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/version.rc)

# The .def alone decides what leaves the DLL, and at which ordinal.
target_link_options(kvn PRIVATE ${KVN_DEF_FILE})
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
    target_link_options(kvn PRIVATE -Wl,--kill-at)
endif()
set_target_properties(kvn PROPERTIES
    OUTPUT_NAME ${KVN_DLL_NAME}
    PREFIX ""
    LINK_DEPENDS ${KVN_DEF_FILE}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# An import library for MSVC hosts beside MinGW's lib${KVN_DLL_NAME}.dll.a.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(kvn_kill_at "")
else()
    set(kvn_kill_at --kill-at)
endif()
set(kvn_import_libraries ${CMAKE_BINARY_DIR}/bin/${KVN_DLL_NAME}.lib)
if(kvn_kill_at)
    # The linker's own import library would offer the plain names, which
    # __stdcall callers (who ask for name@n) never find: rebuild it from the
    # .def, where the decorated names still stand.
    list(APPEND kvn_import_libraries ${CMAKE_BINARY_DIR}/bin/lib${KVN_DLL_NAME}.dll.a)
endif()
foreach(kvn_import_library IN LISTS kvn_import_libraries)
    add_custom_command(TARGET kvn POST_BUILD
        COMMAND ${KVN_DLLTOOL} --input-def ${KVN_DEF_FILE} --dllname ${KVN_DLL_NAME}.dll
                --output-lib ${kvn_import_library} ${kvn_kill_at}
        VERBATIM)
endforeach()
