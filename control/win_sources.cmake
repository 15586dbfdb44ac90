# The control object, its property page, the module and its registration.
tessaline_sources(WIN tessaline_ctrl.cpp tessaline_prop_page.cpp registration.cpp tessaline_app.cpp)
