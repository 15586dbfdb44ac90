# HTTP transport, Win32 side: worker thread, notification window, the WinINet engine, uploads.
tessaline_sources(WIN
    answer_file.cpp answer_file.h
    answer_path.cpp answer_path.h
    critical_section.h
    engine_registry.cpp engine_registry.h
    file_body_reader.cpp file_body_reader.h
    http_transfer.cpp http_transfer.h
    http_upload.cpp http_upload.h
    internet_error.cpp internet_error.h
    internet_handle.h
    notify_link.cpp notify_link.h
    notify_wnd.cpp notify_wnd.h
    request_context.cpp request_context.h
    status_sink.h
    temp_folder.cpp temp_folder.h
    transfer_listener.h
    transfer_messages.h
    worker_thread.cpp worker_thread.h)
