# Tests of this area: wizard_test(NAME sources...), see CMakeLists.txt.
# The compressor's encoder makes the compressed samples.
function(szdd_test name)
  wizard_test(${name} ${ARGN} $<TARGET_OBJECTS:szdd_compressor>)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tools/szdd-compress)
endfunction()

szdd_test(szdd_test szdd_test.cpp)
szdd_test(files_test files_test.cpp)
