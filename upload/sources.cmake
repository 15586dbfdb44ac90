# Upload batch management: the batch's state machine, its statistics and texts are portable
# core; they reach the transfer, the panel and the dialog through the interfaces declared here.
tessaline_sources(PORTABLE
  upload_panel.h upload_request.h progress_view.h
  text_source.cpp text_source.h
  transfer_stats.cpp transfer_stats.h
  upload_batch.cpp upload_batch.h)
