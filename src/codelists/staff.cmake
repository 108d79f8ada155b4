# The staff list and the post-office lookup: their rules in the core, their
# windows in the GUI library.
target_sources(valmir_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Staff.cpp ${CMAKE_CURRENT_LIST_DIR}/Staff.h
  ${CMAKE_CURRENT_LIST_DIR}/PostOfficeSearch.cpp ${CMAKE_CURRENT_LIST_DIR}/PostOfficeSearch.h
  ${CMAKE_CURRENT_LIST_DIR}/StaffMessages.h)
target_sources(valmir_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/N_osebje.cpp ${CMAKE_CURRENT_LIST_DIR}/N_osebje.h
  ${CMAKE_CURRENT_LIST_DIR}/I_poste.cpp ${CMAKE_CURRENT_LIST_DIR}/I_poste.h)
