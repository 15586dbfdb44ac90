# The thin framework layer: windows, dialogs, the OLE control base, factories, registration.
tessaline_sources(WIN
  text.cpp module.cpp wnd.cpp dialog.cpp gdi.cpp file_reader.cpp
  ole_object_factory.cpp ole_registry.cpp connection_point.cpp
  ole_control.cpp ole_control_inplace.cpp ole_control_persist.cpp ole_control_dispatch.cpp
  ole_property_page.cpp modal_scope.cpp)
