# torvane_add_fuzzer(NAME SOURCES src... [LIBS lib...] [INCLUDES dir...] CORPUS dir [MAX_LEN n])
#
# A libFuzzer entry point (only with -DTORVANE_FUZZ=ON and clang). The sources
# of the code under test are compiled into the target itself, so that they
# carry the sanitizers. Every target is listed in fuzz/fuzzers.txt of the
# build folder ("name<TAB>corpus folder<TAB>max_len"), which scripts/fuzz-smoke
# runs in turn; the target "fuzzers" builds them all.
set(TORVANE_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
set(TORVANE_FUZZ_LIST ${CMAKE_BINARY_DIR}/fuzz/fuzzers.txt)
if(TORVANE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TORVANE_FUZZ needs clang: -DCMAKE_CXX_COMPILER=clang++")
  endif()
  file(WRITE ${TORVANE_FUZZ_LIST} "")
  add_custom_target(fuzzers)
endif()

function(torvane_add_fuzzer name)
  if(NOT TORVANE_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "CORPUS;MAX_LEN" "SOURCES;LIBS;INCLUDES" ${ARGN})
  if(NOT F_MAX_LEN)
    set(F_MAX_LEN 4096)
  endif()
  add_executable(${name} ${F_SOURCES})
  target_include_directories(${name} PRIVATE ${F_INCLUDES})
  target_compile_options(${name} PRIVATE ${TORVANE_FUZZ_FLAGS})
  target_link_options(${name} PRIVATE ${TORVANE_FUZZ_FLAGS})
  target_link_libraries(${name} PRIVATE Qt6::Core ${F_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz
                                           AUTOMOC OFF AUTOUIC OFF)
  add_dependencies(fuzzers ${name})
  file(APPEND ${TORVANE_FUZZ_LIST} "${name}\t${F_CORPUS}\t${F_MAX_LEN}\n")
endfunction()
