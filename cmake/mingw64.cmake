# Cross build for Windows with the MinGW-w64 win32-thread compilers: the
# posix runtime (winpthreads) imports functions that 9x, NT 4.0 and XP x64
# lack, and the meter has one thread. Tests run under Wine through the
# wrapper.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine/wine-run.sh)
# The oldest Windows the exe is for: Windows XP x64 and Server 2003 x64.
set(GAUGELET_WINDOWS_MAJOR 5)
set(GAUGELET_WINDOWS_MINOR 2)
