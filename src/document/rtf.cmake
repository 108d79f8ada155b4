# The RTF writer and the price calculation document (core: no widgets).
target_sources(valmir_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Rtf.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Rtf.h
  ${CMAKE_CURRENT_LIST_DIR}/InvoiceDocument.cpp
  ${CMAKE_CURRENT_LIST_DIR}/InvoiceDocument.h
  ${CMAKE_CURRENT_LIST_DIR}/DocumentMessages.h)
