# Tests of this area: wizard_test(NAME sources...), see CMakeLists.txt.
wizard_test(text_reader_test text_reader_test.cpp)
wizard_test(work_list_test work_list_test.cpp)
