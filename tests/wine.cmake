# The real update-wizard.exe driven through its windows under Wine; the Example cases
# run from example/wine_e2e.sh (a host script, so no emulator is put in front of it),
# which checks the disk; the Show case serves scripts/screenshots.
if(NOT WIN32)
  return()
endif()
test_program(ui_automation_test wine/automation_test.cpp)
target_compile_definitions(ui_automation_test PRIVATE WIZARD_EXE_PATH="$<TARGET_FILE:update-wizard>")
add_dependencies(ui_automation_test update-wizard)
set_tests_properties(ui_automation_test PROPERTIES TIMEOUT 600 ENVIRONMENT GTEST_FILTER=-Example.*:Show.*)
add_test(NAME example_wine_e2e_test COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/example/wine_e2e.sh ${CMAKE_BINARY_DIR}
  $<TARGET_FILE:ui_automation_test> $<TARGET_FILE:test_child>)
set_tests_properties(example_wine_e2e_test PROPERTIES TIMEOUT 400)
