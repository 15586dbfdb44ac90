// album-server PORT DATA_DIR ACCOUNTS_FILE [--secret TEXT] [--any-file] [--demo] [--page FILE]
//              [--cab FILE] [--request-time SECONDS]
//              [--tls-cert FILE --tls-key FILE]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "album_server.h"
#include "server_main.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: album-server PORT DATA_DIR ACCOUNTS_FILE [--secret TEXT] [--any-file]\n"
                 "                    [--demo] [--page UPLOAD_PAGE_TEMPLATE] [--cab TESSALINE_CAB]\n"
                 "                    [--request-time SECONDS]\n"
                 "                    [--tls-cert CERT_CHAIN.pem --tls-key KEY.pem]\n"
                 "  --demo serves the upload page, which hands out signatures to anyone: never on a\n"
                 "  real site.\n"
                 "  PORT 0 picks a free port; the first line on stdout is \"listening 127.0.0.1:PORT\",\n"
                 "  then one line \"signature KXUIN SIGNATURE ALBUM\" per album.\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return Usage();
    const auto nPort = ParsePort(argv[1]);
    if (!nPort) return Usage();
    CAlbumServer::Options options;
    options.dataDir = argv[2];
    const std::filesystem::path accounts = argv[3];
    std::optional<std::string> secret;
    for (int i = 4; i < argc; ++i) {
        if (std::strcmp(argv[i], "--secret") == 0 && i + 1 < argc)
            secret = argv[++i];
        else if (std::strcmp(argv[i], "--any-file") == 0)
            options.bAnyFile = true;
        else if (std::strcmp(argv[i], "--demo") == 0)
            options.bDemo = true;
        else if (std::strcmp(argv[i], "--request-time") == 0 && i + 1 < argc && std::atoi(argv[i + 1]) > 0)
            options.nRequestSeconds = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--page") == 0 && i + 1 < argc)
            options.uploadPage = argv[++i];
        else if (std::strcmp(argv[i], "--cab") == 0 && i + 1 < argc)
            options.cabinet = argv[++i];
        else if (std::strcmp(argv[i], "--tls-cert") == 0 && i + 1 < argc)
            options.tlsCert = argv[++i];
        else if (std::strcmp(argv[i], "--tls-key") == 0 && i + 1 < argc)
            options.tlsKey = argv[++i];
        else
            return Usage();
    }
    // Both or neither.
    if (options.tlsCert.empty() != options.tlsKey.empty()) return Usage();

    std::error_code ec;
    std::filesystem::create_directories(options.dataDir, ec);
    if (!secret) secret = CSigner::LoadOrCreateSecret(options.dataDir / ".secret");
    if (!secret) {
        std::fprintf(stderr, "album-server: cannot keep a secret in %s\n", options.dataDir.c_str());
        return 1;
    }
    std::string strError;
    auto book = CAccountBook::Load(accounts, options.dataDir, strError);
    if (!book) {
        std::fprintf(stderr, "album-server: %s\n", strError.c_str());
        return 1;
    }

    const CSigner signer(*secret);
    CAlbumServer server(*book, signer, options);
    if (!server.IsValid()) {
        std::fprintf(stderr, "album-server: cannot use the certificate %s with the key %s\n", options.tlsCert.c_str(),
                     options.tlsKey.c_str());
        return 1;
    }
    return ServeUntilSignalled("album-server", *nPort,
                               {.bind = [&](int n) { return server.Bind(n); },
                                .announce =
                                    [&] {
                                        for (const auto& album : book->Albums())
                                            std::printf("signature %s %s %s\n", album.strKxuin.c_str(),
                                                        signer.Issue(album.strKxuin, album.strNameGbk).c_str(),
                                                        album.strNameUtf8.c_str());
                                    },
                                .serve = [&] { return server.Listen(); },
                                .stop = [&] { server.Stop(); }});
}
