# The reader, processes, files, SZDD and restool: test_program(NAME sources...).
test_program(reader_test reader_test.cpp)
test_program(process_test process_test.cpp)
test_program(files_test files_test.cpp)
test_program(szdd_test szdd_test.cpp)
# The independent expanders: the LZ library under Windows; natively libmspack,
# msexpand and mscompress. restool against the system's tar, natively.
if(WIN32)
  target_link_libraries(szdd_test PRIVATE lz32)
else()
  find_library(MSPACK_LIBRARY mspack REQUIRED)
  find_path(MSPACK_INCLUDE_DIR mspack.h REQUIRED)
  target_include_directories(szdd_test PRIVATE ${MSPACK_INCLUDE_DIR})
  target_link_libraries(szdd_test PRIVATE ${MSPACK_LIBRARY})
  test_program(restool_test restool_test.cpp)
endif()
