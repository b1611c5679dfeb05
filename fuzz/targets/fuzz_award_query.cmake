# An itinerary line of the watch list in, the award search address out.
zelvane_fuzzer(fuzz_award_query SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_award_query.cpp
  LIBS zelvane_fuzz_core)
