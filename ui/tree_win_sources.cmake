# The folder tree of the panel: shell namespace, lazy expansion, background listing.
tessaline_sources(WIN
  shell_tree.cpp shell_tree.h
  lazy_tree_ctrl.cpp lazy_tree_ctrl.h
  tree_ctrl.h
  loading_progress.cpp loading_progress.h
  shell_folder_fill.cpp shell_folder_fill.h
  shell_item_describe.cpp shell_item_describe.h
  shell_pidl.cpp shell_pidl.h
  shell_item_data.h shell_child_record.h)
