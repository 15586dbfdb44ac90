# Browser interface: the layout rules of the panel and the thumbnail grid are portable core.
tessaline_sources(PORTABLE
  geometry.h
  panel_layout.cpp panel_layout.h
  space_gauge_model.cpp space_gauge_model.h
  space_text.cpp space_text.h
  space_account.cpp space_account.h
  selection_sizes.cpp selection_sizes.h
  thumb_grid_layout.cpp thumb_grid_layout.h
  thumb_scroll.cpp thumb_scroll.h)
