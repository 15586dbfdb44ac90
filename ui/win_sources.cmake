# Win32 side of the user interface.
tessaline_sources(WIN
  main_panel_dlg.cpp main_panel_dlg.h thumb_item.cpp thumb_item.h thumb_view.cpp thumb_view.h
  space_gauge.cpp space_gauge.h skin_button.cpp skin_button.h skin_label.cpp skin_label.h
  splitter_bar.cpp splitter_bar.h)
include(${CMAKE_CURRENT_LIST_DIR}/tree_win_sources.cmake OPTIONAL)
