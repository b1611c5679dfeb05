zelvane_fuzzer(fuzz_curl SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_curl.cpp LIBS zelvane_fuzz_core)
