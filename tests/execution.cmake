# Tests of this area: wizard_test(NAME sources...), see CMakeLists.txt.

# The test utility stands in for the resource utility and for EXECUTE programs.
add_executable(execution_utility programs/test_utility.cpp)
wizard_warnings(execution_utility)

foreach(test execution_test encoding_test)
  wizard_test(${test} ${test}.cpp)
  add_dependencies(${test} execution_utility)
  target_compile_definitions(${test} PRIVATE
    TEST_UTILITY_PATH="$<TARGET_FILE:execution_utility>")
endforeach()
