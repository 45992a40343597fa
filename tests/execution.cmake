# Tests of this area: wizard_test(NAME sources...), see CMakeLists.txt.
