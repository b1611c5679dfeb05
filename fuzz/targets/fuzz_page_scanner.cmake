# Page bytes in, the scanner's reading against libxml2's.
zelvane_fuzzer(fuzz_page_scanner
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_page_scanner.cpp ${ZELVANE_PAGE_READER_SOURCES}
  LIBS LibXml2::LibXml2)
