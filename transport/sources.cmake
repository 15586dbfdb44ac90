# HTTP transport: multipart body, random strings, header lookup, transfer rules (portable);
# the worker, the notification window and the WinINet engine (Win32).
tessaline_sources(PORTABLE
    attempt_counter.h
    body_reader.h
    header_lookup.cpp header_lookup.h
    http_url.cpp http_url.h
    multipart_body.cpp multipart_body.h
    multipart_form.cpp multipart_form.h
    random_string.cpp random_string.h
    retry_after.cpp retry_after.h
    transfer_code.h
    transfer_rules.cpp transfer_rules.h)
tessaline_sources(WIN
    answer_file.cpp answer_file.h
    critical_section.h
    file_body_reader.h
    http_transfer.cpp http_transfer.h
    http_upload.cpp http_upload.h
    internet_handle.h
    notify_link.cpp notify_link.h
    notify_wnd.cpp notify_wnd.h
    request_context.cpp request_context.h
    status_sink.h
    transfer_listener.h
    transfer_messages.h
    worker_thread.cpp worker_thread.h)
