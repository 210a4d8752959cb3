# corvane_address_book_double(<target> mapi32|wabdouble <folder>): the tests'
# address book (addressbook.cpp) as <folder>/mapi32.dll or wabdouble.dll.
include_guard(GLOBAL)

function(corvane_address_book_double target name folder)
  add_library(${target} SHARED ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/addressbook.cpp)
  if(name STREQUAL mapi32)
    target_sources(${target} PRIVATE ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/mapi32.def)
    target_compile_definitions(${target} PRIVATE CORVANE_MAPI_DOUBLE)
  endif()
  corvane_double_library(${target} ${name} ${folder})
endfunction()

# A test double's DLL, named as the system's library, with its undecorated
# export names on i686 too.
function(corvane_double_library target name folder)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
    RUNTIME_OUTPUT_DIRECTORY ${folder} ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib/${target})
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
  target_link_options(${target} PRIVATE ${CORVANE_STATIC_LINK} -Wl,--kill-at
    -Wl,--enable-stdcall-fixup)
  target_link_libraries(${target} PRIVATE advapi32)
endfunction()

# The case runner (tests/win/cases.cpp) in `folder`, with a copy of CONFIG.dll.
function(corvane_case_runner folder)
  add_executable(cases ${CMAKE_SOURCE_DIR}/tests/win/cases.cpp ${CMAKE_SOURCE_DIR}/tests/win/ImportSlot.cpp)
  set_target_properties(cases PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${folder})
  target_compile_options(cases PRIVATE -Wall -Wextra)
  target_link_libraries(cases PRIVATE shlwapi shell32 advapi32 ole32)
  target_link_options(cases PRIVATE ${CORVANE_STATIC_LINK})
  # The library beside the runner, copied again whenever it is built anew.
  add_custom_command(OUTPUT ${folder}/CONFIG.dll
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:CONFIG> ${folder}/CONFIG.dll
    DEPENDS CONFIG)
  add_custom_target(cases_config_dll ALL DEPENDS ${folder}/CONFIG.dll)
  add_dependencies(cases cases_config_dll)
endfunction()
