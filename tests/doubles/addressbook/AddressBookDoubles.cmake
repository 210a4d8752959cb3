# corvane_address_book_double(<target> MAPI|WAB|WITHOUT_OPEN <folder>): one of
# the tests' address book libraries (see addressbook.cpp), built into
# <folder> as mapi32.dll, wabdouble.dll or nowabopen.dll.
include_guard(GLOBAL)

function(corvane_address_book_double target kind folder)
  set(dir ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  if(kind STREQUAL MAPI)
    add_library(${target} SHARED ${dir}/addressbook.cpp ${dir}/mapi32.def)
    target_compile_definitions(${target} PRIVATE CORVANE_MAPI_DOUBLE)
    set(name mapi32)
  elseif(kind STREQUAL WAB)
    add_library(${target} SHARED ${dir}/addressbook.cpp)
    set(name wabdouble)
  else()
    add_library(${target} SHARED ${dir}/without_open.cpp)
    set(name nowabopen)
  endif()
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
    RUNTIME_OUTPUT_DIRECTORY ${folder} ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib/${target})
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
  # Undecorated export names on i686 too, as the system's libraries have them.
  target_link_options(${target} PRIVATE ${CORVANE_STATIC_LINK} -Wl,--kill-at
    -Wl,--enable-stdcall-fixup)
  target_link_libraries(${target} PRIVATE advapi32)
endfunction()
