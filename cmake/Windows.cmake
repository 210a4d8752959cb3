# Windows builds (i686 product, x86_64 for the tests under wine64).
enable_language(RC)

# The DLL may import only system DLLs: everything of the C and C++ runtime
# and of winpthreads is linked in.
set(CORVANE_STATIC_LINK -static -static-libgcc -static-libstdc++)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501)

# The toolchains are mingw's "win32" thread model: its runtime imports nothing
# newer than Windows 98 SE / NT 4.0 (the "posix" model's winpthreads brings
# GetTickCount64, vectored exception handlers, TryEnterCriticalSection...).
# That model has no std::mutex, so Boost.Regex takes its C++03 code, which
# links header-only only with its locking off: BOOST_DISABLE_THREADS.  That is
# safe here because the library starts no threads and every call runs on its
# caller's thread; all that two host threads calling at once share inside
# Boost.Regex is
#   - the block cache of the matcher: lock-free (std::atomic, which is
#     lock-free on both targets and imports nothing);
#   - the reference counts of its shared pointers: kept atomic by
#     BOOST_SP_ENABLE_THREADS (gcc's built-in atomics);
#   - the cache of character-class tables per locale (object_cache of
#     cpp_regex_traits), unsynchronised: it is written only when a locale is
#     first seen, and the library uses one locale only (its own copy of the
#     C++ runtime's global one, which nothing changes), whose tables the load
#     hook builds (corvane::PreparePatternTraits).  After load every call only
#     reads the cache.
target_compile_definitions(corvane_text PUBLIC BOOST_DISABLE_THREADS BOOST_SP_ENABLE_THREADS)

file(GLOB CORVANE_CORE_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/support/*.cpp
  ${CMAKE_SOURCE_DIR}/Config/*.cpp)
add_library(corvane_core STATIC ${CORVANE_CORE_SOURCES})
target_link_libraries(corvane_core PUBLIC corvane_text shell32 ole32 advapi32)
target_compile_options(corvane_core PRIVATE -Wall -Wextra)

add_library(CONFIG SHARED
  exports/Exports.cpp
  exports/DllMain.cpp
  exports/CONFIG.def
  exports/CONFIG.rc)
set_target_properties(CONFIG PROPERTIES PREFIX "" OUTPUT_NAME CONFIG
  IMPORT_PREFIX "lib" IMPORT_SUFFIX ".dll.a")
target_include_directories(CONFIG PUBLIC ${CMAKE_SOURCE_DIR}/include)
target_link_libraries(CONFIG PRIVATE corvane_core)
target_link_options(CONFIG PRIVATE ${CORVANE_STATIC_LINK} -Wl,--enable-stdcall-fixup $<$<CONFIG:Release>:-s>)

add_executable(corvane-config tools/corvane-config.cpp)
target_include_directories(corvane-config PRIVATE ${CMAKE_SOURCE_DIR}/include)
target_link_libraries(corvane-config PRIVATE corvane_core)
target_link_options(corvane-config PRIVATE ${CORVANE_STATIC_LINK})

# The export table and imports of the DLL are checked on every build kind; the
# shipped i686 DLL's and tool's imports against the allow-list of functions
# that Windows 98 SE and NT 4.0 export.
if(CORVANE_TESTS)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(CORVANE_IMPORT_CHECK ${CMAKE_SOURCE_DIR}/tests/data/imports-allowed.txt
      $<TARGET_FILE:corvane-config>)
  endif()
  add_test(NAME dll_exports
    COMMAND sh ${CMAKE_SOURCE_DIR}/tests/check_dll.sh ${CORVANE_OBJDUMP} $<TARGET_FILE:CONFIG>
      ${CORVANE_IMPORT_CHECK})
endif()

# Behavioural tests run the x86_64 build under wine64.
if(CORVANE_TESTS AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  include(cmake/WineTests.cmake)
endif()

# A benchmark of the folder-tree search; built only on request
# (--target find_files_bench), never run by the tests.
if(EXISTS ${CMAKE_SOURCE_DIR}/bench/win/find_files_bench.cpp)
  add_executable(find_files_bench EXCLUDE_FROM_ALL bench/win/find_files_bench.cpp)
  target_link_libraries(find_files_bench PRIVATE corvane_core)
  target_link_options(find_files_bench PRIVATE ${CORVANE_STATIC_LINK})
endif()

# The 32-bit check's program and test doubles (run under emulation by
# scripts/check-i686.sh), and the static check of run-time bindings.
if(CORVANE_TESTS)
  include(${CMAKE_SOURCE_DIR}/tests/i686/CMakeLists.txt)
endif()
