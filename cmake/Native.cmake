# Host build of the platform-free code with its unit tests.
if(CORVANE_SANITIZE)
  set(CORVANE_SAN_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(corvane_text PUBLIC ${CORVANE_SAN_FLAGS})
  target_link_options(corvane_text PUBLIC ${CORVANE_SAN_FLAGS})
endif()

if(CORVANE_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
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
