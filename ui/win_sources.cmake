# Win32 side of the user interface.
tessaline_sources(WIN main_panel_dlg.cpp main_panel_dlg.h)
