# The data files' bytes in: watch list and city list lines, saved and read again.
zelvane_fuzzer(fuzz_data_files SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_data_files.cpp
  LIBS zelvane_fuzz_core)
