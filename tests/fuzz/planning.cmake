# Fuzz targets of this area: wizard_fuzz(NAME sources...).
wizard_fuzz(tar_fuzz tar_fuzz.cpp ${PROJECT_SOURCE_DIR}/tools/restool/tar.cpp)
target_include_directories(tar_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/tools/restool)
