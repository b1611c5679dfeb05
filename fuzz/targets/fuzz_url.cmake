zelvane_fuzzer(fuzz_url SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_url.cpp LIBS zelvane_fuzz_core)
