# Compile and link options every target of ours gets: strict warnings and, on request, sanitizers.
#
# Warnings become errors only when asked, through CMake's own CMAKE_COMPILE_WARNING_AS_ERROR
# (it initialises each target's COMPILE_WARNING_AS_ERROR property); scripts/test.sh turns it on.

set(PAG_SANITIZE "" CACHE STRING
  "Sanitizers for our targets, a list of: address, undefined, leak, thread (empty: none)")

set(_pag_known_sanitizers address undefined leak thread)
foreach(_pag_sanitizer IN LISTS PAG_SANITIZE)
  if(NOT _pag_sanitizer IN_LIST _pag_known_sanitizers)
    message(FATAL_ERROR
      "PAG_SANITIZE: unknown sanitizer '${_pag_sanitizer}' (known: ${_pag_known_sanitizers})")
  endif()
endforeach()

# pag_apply_compile_options(TARGET): the warnings and sanitizers of our own targets.
function(pag_apply_compile_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow)
  # GCC 12 at -O3 reports -Wrestrict inside std::string's own inlined code (GCC bug 105329,
  # fixed in GCC 13), which no source of ours can avoid; GCC 13 and later keep the warning.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE $<$<CONFIG:Release>:-Wno-restrict>)
  endif()
  if(PAG_SANITIZE)
    list(JOIN PAG_SANITIZE "," sanitizers)
    set(flags -fsanitize=${sanitizers} -fno-omit-frame-pointer)
    # A report of undefined behaviour fails the program instead of scrolling past.
    if("undefined" IN_LIST PAG_SANITIZE)
      list(APPEND flags -fno-sanitize-recover=undefined)
    endif()
    target_compile_options(${target} PRIVATE ${flags})
    target_link_options(${target} PRIVATE ${flags})
  endif()
endfunction()
