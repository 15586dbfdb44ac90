# Upload batch management, Win32 side: the HTTP upload behind the batch's request, the
# dialogs, and the owner that wires them together.
tessaline_sources(WIN
  http_upload_request.cpp http_upload_request.h
  uploader.cpp uploader.h)
tessaline_sources(WIN upload_progress_dlg.cpp upload_progress_dlg.h upload_result_dlg.cpp upload_result_dlg.h)
