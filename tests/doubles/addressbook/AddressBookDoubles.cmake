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
