# Whole updates and the passes over the recording backend.
test_program(update_test update_test.cpp)
