// CJpegError: libjpeg's error manager with a place to return to, for the JPEG writer and
// the scaling decoder of the picture loader.
#pragma once
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

// A fatal error inside libjpeg jumps back to the one small frame that called setjmp, which
// holds nothing with a destructor, instead of ending the host's process. Warnings are
// dropped: a control inside a browser has no stderr to print them on.
struct CJpegError : jpeg_error_mgr {
    std::jmp_buf jump;
    char szMessage[JMSG_LENGTH_MAX];

    // Points cinfo at this manager.
    void Install(jpeg_common_struct* cinfo) {
        cinfo->err = jpeg_std_error(this);
        error_exit = &ReturnToCaller;
        output_message = &DropMessage;
        szMessage[0] = '\0';
    }

private:
    [[noreturn]] static void ReturnToCaller(j_common_ptr cinfo) {
        auto* pError = static_cast<CJpegError*>(cinfo->err);
        pError->format_message(cinfo, pError->szMessage);
        std::longjmp(pError->jump, 1);
    }
    static void DropMessage(j_common_ptr) {}
};
