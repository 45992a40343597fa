# Tests of the terminal backend; it exists only in the native build.
if(NOT WIN32)
  # The backend itself in place of the recording one.
  add_executable(terminal_test terminal_test.cpp
    $<TARGET_OBJECTS:wizard_core>
    $<TARGET_OBJECTS:ui_model>
    $<TARGET_OBJECTS:ui_terminal>
  )
  target_include_directories(terminal_test PRIVATE ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(terminal_test PRIVATE GTest::gtest_main)
  wizard_warnings(terminal_test)
  add_test(NAME terminal_test COMMAND terminal_test WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})

  # The real program on pipes and in a terminal session, from outside.
  add_test(NAME terminal_run_test
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/terminal/run_test.sh $<TARGET_FILE:update-wizard>)
  add_test(NAME terminal_tmux_test
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/terminal/tmux_test.sh $<TARGET_FILE:update-wizard>)
  add_test(NAME terminal_example_test
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/terminal/example_test.sh $<TARGET_FILE:update-wizard> ${CMAKE_BINARY_DIR})
  set_tests_properties(terminal_tmux_test terminal_example_test PROPERTIES SKIP_RETURN_CODE 77)
endif()
