// Streaming SHA-256 of an uploaded file, reported in the answer so a client can compare.
#pragma once
#include <openssl/evp.h>

#include <memory>
#include <string>

class CSha256 {
public:
    CSha256();
    void Update(const void* pData, size_t nSize);
    // Lower-case hex; the object is finished afterwards.
    std::string FinishHex();

private:
    struct Deleter {
        void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
    };
    std::unique_ptr<EVP_MD_CTX, Deleter> m_pCtx;
};

std::string ToHex(const unsigned char* pData, size_t nSize);
