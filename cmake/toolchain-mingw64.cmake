# toolchain-mingw64.cmake - cross build for 64-bit Windows with MinGW-w64 (posix threads).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KVN_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
