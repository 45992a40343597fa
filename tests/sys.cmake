# The reader, processes, files, SZDD (with the LZ library under Windows), update-check
# in-process; restool against the system's tar, natively.
foreach(name reader process files szdd)
  test_program(${name}_test ${name}_test.cpp)
endforeach()
test_program(update_check_test update_check_test.cpp $<TARGET_OBJECTS:update_check>)
target_include_directories(update_check_test PRIVATE ${PROJECT_SOURCE_DIR}/tools/update-check)
if(WIN32)
  target_link_libraries(szdd_test PRIVATE lz32)
else()
  test_program(restool_test restool_test.cpp)
endif()
