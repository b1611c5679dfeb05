# Page bytes in, everything the browser layer reads out of a page.
zelvane_fuzzer(fuzz_document
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_document.cpp
          ${ZELVANE_SOURCE_DIR}/src/engine/HtmlDocument.cpp
          ${ZELVANE_SOURCE_DIR}/src/engine/HtmlCharset.cpp
          ${ZELVANE_SOURCE_DIR}/src/engine/HtmlParser.cpp
          ${ZELVANE_SOURCE_DIR}/src/engine/HtmlStream.cpp
          ${ZELVANE_SOURCE_DIR}/src/engine/HtmlScanner.cpp
          ${ZELVANE_SOURCE_DIR}/src/engine/HtmlScanNames.cpp
          ${ZELVANE_SOURCE_DIR}/src/engine/HtmlTree.cpp
  LIBS LibXml2::LibXml2)
