# HTTP transport: multipart body, random strings, header lookup, transfer rules (portable);
# the worker, the notification window and the WinINet engine (Win32).
tessaline_sources(PORTABLE
    attempt_counter.h
    body_reader.h
    crt_random.cpp crt_random.h
    header_lookup.cpp header_lookup.h
    http_url.cpp http_url.h
    multipart_body.cpp multipart_body.h
    multipart_form.cpp multipart_form.h
    random_source.h
    random_string.cpp random_string.h
    transfer_code.h
    transfer_rules.cpp transfer_rules.h)
