# GoogleTest from Debian's sources, built into whichever tree is configured.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# gallimaw_add_gtest(NAME SOURCES ... [LIBS ...] [LABELS ...])
# Builds a GoogleTest program and registers it with CTest; in the Win32 tree
# CTest runs it through Wine (CMAKE_CROSSCOMPILING_EMULATOR).
function(gallimaw_add_gtest name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "GALLIMAW_FIXTURES=${GALLIMAW_FIXTURES};GALLIMAW_BUILD=${CMAKE_BINARY_DIR};GALLIMAW_SOURCE=${PROJECT_SOURCE_DIR};GALLIMAW_WIN32_BUILD=${GALLIMAW_WIN32_BUILD}")
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
  if(T_TIMEOUT)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  elseif(GALLIMAW_WIN32)
    set_tests_properties(${name} PROPERTIES TIMEOUT 240)
  else()
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  endif()
endfunction()
