# Hardening: hostile update files, hostile compressed files, a misbehaving
# resource utility, file system faults and load, each run end to end.

# A resource utility that misbehaves on demand.
add_executable(bad_utility hardening/bad_utility.cpp)
wizard_warnings(bad_utility)
add_executable(hardening_utility programs/test_utility.cpp)
wizard_warnings(hardening_utility)

# Big cases (megabytes of script, 100,000 entries) only natively: under the
# sanitizers and Wine they would take minutes.
set(hardening_big 0)
if(NOT WIN32 AND NOT WIZARD_SANITIZE)
  set(hardening_big 1)
endif()

function(hardening_test name)
  wizard_test(${name} ${ARGN})
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/hardening)
  add_dependencies(${name} hardening_utility bad_utility)
  target_compile_definitions(${name} PRIVATE
    TEST_UTILITY_PATH="$<TARGET_FILE:hardening_utility>"
    BAD_UTILITY_PATH="$<TARGET_FILE:bad_utility>")
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "WIZARD_BIG_CASES=${hardening_big}"
                       LABELS hardening)
endfunction()

hardening_test(hardening_script_test hardening/script_test.cpp)

hardening_test(hardening_utility_test hardening/utility_test.cpp)

# Whole updates of 100,000 entries, with figures: natively only.
if(NOT WIN32)
  hardening_test(hardening_load_test hardening/load_test.cpp)
  set_tests_properties(hardening_load_test PROPERTIES TIMEOUT 600)
endif()

hardening_test(hardening_cancel_test hardening/cancel_test.cpp $<TARGET_OBJECTS:szdd_compressor>)
target_include_directories(hardening_cancel_test PRIVATE ${PROJECT_SOURCE_DIR}/tools/szdd-compress)
