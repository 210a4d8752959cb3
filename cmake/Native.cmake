# Host build of the platform-free code with its unit tests.
if(CORVANE_SANITIZE)
  set(CORVANE_SAN_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(corvane_text PUBLIC ${CORVANE_SAN_FLAGS})
  target_link_options(corvane_text PUBLIC ${CORVANE_SAN_FLAGS})
endif()

if(CORVANE_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  if(NOT CORVANE_GTEST_SOURCE_DIR)
    message(FATAL_ERROR "GoogleTest sources not found: set CORVANE_GTEST_SOURCE_DIR, or CORVANE_TESTS=OFF")
  endif()
  add_subdirectory(${CORVANE_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GoogleTest's own warnings are not the project's to fix.
  set_target_properties(gtest gtest_main PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
  file(GLOB CORVANE_NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
  add_executable(text_tests ${CORVANE_NATIVE_TESTS})
  target_link_libraries(text_tests PRIVATE corvane_text GTest::gtest_main)
  target_compile_definitions(text_tests PRIVATE
    CORVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}" CORVANE_FIXTURES_DIR="${CMAKE_SOURCE_DIR}/tests/data")
  add_test(NAME text_tests COMMAND text_tests)
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/bench/CMakeLists.txt)
  add_subdirectory(bench)
endif()
