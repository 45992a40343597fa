# The reader, processes, files, SZDD and restool: test_program(NAME sources...).
test_program(reader_test reader_test.cpp)
test_program(process_test process_test.cpp)
test_program(files_test files_test.cpp)
test_program(szdd_test szdd_test.cpp)
# The independent expanders: the LZ library under Windows; natively msexpand and
# mscompress. restool against the system's tar, natively.
if(WIN32)
  target_link_libraries(szdd_test PRIVATE lz32)
else()
  test_program(restool_test restool_test.cpp)
endif()
