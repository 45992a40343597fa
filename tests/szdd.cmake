# Tests of this area: wizard_test(NAME sources...), see CMakeLists.txt.
# The compressor's encoder makes the compressed samples.
function(szdd_test name)
  wizard_test(${name} ${ARGN} $<TARGET_OBJECTS:szdd_compressor>)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tools/szdd-compress)
endfunction()

szdd_test(szdd_test szdd_test.cpp)
szdd_test(files_test files_test.cpp)

# The independent expanders: libmspack, msexpand and mscompress natively, the
# LZ expansion library under Windows.
szdd_test(szdd_${WIZARD_PLATFORM}_test szdd_${WIZARD_PLATFORM}_test.cpp)
if(WIN32)
  target_link_libraries(szdd_win32_test PRIVATE lz32)
else()
  find_library(MSPACK_LIBRARY mspack REQUIRED)
  find_path(MSPACK_INCLUDE_DIR mspack.h REQUIRED)
  target_include_directories(szdd_posix_test PRIVATE ${MSPACK_INCLUDE_DIR})
  target_link_libraries(szdd_posix_test PRIVATE ${MSPACK_LIBRARY})
endif()
