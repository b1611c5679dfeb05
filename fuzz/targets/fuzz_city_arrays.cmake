# The account page's markup in, the two city arrays cut out and saved.
zelvane_fuzzer(fuzz_city_arrays SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_city_arrays.cpp
  LIBS zelvane_fuzz_core)
