# The operations list: its rules in the core, its two windows in the GUI.
target_sources(valmir_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Operations.cpp ${CMAKE_CURRENT_LIST_DIR}/Operations.h)

target_sources(valmir_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/OperationMessages.h
  ${CMAKE_CURRENT_LIST_DIR}/S_postavke.cpp ${CMAKE_CURRENT_LIST_DIR}/S_postavke.h
  ${CMAKE_CURRENT_LIST_DIR}/V_postavke.cpp ${CMAKE_CURRENT_LIST_DIR}/V_postavke.h)
