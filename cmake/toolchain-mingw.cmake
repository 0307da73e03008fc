# toolchain-mingw.cmake - what both Windows cross builds share; the two
# toolchain files set KVN_MINGW_TRIPLE and the processor, then include this.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${KVN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KVN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KVN_MINGW_TRIPLE}-windres)
set(KVN_DLLTOOL ${KVN_MINGW_TRIPLE}-dlltool)
set(KVN_OBJDUMP ${KVN_MINGW_TRIPLE}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${KVN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtimes go into every binary, so the DLL and the tests import system DLLs only.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
