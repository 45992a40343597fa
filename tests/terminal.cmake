# Natively only: the terminal backend in-process, the real program on pipes and in tmux.
if(NOT WIN32)
  add_executable(terminal_test terminal_test.cpp
    $<TARGET_OBJECTS:wizard_core> $<TARGET_OBJECTS:ui_model> $<TARGET_OBJECTS:ui_terminal>)
  target_include_directories(terminal_test PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(terminal_test PRIVATE GTest::gtest_main)
  wizard_warnings(terminal_test)
  add_test(NAME terminal_test COMMAND terminal_test)
  foreach(mode pipes tmux)
    add_test(NAME terminal_${mode}_test COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/terminal/wizard_test.sh
      ${mode} $<TARGET_FILE:update-wizard> $<TARGET_FILE:test_child> ${CMAKE_BINARY_DIR})
  endforeach()
endif()
