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

# SQLite, for Thunderbird's address books: the public-domain amalgamation
# that scripts/setup.sh fetches (pinned there) into the user's cache.  Built
# without an operating-system layer of its own (support/SqliteSystem.cpp
# answers the little it asks), single-threaded, without extensions, dates,
# WAL, shared cache or temporary files: all it does is read an address book
# from memory, and it imports nothing from Windows.  Its own warnings are
# not the project's: they never fail the build.
set(CORVANE_SQLITE_VERSION 3.50.4)
set(CORVANE_SQLITE_DIR "$ENV{HOME}/.cache/corvane/sqlite-${CORVANE_SQLITE_VERSION}" CACHE PATH
  "folder holding the SQLite ${CORVANE_SQLITE_VERSION} amalgamation (sqlite3.c, sqlite3.h)")
if(NOT EXISTS ${CORVANE_SQLITE_DIR}/sqlite3.c OR NOT EXISTS ${CORVANE_SQLITE_DIR}/sqlite3.h)
  message(FATAL_ERROR "SQLite amalgamation not found in ${CORVANE_SQLITE_DIR}: run scripts/setup.sh "
    "or set CORVANE_SQLITE_DIR")
endif()
add_library(corvane_sqlite OBJECT ${CORVANE_SQLITE_DIR}/sqlite3.c)
target_include_directories(corvane_sqlite SYSTEM PUBLIC ${CORVANE_SQLITE_DIR})
target_compile_definitions(corvane_sqlite PRIVATE
  SQLITE_OS_OTHER=1 SQLITE_THREADSAFE=0 SQLITE_TEMP_STORE=3 SQLITE_DEFAULT_MEMSTATUS=0
  SQLITE_OMIT_LOAD_EXTENSION SQLITE_OMIT_DATETIME_FUNCS SQLITE_OMIT_WAL
  SQLITE_OMIT_SHARED_CACHE SQLITE_OMIT_DEPRECATED SQLITE_OMIT_PROGRESS_CALLBACK
  SQLITE_OMIT_AUTHORIZATION SQLITE_OMIT_TRACE SQLITE_DQS=0 SQLITE_MAX_MMAP_SIZE=0)
target_compile_options(corvane_sqlite PRIVATE -w -g
  -ffile-prefix-map=${CORVANE_SQLITE_DIR}=sqlite)
