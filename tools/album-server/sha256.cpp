#include "sha256.h"

#include <stdexcept>

CSha256::CSha256() : m_pCtx(EVP_MD_CTX_new()) {
    if (!m_pCtx || EVP_DigestInit_ex(m_pCtx.get(), EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 unavailable");
}

void CSha256::Update(const void* pData, size_t nSize) { EVP_DigestUpdate(m_pCtx.get(), pData, nSize); }

std::string CSha256::FinishHex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int nSize = 0;
    EVP_DigestFinal_ex(m_pCtx.get(), digest, &nSize);
    return ToHex(digest, nSize);
}

std::string ToHex(const unsigned char* pData, size_t nSize) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(nSize * 2);
    for (size_t i = 0; i < nSize; ++i) {
        out.push_back(kDigits[pData[i] >> 4]);
        out.push_back(kDigits[pData[i] & 15]);
    }
    return out;
}
