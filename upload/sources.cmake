# Upload batch management: the batch's state machine, its statistics and texts are portable
# core and reach the transfer, the panel and the dialog through the interfaces declared here;
# the Win32 side is the HTTP upload behind the request, the dialogs and the owner that wires
# them together.
tessaline_sources(PORTABLE
  upload_panel.h upload_request.h progress_view.h
  text_source.cpp text_source.h
  transfer_stats.cpp transfer_stats.h
  upload_batch.cpp upload_batch.h
  pass_journal.cpp pass_journal.h pass_observer.h journal_disk.h
  journal_writer.cpp journal_writer.h
  pass_recorder.cpp pass_recorder.h
  announcement_pacer.cpp announcement_pacer.h)
tessaline_sources(WIN
  http_upload_request.cpp http_upload_request.h
  journal_folder.cpp journal_folder.h
  uploader.cpp uploader.h
  upload_progress_dlg.cpp upload_progress_dlg.h
  upload_result_dlg.cpp upload_result_dlg.h)
