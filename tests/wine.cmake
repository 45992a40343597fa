# The real update-wizard.exe driven through its windows under Wine (see
# wine/automation_test.cpp). Natively the example update runs in
# terminal_example_test, which checks the directory with example/check_example.sh.
if(NOT WIN32)
  return()
endif()

test_program(ui_automation_test wine/automation_test.cpp)
target_compile_definitions(ui_automation_test PRIVATE WIZARD_EXE_PATH="$<TARGET_FILE:update-wizard>")
add_dependencies(ui_automation_test update-wizard)
# The example cases need the directories that example/wine_e2e.sh makes; the
# Show case serves scripts/screenshots.
set_tests_properties(ui_automation_test PROPERTIES TIMEOUT 600 ENVIRONMENT GTEST_FILTER=-Example.*:Show.*)

# A host script, so the cross-compiling emulator is not put in front of it.
add_test(NAME example_wine_e2e_test
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/example/wine_e2e.sh ${CMAKE_BINARY_DIR}
          $<TARGET_FILE:ui_automation_test> $<TARGET_FILE:test_child>)
set_tests_properties(example_wine_e2e_test PROPERTIES TIMEOUT 400)
