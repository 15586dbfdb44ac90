# The control object, its property page, the module and its registration.
tessaline_sources(WIN
  tessaline_ctrl.cpp tessaline_ctrl.h
  tessaline_prop_page.cpp tessaline_prop_page.h
  registration.cpp registration.h
  tessaline_app.cpp tessaline_app.h)
