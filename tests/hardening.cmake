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


# Hostile compressed files, and the faults of the platform: full disks and
# read-only targets natively, files held by another process under Windows.
hardening_test(hardening_szdd_test hardening/szdd_test.cpp
  $<TARGET_OBJECTS:szdd_compressor>)
target_include_directories(hardening_szdd_test PRIVATE ${PROJECT_SOURCE_DIR}/tools/szdd-compress)

hardening_test(hardening_faults_test hardening/faults_${WIZARD_PLATFORM}.cpp
  $<TARGET_OBJECTS:szdd_compressor>)
target_include_directories(hardening_faults_test PRIVATE ${PROJECT_SOURCE_DIR}/tools/szdd-compress)
if(WIN32)
  # The probe of the process tests holds a file open without sharing.
  add_dependencies(hardening_faults_test platform_probe)
  target_compile_definitions(hardening_faults_test PRIVATE
    PLATFORM_PROBE_NAME="$<TARGET_FILE_NAME:platform_probe>")
endif()



