# The control object, its property page, the module and its registration; the list of pages
# a control built for one site may be scripted from is portable core.
tessaline_sources(PORTABLE
  site_lock.cpp site_lock.h)
tessaline_sources(WIN
  tessaline_ctrl.cpp tessaline_ctrl.h
  tessaline_prop_page.cpp tessaline_prop_page.h
  registration.cpp registration.h
  tessaline_app.cpp tessaline_app.h)
