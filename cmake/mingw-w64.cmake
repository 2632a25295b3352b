# Cross-compiling the Windows program with mingw-w64 (Debian's
# g++-mingw-w64-x86-64-posix). The program is linked statically, so the exe
# needs no DLL beyond those of Windows itself.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZENTRO_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZENTRO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZENTRO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZENTRO_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZENTRO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
