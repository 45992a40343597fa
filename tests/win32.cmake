# Tests of this area: wizard_test(NAME sources...), see CMakeLists.txt.
if(NOT WIN32)
  return()
endif()

# The UI automation test starts the real program and drives its windows from
# outside; the stand-in resource utility gives it updates that run to the end.
add_executable(ui_test_utility wine/utility.cpp)
wizard_warnings(ui_test_utility)

add_executable(ui_automation_test wine/automation_test.cpp wine/driver.cpp)
target_include_directories(ui_automation_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/wine)
target_link_libraries(ui_automation_test PRIVATE GTest::gtest_main)
target_compile_definitions(ui_automation_test PRIVATE
  WIZARD_EXE_PATH="$<TARGET_FILE:update-wizard>"
  UTILITY_EXE_PATH="$<TARGET_FILE:ui_test_utility>")
add_dependencies(ui_automation_test update-wizard ui_test_utility)
wizard_warnings(ui_automation_test)
add_test(NAME ui_automation_test COMMAND ui_automation_test
         WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
set_tests_properties(ui_automation_test PROPERTIES TIMEOUT 600)

# Holds the program at one of its dialogs for scripts/screenshots.
add_executable(ui_show_dialog wine/show_dialog.cpp wine/driver.cpp)
target_include_directories(ui_show_dialog PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/wine)
target_compile_definitions(ui_show_dialog PRIVATE
  WIZARD_EXE_PATH="$<TARGET_FILE:update-wizard>"
  UTILITY_EXE_PATH="$<TARGET_FILE:ui_test_utility>")
add_dependencies(ui_show_dialog update-wizard ui_test_utility)
wizard_warnings(ui_show_dialog)
