// Adds a test root certificate to the local machine's trusted roots of this Wine prefix, or
// takes it out again, so that https tests on loopback meet a certificate the system trusts.
//   root_cert.exe add|remove CERT.der
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

class CSystemStore {
public:
    CSystemStore() : m_hStore(CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root")) {}
    ~CSystemStore() {
        if (m_hStore) CertCloseStore(m_hStore, 0);
    }
    CSystemStore(const CSystemStore&) = delete;
    CSystemStore& operator=(const CSystemStore&) = delete;
    HCERTSTORE Get() const { return m_hStore; }

private:
    HCERTSTORE m_hStore;
};

bool Remove(HCERTSTORE hStore, const std::vector<BYTE>& der) {
    PCCERT_CONTEXT pCert = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    if (!pCert) return false;
    // Deleting frees the context found; the one made from the file is freed here.
    PCCERT_CONTEXT pFound =
        CertFindCertificateInStore(hStore, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, pCert, nullptr);
    CertFreeCertificateContext(pCert);
    return !pFound || CertDeleteCertificateFromStore(pFound);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "add") != 0 && std::strcmp(argv[1], "remove") != 0)) {
        std::fprintf(stderr, "usage: root_cert add|remove CERT.der\n");
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    const std::vector<BYTE> der((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (der.empty()) {
        std::fprintf(stderr, "root_cert: cannot read %s\n", argv[2]);
        return 1;
    }
    CSystemStore store;
    if (!store.Get()) {
        std::fprintf(stderr, "root_cert: cannot open the Root store (%lu)\n", GetLastError());
        return 1;
    }
    const bool bOk =
        std::strcmp(argv[1], "add") == 0
            ? CertAddEncodedCertificateToStore(store.Get(), X509_ASN_ENCODING, der.data(),
                                               static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr)
            : Remove(store.Get(), der);
    if (!bOk) std::fprintf(stderr, "root_cert: %s failed (%lu)\n", argv[1], GetLastError());
    return bOk ? 0 : 1;
}
