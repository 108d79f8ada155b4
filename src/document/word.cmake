# The word processor: where it is (core) and its window and launch (gui).
target_sources(valmir_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/WordProcessor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WordProcessor.h)
target_sources(valmir_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/N_word.cpp
  ${CMAKE_CURRENT_LIST_DIR}/N_word.h
  ${CMAKE_CURRENT_LIST_DIR}/OpenInWordProcessor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/OpenInWordProcessor.h
  ${CMAKE_CURRENT_LIST_DIR}/WordMessages.h)
