# packaging.cmake - CPack settings: the Debian package of the Linux build (`make package`).
#
# The package holds exactly what cmake/install.cmake installs.  Windows is not
# packaged from here: its ZIP needs the 64-bit and the 32-bit build trees at
# once, which one CMake tree cannot see; tools/make-windows-zip.sh assembles it
# from build/win64 and build/win32 and tests/package/check_windows_zip.sh checks it.
set(CPACK_PACKAGE_NAME kvn)
set(CPACK_PACKAGE_VENDOR "kvn developers")
set(CPACK_PACKAGE_CONTACT "kvn developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION "libkvn carries the seven draughts game messages (game request and accept,
move, game end, chat, back request and accept) between two host programs over
TCP (IPv4 or IPv6) or a null-modem serial cable, through eight C functions.
This package holds the shared library, its header kvn.h, the CMake package
(find_package(kvn), target kvn::kvn), kvn.pc for pkg-config, and the manual.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_SOURCE_IGNORE_FILES "/build/;/\\\\.git")
set(CPACK_STRIP_FILES ON) # the package ships no debug information

if(WIN32)
    set(CPACK_GENERATOR ZIP)
else()
    set(CPACK_GENERATOR DEB)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
# dpkg-shlibdeps works out the libc and libstdc++ versions the build needs, and
# the shlibs file plus the ldconfig trigger make the library a good citizen.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY "=")

include(CPack)
