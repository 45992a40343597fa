# Fuzz targets of this area: wizard_fuzz(NAME sources...).
set(reader_src ${PROJECT_SOURCE_DIR}/src)
wizard_fuzz(text_reader_fuzz text_reader_fuzz.cpp
  ${reader_src}/script/text_reader.cpp ${reader_src}/script/values.cpp)
wizard_fuzz(work_entry_fuzz work_entry_fuzz.cpp
  ${reader_src}/update/work_list.cpp ${reader_src}/script/values.cpp)
