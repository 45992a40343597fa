# update-check in-process on the sample update, and the sample utility's promise.
wizard_test(update_check_test update_check_test.cpp $<TARGET_OBJECTS:update_check> $<TARGET_OBJECTS:szdd_compressor>)
target_include_directories(update_check_test PRIVATE ${PROJECT_SOURCE_DIR}/tools/update-check ${PROJECT_SOURCE_DIR}/tools/szdd-compress)
add_dependencies(update_check_test restool)
target_compile_definitions(update_check_test PRIVATE RESTOOL_PATH="$<TARGET_FILE:restool>"
  EXAMPLE_DIR="${PROJECT_SOURCE_DIR}/examples/sample-update")
