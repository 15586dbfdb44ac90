# The panel: the layout rules of the panel and the thumbnail grid are portable core; the
# windows, the grid, the skinned widgets and the folder tree are the Win32 side.
tessaline_sources(PORTABLE
  panel_layout.cpp panel_layout.h
  space_gauge_model.cpp space_gauge_model.h
  space_text.cpp space_text.h
  space_account.cpp space_account.h
  selection_sizes.cpp selection_sizes.h
  thumb_grid_layout.cpp thumb_grid_layout.h
  thumb_scroll.cpp thumb_scroll.h
  thumb_focus.cpp thumb_focus.h
  drop_plan.cpp drop_plan.h)
tessaline_sources(WIN
  main_panel_dlg.cpp main_panel_dlg.h thumb_item.h thumb_view.cpp thumb_view.h
  space_gauge.cpp space_gauge.h skin_button.cpp skin_button.h skin_label.cpp skin_label.h
  splitter_bar.cpp splitter_bar.h panel_messages.h window_back_buffer.cpp window_back_buffer.h
  shell_tree.cpp shell_tree.h
  lazy_tree_ctrl.cpp lazy_tree_ctrl.h
  tree_ctrl.h
  loading_progress.cpp loading_progress.h
  shell_folder_fill.cpp shell_folder_fill.h
  shell_item_describe.cpp shell_item_describe.h
  shell_pidl.cpp shell_pidl.h
  shell_item_data.h shell_child_record.h
  drop_target.cpp drop_target.h
  accessible_object.cpp accessible_object.h
  thumb_accessible.cpp thumb_accessible.h gauge_accessible.cpp gauge_accessible.h)
