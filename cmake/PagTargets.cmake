# One helper per kind of target. Our own targets build with strict warnings (PagCompileOptions);
# each helper refuses arguments it does not know, so a misspelt keyword fails the configure step.

include(PagCompileOptions)
include(GoogleTest)

# Stops the configure step when a helper was given an argument it does not know: one before
# its first keyword, or a capitalised word among the values of the keywords named after `name`
# (a misspelt keyword such as PRIVATE_LIB would otherwise pass as a library called PRIVATE_LIB).
macro(_pag_refuse_unparsed helper name)
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "${helper}(${name}): unknown argument(s): ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  foreach(_pag_keyword IN ITEMS ${ARGN})
    foreach(_pag_value IN LISTS ARG_${_pag_keyword})
      if(_pag_value MATCHES "^[A-Z]+(_[A-Z]+)*$")
        message(FATAL_ERROR "${helper}(${name}): unknown argument ${_pag_value} (after "
          "${_pag_keyword}; the keywords are those in the helper's comment)")
      endif()
    endforeach()
  endforeach()
endmacro()

# pag_add_library(NAME SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
function(pag_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  _pag_refuse_unparsed(pag_add_library ${name} SOURCES PUBLIC_LIBS PRIVATE_LIBS)
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
  pag_apply_compile_options(${name})
endfunction()

# pag_add_library_group(NAME LIBS ...): one name that stands for several libraries.
function(pag_add_library_group name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  _pag_refuse_unparsed(pag_add_library_group ${name} LIBS)
  add_library(${name} INTERFACE)
  target_link_libraries(${name} INTERFACE ${ARG_LIBS})
endfunction()

# pag_add_module(NAME SOURCES ... [LIBS ...] [OUTPUT_NAME name]): a shared library loaded with
# dlopen.
function(pag_add_module name)
  cmake_parse_arguments(ARG "" "OUTPUT_NAME" "SOURCES;LIBS" ${ARGN})
  _pag_refuse_unparsed(pag_add_module ${name} SOURCES LIBS)
  add_library(${name} SHARED ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  if(ARG_OUTPUT_NAME)
    set_target_properties(${name} PROPERTIES OUTPUT_NAME ${ARG_OUTPUT_NAME})
  endif()
  set_target_properties(${name} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/lib)
  pag_apply_compile_options(${name})
endfunction()

# A program of ours from the calling helper's ARG_SOURCES and ARG_LIBS, written to FOLDER of the
# build tree.
macro(_pag_program name folder)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/${folder})
  pag_apply_compile_options(${name})
endmacro()

# pag_add_executable(NAME SOURCES ... [LIBS ...])
function(pag_add_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  _pag_refuse_unparsed(pag_add_executable ${name} SOURCES LIBS)
  _pag_program(${name} bin)
endfunction()

# pag_add_test_support(NAME SOURCES ... [LIBS ...]): a static library of fixtures and helpers
# that test programs share; its folder is on their include path, and it sees GoogleTest.
function(pag_add_test_support name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  _pag_refuse_unparsed(pag_add_test_support ${name} SOURCES LIBS)
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS} GTest::gtest GTest::gmock)
  pag_apply_compile_options(${name})
endfunction()

# pag_add_test(NAME SOURCES ... [LIBS ...] [LABELS ...] [ENVIRONMENT VAR=value ...] [OWN_MAIN]
#              [NO_DISCOVERY]): a GoogleTest executable registered with CTest.
# OWN_MAIN: the sources define main() (e.g. to create a QApplication first). NO_DISCOVERY: the
# caller registers the program with add_test itself (e.g. to run it under a wrapper).
function(pag_add_test name)
  cmake_parse_arguments(ARG "OWN_MAIN;NO_DISCOVERY" "" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  _pag_refuse_unparsed(pag_add_test ${name} SOURCES LIBS)
  _pag_program(${name} tests)
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock)
  if(NOT ARG_OWN_MAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  set_property(GLOBAL APPEND PROPERTY PAG_TEST_TARGETS ${name})
  if(ARG_NO_DISCOVERY)
    return()
  endif()
  # Quoted one by one: a list of labels must reach the tests as one property value.
  if(ARG_LABELS AND ARG_ENVIRONMENT)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS "${ARG_LABELS}" ENVIRONMENT "${ARG_ENVIRONMENT}")
  elseif(ARG_LABELS)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${ARG_LABELS}")
  elseif(ARG_ENVIRONMENT)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "${ARG_ENVIRONMENT}")
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# pag_add_benchmark(NAME SOURCES ... [LIBS ...] [OWN_MAIN]): a Google Benchmark executable (not
# run by CTest). OWN_MAIN: the sources define main().
function(pag_add_benchmark name)
  cmake_parse_arguments(ARG "OWN_MAIN" "" "SOURCES;LIBS" ${ARGN})
  _pag_refuse_unparsed(pag_add_benchmark ${name} SOURCES LIBS)
  _pag_program(${name} bench)
  target_link_libraries(${name} PRIVATE benchmark::benchmark)
  if(NOT ARG_OWN_MAIN)
    target_link_libraries(${name} PRIVATE benchmark::benchmark_main)
  endif()
endfunction()

# pag_add_test_target(NAME [DEPENDS ...]): one target that builds every test program made with
# pag_add_test, plus the programs named in DEPENDS (e.g. those the script tests run). Call it
# after every folder has been added.
function(pag_add_test_target name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  _pag_refuse_unparsed(pag_add_test_target ${name} DEPENDS)
  get_property(tests GLOBAL PROPERTY PAG_TEST_TARGETS)
  add_custom_target(${name})
  add_dependencies(${name} ${tests} ${ARG_DEPENDS})
endfunction()
