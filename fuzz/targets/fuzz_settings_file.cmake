# A hand-edited settings file in, the settings as loaded, saved and loaded again.
zelvane_fuzzer(fuzz_settings_file SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_settings_file.cpp
  LIBS zelvane_fuzz_core)
