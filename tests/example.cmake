# The example update end to end through the real program. Natively it runs in
# terminal_example_test, which checks the directory with example/check_example.sh.
if(NOT WIN32)
  return()
endif()

# Holds the wizard at its EXECUTE entry until the test lets it go.
add_executable(example_wait_for_file example/wait_for_file.cpp)
wizard_warnings(example_wait_for_file)

# Drives update-wizard.exe under Wine; the host script prepares the directory
# and checks it on disk afterwards.
add_executable(example_e2e wine/example_e2e.cpp wine/driver.cpp)
target_include_directories(example_e2e PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/wine)
target_compile_definitions(example_e2e PRIVATE
  WIZARD_EXE_PATH="$<TARGET_FILE:update-wizard>"
  UTILITY_EXE_PATH="$<TARGET_FILE:example_wait_for_file>")
add_dependencies(example_e2e update-wizard example_wait_for_file restool szdd-compress)
wizard_warnings(example_e2e)

# A host script, so the cross-compiling emulator is not put in front of it.
add_test(NAME example_wine_e2e_test
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/example/wine_e2e.sh ${CMAKE_BINARY_DIR}
          $<TARGET_FILE:example_e2e> $<TARGET_FILE:example_wait_for_file>)
set_tests_properties(example_wine_e2e_test PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 400)
