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

# restool against the system's tar: natively only.
if(NOT WIN32)
  add_executable(restool_test restool_test.cpp ${PROJECT_SOURCE_DIR}/tools/restool/tar.cpp)
  target_include_directories(restool_test PRIVATE ${PROJECT_SOURCE_DIR}/tools/restool)
  target_link_libraries(restool_test PRIVATE GTest::gtest_main)
  wizard_warnings(restool_test)
  add_dependencies(restool_test restool)
  target_compile_definitions(restool_test PRIVATE RESTOOL_PATH="$<TARGET_FILE:restool>")
  add_test(NAME restool_test COMMAND restool_test WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endif()
