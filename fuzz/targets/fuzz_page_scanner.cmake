# Page bytes in, the scanner's reading against libxml2's.
zelvane_fuzzer(fuzz_page_scanner
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_page_scanner.cpp
          ${ZELVANE_SOURCE_DIR}/src/engine/HtmlCharset.cpp
          ${ZELVANE_SOURCE_DIR}/src/engine/HtmlParser.cpp
          ${ZELVANE_SOURCE_DIR}/src/engine/HtmlStream.cpp
          ${ZELVANE_SOURCE_DIR}/src/engine/HtmlScanner.cpp
          ${ZELVANE_SOURCE_DIR}/src/engine/HtmlScanNames.cpp
          ${ZELVANE_SOURCE_DIR}/src/engine/HtmlTree.cpp
  LIBS LibXml2::LibXml2)
