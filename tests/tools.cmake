# update-check in-process on the sample update, and the sample utility's promise.
test_program(update_check_test update_check_test.cpp $<TARGET_OBJECTS:update_check>)
target_include_directories(update_check_test PRIVATE ${PROJECT_SOURCE_DIR}/tools/update-check)
