# Applied to every target of ours with tarvik_warnings(<target>).
set(TARVIK_WARNINGS
    -Wall -Wextra -Wformat=2 -Wimplicit-fallthrough -Wnon-virtual-dtor
    $<$<COMPILE_LANGUAGE:CXX>:-Wsuggest-override>)
if(DEFINED ENV{CI} AND NOT "$ENV{CI}" STREQUAL "")
  list(APPEND TARVIK_WARNINGS -Werror)
endif()

function(tarvik_warnings target)
  target_compile_options(${target} PRIVATE ${TARVIK_WARNINGS})
endfunction()
