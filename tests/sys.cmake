# Tests of this area: wizard_test(NAME sources...), see CMakeLists.txt.

# Child programs that the process and removal tests start. They are built next
# to the tests, whose working directory is this folder.
add_executable(wizard_child programs/wizard_child.cpp)
wizard_warnings(wizard_child)
if(WIN32)
  add_executable(platform_probe programs/win32_probe.cpp)
else()
  add_executable(platform_probe programs/fd_probe.cpp)
endif()
wizard_warnings(platform_probe)

function(sys_test name)
  wizard_test(${name} ${ARGN})
  add_dependencies(${name} wizard_child platform_probe)
  target_compile_definitions(${name} PRIVATE
    WIZARD_CHILD_NAME="$<TARGET_FILE_NAME:wizard_child>"
    PLATFORM_PROBE_NAME="$<TARGET_FILE_NAME:platform_probe>")
endfunction()

sys_test(process_test process_test.cpp process_${WIZARD_PLATFORM}_test.cpp)
sys_test(remove_file_test remove_file_test.cpp remove_file_${WIZARD_PLATFORM}_test.cpp)
if(NOT WIN32)
  wizard_test(command_line_test command_line_test.cpp)
endif()
