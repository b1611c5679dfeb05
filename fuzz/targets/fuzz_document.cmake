# Page bytes in, everything the browser layer reads out of a page.
zelvane_fuzzer(fuzz_document
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_document.cpp ${ZELVANE_PAGE_READER_SOURCES}
  LIBS LibXml2::LibXml2)
