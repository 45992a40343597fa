# Fuzz targets of this area: wizard_fuzz(NAME sources...).
set(szdd_src ${PROJECT_SOURCE_DIR}/src)
wizard_fuzz(szdd_fuzz szdd_fuzz.cpp
  ${szdd_src}/sys/szdd.cpp ${szdd_src}/sys/files.cpp ${szdd_src}/sys/posix/files.cpp
  ${szdd_src}/app/wizard.cpp ${PROJECT_SOURCE_DIR}/tools/szdd-compress/compress.cpp)
target_include_directories(szdd_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/tools/szdd-compress)
