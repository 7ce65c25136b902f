# vdrk_window: the main window's procedure, painting and commands, on the window layer of
# platform (any backend).
vdrk_library(vdrk_window
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/auto_range.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_window_commands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_window_create.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_window_edits.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_window_paint.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_window_proc.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_message_boxes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_tick_work.cpp
  DEPS vdrk_appcore vdrk_simlink vdrk_engine vdrk_airports vdrk_refdata vdrk_foundation vdrk_platform fmt::fmt pugixml::pugixml)
