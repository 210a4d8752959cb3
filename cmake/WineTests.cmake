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

# Test doubles of system libraries (each folder builds its own DLLs).
file(GLOB CORVANE_DOUBLES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/doubles/*/CMakeLists.txt)
foreach(doubles_list ${CORVANE_DOUBLES})
  get_filename_component(doubles_dir ${doubles_list} DIRECTORY)
  add_subdirectory(${doubles_dir})
endforeach()

# One Wine prefix for all tests; it is created once, before any test runs.
add_test(NAME wine_prefix COMMAND ${CMAKE_BINARY_DIR}/wine-run.sh --init)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)

# The plain C host program linked through libCONFIG.dll.a (cmake/Windows.cmake,
# made before the emulator was set).
set_target_properties(header_host PROPERTIES CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
add_test(NAME header_host COMMAND header_host)
set_tests_properties(header_host PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix)

# The cases: every tests/data/cases/*.case is one test, run by one program
# beside a copy of CONFIG.dll and the address-book double that stands in for
# mapi32; they share the prefix's registry and folders, so one at a time.
corvane_case_runner(${CMAKE_BINARY_DIR}/mapi-bed)
add_dependencies(cases mapi32_double wab_double wab_double_without_open corvane-config)
file(GLOB CORVANE_CASES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/data/cases/*.case)
foreach(case_file ${CORVANE_CASES})
  get_filename_component(case_name ${case_file} NAME_WE)
  add_test(NAME case_${case_name} COMMAND cases Z:${case_file})
  set_tests_properties(case_${case_name} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix
    TIMEOUT 300 ENVIRONMENT "WINEDLLOVERRIDES=mscoree,mshtml=\;mapi32=n,b")
endforeach()
