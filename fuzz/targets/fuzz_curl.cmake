zelvane_fuzzer(fuzz_curl SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_curl.cpp ${ZELVANE_SOURCE_DIR}/src/net/CUrl.cpp)
