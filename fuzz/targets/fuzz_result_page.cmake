# A result page's text and its first frame's text in, the decision and the
# result table out.
zelvane_fuzzer(fuzz_result_page SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_result_page.cpp
  LIBS zelvane_fuzz_core)
