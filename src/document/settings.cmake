# The settings dialogs "Naši podatki" and "Računi": the rules on the
# settings row go to the core, the windows to the GUI library.
target_sources(valmir_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Settings.cpp ${CMAKE_CURRENT_LIST_DIR}/Settings.h)

target_sources(valmir_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/N_data.cpp ${CMAKE_CURRENT_LIST_DIR}/N_data.h
  ${CMAKE_CURRENT_LIST_DIR}/N_racun.cpp ${CMAKE_CURRENT_LIST_DIR}/N_racun.h
  ${CMAKE_CURRENT_LIST_DIR}/SettingsMessages.h)
