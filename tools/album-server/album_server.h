// The album endpoint: takes uploads, answers the verdict headers, serves the album pages.
#pragma once
#include <httplib.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include "account_book.h"
#include "signer.h"
#include "upload_receiver.h"
#include "verdict.h"

class CAlbumServer {
public:
    // Bigger than any photograph a camera makes; an album's quota may be smaller still.
    static constexpr uint64_t kMaxFileBytes = 64ull << 20;

    struct Options {
        std::filesystem::path dataDir;
        // Store any bytes of any size under any safe name (for transfer tests), not only
        // pictures whose name and first bytes agree.
        bool bAnyFile = false;
        // Serve the pages that hand out signatures (the upload page): a demonstration's
        // stand-in for a site's signed-in pages, never for a real site.
        bool bDemo = false;
        // The longest an upload may take, from its headers to its last byte.
        int nRequestSeconds = 600;
        // The upload page template (examples/upload.html), served with --demo for each album
        // at /upload/KXUIN/HEX/ with that album's values, as a site would render it for the
        // signed-in owner; none: no such page.
        std::filesystem::path uploadPage;
        // The signed cabinet, served at /tessaline.cab for the page's codebase; none: 404.
        std::filesystem::path cabinet;
        // A certificate chain and its private key (PEM): the server speaks https only; none:
        // plain http.
        std::filesystem::path tlsCert;
        std::filesystem::path tlsKey;
    };

    CAlbumServer(CAccountBook& book, const CSigner& signer, Options options);

    // False when the TLS certificate or key could not be used.
    bool IsValid() const { return m_server.is_valid(); }
    // Binds 127.0.0.1; port 0 picks a free one. Returns the port, or -1.
    int Bind(int nPort);
    // Serves until Stop; false when the server could not run.
    bool Listen();
    void Stop();

private:
    void HandleUpload(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader);
    Verdict Judge(CUploadReceiver& receiver, int64_t nNow);
    std::optional<uint64_t> KeepBudget(const std::map<std::string, std::string>& fields, int64_t nNow) const;
    const Album* AlbumOf(const std::map<std::string, std::string>& fields) const;
    void Answer(httplib::Response& res, const Verdict& verdict, const CUploadReceiver* pReceiver);
    void HandlePicture(const httplib::Request& req, httplib::Response& res);
    void HandleUploadPage(const httplib::Request& req, httplib::Response& res);

    CAccountBook& m_book;
    const CSigner& m_signer;
    Options m_options;
    std::filesystem::path m_incomingDir;
    // Plain or TLS, as the options say.
    std::unique_ptr<httplib::Server> m_pServer;
    httplib::Server& m_server;

    std::atomic<uint64_t> m_nUploads{0}, m_nStored{0}, m_nRejected{0}, m_nFailed{0}, m_nIncomplete{0};
};