set_target_properties(corvane_sqlite PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
target_link_libraries(corvane_core PUBLIC corvane_sqlite)

# The version resources of the DLL and the tool take the project version.
configure_file(${CMAKE_SOURCE_DIR}/cmake/corvane_version.h.in
  ${CMAKE_BINARY_DIR}/generated/corvane_version.h @ONLY)

# Reproducible output: no time stamp in the PE header, no build paths in the
# debug information (whose checksum the stripped binary's debug link holds).
set(CORVANE_REPRODUCIBLE_LINK -Wl,--no-insert-timestamp)
foreach(target corvane_text corvane_core)
  target_compile_options(${target} PRIVATE -g
    -ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
endforeach()

# CONFIG.def, the module definition file (names at their ordinals), written
# from the one list of the exports, exports/ExportList.h: its lines
# "X(ordinal, name, client, operation)".  Rewritten only when it changes.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/exports/ExportList.h)
file(READ ${CMAKE_SOURCE_DIR}/exports/ExportList.h corvane_export_list)
string(REGEX MATCHALL "\n *X\\([0-9]+, *[A-Za-z0-9]+," corvane_export_lines
  "${corvane_export_list}")
set(CORVANE_DEF ${CMAKE_BINARY_DIR}/generated/CONFIG.def)
set(corvane_def_text "LIBRARY CONFIG\nEXPORTS\n")
set(corvane_seen)
foreach(line IN LISTS corvane_export_lines)
  string(REGEX REPLACE "^\n *X\\(([0-9]+), *([A-Za-z0-9]+),$" "\\1;\\2" entry "${line}")
  list(GET entry 0 ordinal)
  list(GET entry 1 name)
  if("@${ordinal}" IN_LIST corvane_seen OR name IN_LIST corvane_seen)
    message(FATAL_ERROR "exports/ExportList.h: ${name} @${ordinal} given twice")
  endif()
  list(APPEND corvane_seen "@${ordinal}" ${name})
  string(LENGTH "${name}" length)
  math(EXPR pad "30 - ${length}")
  string(REPEAT " " ${pad} blanks)
  string(APPEND corvane_def_text "  ${name}${blanks}@${ordinal}\n")
endforeach()
file(CONFIGURE OUTPUT ${CORVANE_DEF} CONTENT "${corvane_def_text}" @ONLY)

add_library(CONFIG SHARED
  exports/Exports.cpp
  exports/DllMain.cpp
  ${CORVANE_DEF}
  exports/CONFIG.rc)
set_target_properties(CONFIG PROPERTIES PREFIX "" OUTPUT_NAME CONFIG
  IMPORT_PREFIX "lib" IMPORT_SUFFIX ".dll.a")
target_include_directories(CONFIG PUBLIC ${CMAKE_SOURCE_DIR}/include)
target_include_directories(CONFIG PRIVATE ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(CONFIG PRIVATE corvane_core)
target_link_options(CONFIG PRIVATE ${CORVANE_STATIC_LINK} ${CORVANE_REPRODUCIBLE_LINK}
  -Wl,--enable-stdcall-fixup)

add_executable(corvane-config tools/corvane-config.cpp tools/corvane-config.rc)
target_include_directories(corvane-config PRIVATE ${CMAKE_SOURCE_DIR}/include
  ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(corvane-config PRIVATE corvane_core)
target_link_options(corvane-config PRIVATE ${CORVANE_STATIC_LINK} ${CORVANE_REPRODUCIBLE_LINK})

# --version: the tool's version when it has no version resource of its own.
target_compile_definitions(corvane-config PRIVATE CORVANE_TOOL_VERSION="${PROJECT_VERSION}")
target_link_libraries(corvane-config PRIVATE version)

# The DLL and the tool are stripped after the link; their debug information
# goes to CONFIG.dll.debug and corvane-config.exe.debug beside them, named by
# a debug link (.gnu_debuglink) in the stripped file.
foreach(target CONFIG corvane-config)
  target_compile_options(${target} PRIVATE -g
    -ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
  # objcopy and strip write the time into the PE header they rewrite unless
  # SOURCE_DATE_EPOCH names one: 0, as the linker leaves it.
  set(fixed_time ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${fixed_time} ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE_NAME:${target}>
      $<TARGET_FILE_NAME:${target}>.debug
    COMMAND ${fixed_time} ${CMAKE_STRIP} --strip-all $<TARGET_FILE_NAME:${target}>
    COMMAND ${fixed_time} ${CMAKE_OBJCOPY}
      --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug $<TARGET_FILE_NAME:${target}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}> VERBATIM)
endforeach()

# CONFIG.lib, the import library for MSVC-style linkers, made from CONFIG.def
# (llvm-dlltool decorates the i386 cdecl names as such linkers expect:
# _SetOpera, __imp__SetOpera, importing "SetOpera").
find_program(CORVANE_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 DOC "llvm-dlltool (Debian: llvm)")
if(NOT CORVANE_DLLTOOL)
  message(FATAL_ERROR "llvm-dlltool not found (install the Debian package llvm)")
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(CORVANE_DLLTOOL_MACHINE i386)
else()
  set(CORVANE_DLLTOOL_MACHINE i386:x86-64)
endif()
set(CORVANE_MSVC_IMPLIB ${CMAKE_BINARY_DIR}/lib/CONFIG.lib)
add_custom_command(OUTPUT ${CORVANE_MSVC_IMPLIB}
  COMMAND ${CORVANE_DLLTOOL} -m ${CORVANE_DLLTOOL_MACHINE} -D CONFIG.dll
    -d ${CORVANE_DEF} -l ${CORVANE_MSVC_IMPLIB}
  DEPENDS ${CORVANE_DEF} VERBATIM)
add_custom_target(config_msvc_implib ALL DEPENDS ${CORVANE_MSVC_IMPLIB})

# A plain C host program linked through the import library and the header
# (run under wine64 by the x86_64 build's tests; the i686 build links it, and
# tests/host/link_host.sh links it once more with an MSVC-style linker).
add_executable(header_host ${CMAKE_SOURCE_DIR}/tests/host/header_host.c)
target_link_libraries(header_host PRIVATE CONFIG)
target_link_options(header_host PRIVATE ${CORVANE_STATIC_LINK})

# The package for host developers: cmake --install, or the zip
# (cmake --build --preset win32 --target package).
install(TARGETS CONFIG RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
install(TARGETS corvane-config RUNTIME DESTINATION bin)
install(FILES $<TARGET_FILE:CONFIG>.debug $<TARGET_FILE:corvane-config>.debug DESTINATION bin)
install(FILES ${CORVANE_MSVC_IMPLIB} ${CORVANE_DEF} DESTINATION lib)
install(FILES ${CMAKE_SOURCE_DIR}/include/corvane_config.h DESTINATION include)
install(FILES ${CMAKE_SOURCE_DIR}/exports/HOST-README.md DESTINATION . RENAME README.md)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME CONFIG)
set(CPACK_SYSTEM_NAME ${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
include(CPack)

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
      ${CORVANE_DEF} ${CORVANE_IMPORT_CHECK})
endif()

# The host program linked against CONFIG.lib with an MSVC-style linker (i686:
# linked, not run), and the mingw link's imports.
if(CORVANE_TESTS AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  find_program(CORVANE_CLANG NAMES clang clang-14)
  find_program(CORVANE_LLD_LINK NAMES lld-link lld-link-14 DOC "lld-link (Debian: lld)")
  add_test(NAME msvc_link COMMAND sh ${CMAKE_SOURCE_DIR}/tests/host/link_host.sh
    ${CORVANE_CLANG} ${CORVANE_LLD_LINK} ${CORVANE_DLLTOOL} ${CORVANE_OBJDUMP}
    ${CMAKE_SOURCE_DIR} ${CORVANE_MSVC_IMPLIB} $<TARGET_FILE:header_host>
    ${CMAKE_BINARY_DIR}/msvc-link)
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
