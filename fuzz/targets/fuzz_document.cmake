# Page bytes in, everything the browser layer reads out of a page.
zelvane_fuzzer(fuzz_document SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_document.cpp LIBS zelvane_fuzz_core)
