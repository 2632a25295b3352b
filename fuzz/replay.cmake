# The fuzz targets' entry points, built with the test build's compiler and
# sanitizers and run by ctest over their seeds (fuzz/seeds/<target>, where a
# crash input found by `make fuzz` is kept as a regression) and the examples.
set(FUZZ_SRC ${PROJECT_SOURCE_DIR}/fuzz)
foreach(target angles conf path_edit rules inhex shell device)
  add_executable(${target}_replay ${FUZZ_SRC}/${target}_fuzz.cpp ${FUZZ_SRC}/replay_main.cpp
                                  ${FUZZ_SRC}/fuzz_support.cpp ${FUZZ_SRC}/script_port.cpp
                                  ${PROJECT_SOURCE_DIR}/tests/support/fake_port.cpp)
  target_include_directories(${target}_replay PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  target_link_libraries(${target}_replay PRIVATE zentro_core)
  set(inputs ${FUZZ_SRC}/seeds/${target})
  if(target STREQUAL "conf" OR target STREQUAL "rules")
    list(APPEND inputs ${PROJECT_SOURCE_DIR}/examples)
  endif()
  add_test(NAME fuzz_replay_${target} COMMAND ${target}_replay ${inputs})
  set_tests_properties(fuzz_replay_${target} PROPERTIES TIMEOUT 120)
endforeach()
# The utility's main under another name; replay_main.cpp is the program's.
target_sources(shell_replay PRIVATE ${PROJECT_SOURCE_DIR}/shell/main.cpp)
set_source_files_properties(${PROJECT_SOURCE_DIR}/shell/main.cpp TARGET_DIRECTORY shell_replay
  PROPERTIES COMPILE_DEFINITIONS main=zentro_main)
target_compile_definitions(shell_replay PRIVATE
  EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples"
  FIRMWARE_EXAMPLE="${CMAKE_BINARY_DIR}/examples/zentrovane-fw.hex")
add_dependencies(shell_replay example_firmware)
