# Cross toolchain: 64-bit Windows (the build that the behavioural tests run under wine64).
# mingw's "win32" thread model, not "posix": the posix model's winpthreads
# imports functions Windows 98 SE and NT 4.0 lack (see cmake/Windows.cmake for
# what it means for Boost.Regex).  The x86_64 build, the one the tests run,
# uses the same model as the shipped i686 one.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CORVANE_OBJDUMP x86_64-w64-mingw32-objdump)
