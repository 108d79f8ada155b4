# The code list of geodetic services: its rules in the core, its windows in the GUI.
target_sources(valmir_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Services.cpp ${CMAKE_CURRENT_LIST_DIR}/Services.h)

target_sources(valmir_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/S_grupe.cpp ${CMAKE_CURRENT_LIST_DIR}/S_grupe.h
  ${CMAKE_CURRENT_LIST_DIR}/V_grupe.cpp ${CMAKE_CURRENT_LIST_DIR}/V_grupe.h
  ${CMAKE_CURRENT_LIST_DIR}/ServiceMessages.h)
