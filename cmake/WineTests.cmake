# Behavioural tests: x86_64 programs run by ctest through wine64, in a Wine
# prefix that lives inside the build tree.
find_program(CORVANE_WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(CORVANE_WINE64 wine64)
if(NOT CORVANE_WINE64)
  message(FATAL_ERROR "wine64 not found (install the Debian package wine64)")
endif()
get_filename_component(CORVANE_WINE_DIR ${CORVANE_WINE64} DIRECTORY)
set(CORVANE_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(CORVANE_WINESERVER ${CORVANE_WINE_DIR}/wineserver64)
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE
  @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
if(NOT CORVANE_GTEST_SOURCE_DIR)
  message(FATAL_ERROR "GoogleTest sources not found: set CORVANE_GTEST_SOURCE_DIR, or CORVANE_TESTS=OFF")
endif()
add_subdirectory(${CORVANE_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own warnings are not the project's to fix.
set_target_properties(gtest gtest_main PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
# mingw's win32 thread model has no std::mutex, which GoogleTest's
# Notification uses: it gets one on Win32 events instead.
target_compile_options(gtest PUBLIC
  $<$<COMPILE_LANGUAGE:CXX>:SHELL:-include ${CMAKE_SOURCE_DIR}/tests/win/support/GtestNotification.h>)

file(GLOB CORVANE_WINTEST_SUPPORT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/support/*.cpp)
add_library(wintest_support STATIC ${CORVANE_WINTEST_SUPPORT})
target_include_directories(wintest_support PUBLIC ${CMAKE_SOURCE_DIR}/tests/win/support ${CMAKE_SOURCE_DIR}/include)
target_link_libraries(wintest_support PUBLIC corvane_core GTest::gtest advapi32 shlwapi)

# Test doubles of system libraries (each folder builds its own DLLs).
file(GLOB CORVANE_DOUBLES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/doubles/*/CMakeLists.txt)
foreach(doubles_list ${CORVANE_DOUBLES})
  get_filename_component(doubles_dir ${doubles_list} DIRECTORY)
  add_subdirectory(${doubles_dir})
endforeach()

# One Wine prefix for all tests; it is created once, before any test runs.
add_test(NAME wine_prefix COMMAND ${CMAKE_BINARY_DIR}/wine-run.sh --init)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)

# Every tests/win/*_test.cpp is one test program.  They share the prefix's
# registry and profile folders, so they run one at a time.
file(GLOB CORVANE_WINE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*_test.cpp)
foreach(test_source ${CORVANE_WINE_TESTS})
  get_filename_component(test_name ${test_source} NAME_WE)
  add_executable(${test_name} ${test_source})
  target_link_libraries(${test_name} PRIVATE wintest_support GTest::gtest_main)
  target_link_options(${test_name} PRIVATE ${CORVANE_STATIC_LINK})
  target_compile_definitions(${test_name} PRIVATE
    CORVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}" CORVANE_FIXTURES_DIR="${CMAKE_SOURCE_DIR}/tests/data")
  add_dependencies(${test_name} CONFIG corvane-config)
  add_test(NAME ${test_name} COMMAND ${test_name})
  set_tests_properties(${test_name} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix TIMEOUT 600)
endforeach()

# The plain C host program linked through libCONFIG.dll.a (cmake/Windows.cmake,
# made before the emulator was set).
set_target_properties(header_host PROPERTIES CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
add_test(NAME header_host COMMAND header_host)
set_tests_properties(header_host PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix)

# The cases: every tests/data/cases/*.case is one test, run by one program
# beside CONFIG.dll and the address-book double that stands in for mapi32.
add_executable(cases ${CMAKE_SOURCE_DIR}/tests/win/cases.cpp ${CMAKE_SOURCE_DIR}/tests/win/support/ImportSlot.cpp)
set_target_properties(cases PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/mapi-bed)
target_include_directories(cases PRIVATE ${CMAKE_SOURCE_DIR}/tests/win/support)
target_compile_options(cases PRIVATE -Wall -Wextra)
target_link_libraries(cases PRIVATE shlwapi shell32 advapi32 ole32)
target_link_options(cases PRIVATE ${CORVANE_STATIC_LINK})
add_dependencies(cases mapi_bed_config mapi32_double wab_double)
file(GLOB CORVANE_CASES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/data/cases/*.case)
foreach(case_file ${CORVANE_CASES})
  get_filename_component(case_name ${case_file} NAME_WE)
  add_test(NAME case_${case_name} COMMAND cases Z:${case_file})
  set_tests_properties(case_${case_name} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix
    TIMEOUT 300 ENVIRONMENT "WINEDLLOVERRIDES=mscoree,mshtml=\;mapi32=n,b")
endforeach()
