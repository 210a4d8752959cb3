# Host build of the platform-free code with its table tests.
if(CORVANE_SANITIZE)
  set(CORVANE_SAN_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(corvane_text PUBLIC ${CORVANE_SAN_FLAGS})
  target_link_options(corvane_text PUBLIC ${CORVANE_SAN_FLAGS})
endif()

if(CORVANE_TESTS)
  add_executable(tables ${CMAKE_SOURCE_DIR}/tests/native/tables.cpp)
  target_compile_options(tables PRIVATE -Wall -Wextra)
  target_link_libraries(tables PRIVATE corvane_text)
  add_test(NAME tables COMMAND tables ${CMAKE_SOURCE_DIR}/tests/data)
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/bench/CMakeLists.txt)
  add_subdirectory(bench)
endif()
