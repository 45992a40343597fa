# The planning pass over the recording backend, with a logging stand-in for the
# resource utility and with the sample utility restool itself.
add_executable(test_utility programs/test_utility.cpp)
wizard_warnings(test_utility)

wizard_test(planning_test planning_test.cpp)
add_dependencies(planning_test test_utility restool)
target_compile_definitions(planning_test PRIVATE
  TEST_UTILITY_PATH="$<TARGET_FILE:test_utility>"
  RESTOOL_PATH="$<TARGET_FILE:restool>"
  EXAMPLE_DIR="${PROJECT_SOURCE_DIR}/examples/sample-update")
