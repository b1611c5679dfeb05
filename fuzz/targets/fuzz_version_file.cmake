# The product site's version file and special notice, as fetched text.
zelvane_fuzzer(fuzz_version_file SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_version_file.cpp
  LIBS zelvane_fuzz_core)
