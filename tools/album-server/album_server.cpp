#include "album_server.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>

#include "album_pages.h"
#include "file_names.h"
#include "gbk_text.h"

namespace fs = std::filesystem;

namespace {

std::unique_ptr<httplib::Server> MakeHttpServer(const CAlbumServer::Options& options) {
    std::unique_ptr<httplib::Server> pServer;
    if (options.tlsCert.empty())
        pServer = std::make_unique<httplib::Server>();
    else
        pServer = std::make_unique<httplib::SSLServer>(options.tlsCert.c_str(), options.tlsKey.c_str());
    // The answer's headers and body go out in separate writes: without this the second waits
    // for the client's delayed acknowledgement, some 40 ms an answer.
    pServer->set_tcp_nodelay(true);
    // The library's few requests a connection stay: it keeps reading a connection whose upload
    // was cut off as further requests, so a longer run would let a client that trickles its
    // body hold the thread past the request's time limit.
    return pServer;
}

}  // namespace

CAlbumServer::CAlbumServer(CAccountBook& book, const CSigner& signer, Options options)
    : m_book(book),
      m_signer(signer),
      m_options(std::move(options)),
      m_incomingDir(m_options.dataDir / ".incoming"),
      m_pServer(MakeHttpServer(m_options)),
      m_server(*m_pServer) {
    // The control's sizes are 32-bit; anything longer cannot come from it.
    m_server.set_payload_max_length(0xFFFFFFFFu);
    // The control's worker runs at idle priority and may pause between writes on a busy
    // machine; give it room before hanging up.
    m_server.set_read_timeout(30, 0);
    m_server.set_write_timeout(30, 0);
    // Every answer is what its Content-Type says: a browser never guesses a page out of a
    // stored file.
    m_server.set_default_headers({{"X-Content-Type-Options", "nosniff"}});

    m_server.Get("/", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content(RenderIndexPage(m_book, m_options.bDemo && !m_options.uploadPage.empty()),
                        "text/html; charset=GBK");
    });
    m_server.Get("/stats", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content("uploads " + std::to_string(m_nUploads) + "\nstored " + std::to_string(m_nStored) +
                            "\nrejected " + std::to_string(m_nRejected) + "\nfailed " + std::to_string(m_nFailed) +
                            "\nincomplete " + std::to_string(m_nIncomplete) + "\n",
                        "text/plain");
    });
    m_server.Get(R"(/album/(\d+)/([0-9a-f]+)/)", [this](const httplib::Request& req, httplib::Response& res) {
        const Album* album = m_book.FindById(req.matches[1].str(), req.matches[2].str());
        if (!album) {
            res.status = 404;
            return;
        }
        res.set_content(RenderAlbumPage(m_book, *album), "text/html; charset=GBK");
    });
    m_server.Get(R"(/view/(\d+)/([0-9a-f]+)/)", [this](const httplib::Request& req, httplib::Response& res) {
        const Album* album = m_book.FindById(req.matches[1].str(), req.matches[2].str());
        if (!album) {
            res.status = 404;
            return;
        }
        // Reloaded by the page after every batch: never from a cache.
        res.set_header("Cache-Control", "no-cache");
        res.set_content(RenderAlbumView(m_book, *album), "text/html; charset=GBK");
    });
    m_server.Get(R"(/upload/(\d+)/([0-9a-f]+)/)",
                 [this](const httplib::Request& req, httplib::Response& res) { HandleUploadPage(req, res); });
    m_server.Get("/tessaline.cab", [this](const httplib::Request&, httplib::Response& res) {
        std::ifstream in(m_options.cabinet, std::ios::binary);
        if (m_options.cabinet.empty() || !in) {
            res.status = 404;
            return;
        }
        res.set_content(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
                        "application/vnd.ms-cab-compressed");
    });
    m_server.Get(R"(/album/(\d+)/([0-9a-f]+)/([^/]+))",
                 [this](const httplib::Request& req, httplib::Response& res) { HandlePicture(req, res); });
    m_server.Post(R"(/.*)", [this](const httplib::Request& req, httplib::Response& res,
                                   const httplib::ContentReader& reader) { HandleUpload(req, res, reader); });
}

int CAlbumServer::Bind(int nPort) {
    std::error_code ec;
    fs::create_directories(m_incomingDir, ec);
    // Whatever a crash left half received is not anybody's picture.
    for (const auto& entry : fs::directory_iterator(m_incomingDir, ec)) fs::remove(entry.path(), ec);
    if (nPort == 0) return m_server.bind_to_any_port("127.0.0.1");
    return m_server.bind_to_port("127.0.0.1", nPort) ? nPort : -1;
}

bool CAlbumServer::Listen() { return m_server.listen_after_bind(); }

void CAlbumServer::Stop() { m_server.stop(); }

const Album* CAlbumServer::AlbumOf(const std::map<std::string, std::string>& fields) const {
    const auto kxuin = fields.find("kxuin");
    const auto name = fields.find("albumname");
    if (kxuin == fields.end() || name == fields.end()) return nullptr;
    return m_book.Find(kxuin->second, name->second);
}

std::optional<uint64_t> CAlbumServer::KeepBudget(const std::map<std::string, std::string>& fields, int64_t nNow) const {
    // Authorised before accepted: a file part that comes before a valid signature for an
    // album is read and thrown away, and never touches the disk.
    const auto signature = fields.find("signature");
    const Album* album = AlbumOf(fields);
    if (signature == fields.end() || !album ||
        m_signer.Verify(album->strKxuin, album->strNameGbk, signature->second, nNow) != CSigner::Check::Valid)
        return std::nullopt;
    const uint64_t nUsed = m_book.UsedBytes(*album);
    const uint64_t nLeft = album->nQuotaBytes > nUsed ? album->nQuotaBytes - nUsed : 0;
    return m_options.bAnyFile ? nLeft : std::min(nLeft, kMaxFileBytes);
}

void CAlbumServer::HandleUpload(const httplib::Request& req, httplib::Response& res,
                                const httplib::ContentReader& reader) {
    ++m_nUploads;
    // One clock for the whole request: its signature is judged at the time it began, and a
    // client that sends slowly enough to hold a thread for long is cut off.
    const int64_t nNow = CSigner::Now();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(m_options.nRequestSeconds);
    bool bTooSlow = false;
    const auto inTime = [&] {
        bTooSlow = std::chrono::steady_clock::now() > deadline;
        return !bTooSlow;
    };
    if (!req.is_multipart_form_data()) {
        const bool bWhole = reader([&](const char*, size_t) { return inTime(); });
        if (!bWhole) {
            ++m_nIncomplete;
            res.set_header("Connection", "close");
            return;
        }
        ++m_nRejected;
        Answer(res, verdicts::kBadForm, nullptr);
        return;
    }
    CUploadReceiver receiver(m_incomingDir, [&](const auto& fields) { return KeepBudget(fields, nNow); });
    const bool bWhole = reader(
        [&](const httplib::MultipartFormData& part) { return inTime() && receiver.OnPart(part.name, part.filename); },
        [&](const char* pData, size_t nSize) { return inTime() && receiver.OnData(pData, nSize); });
    if (!bWhole) {
        // Cut off, or the closing boundary never came: the receiver's temporary file goes
        // with it. The client is most likely gone; the answer is for one that is not, and
        // the rest of its body is not read.
        ++m_nIncomplete;
        res.set_header("Connection", "close");
        Answer(res, bTooSlow ? verdicts::kTooSlow : verdicts::kIncomplete, nullptr);
        return;
    }
    const Verdict verdict = Judge(receiver, nNow);
    switch (verdict.code) {
    case RetCode::Stored: ++m_nStored; break;
    case RetCode::Rejected: ++m_nRejected; break;
    default: ++m_nFailed; break;
    }
    Answer(res, verdict, &receiver);
}

Verdict CAlbumServer::Judge(CUploadReceiver& receiver, int64_t nNow) {
    const bool bWritten = receiver.Finish();
    const auto& fields = receiver.Fields();
    if (receiver.Malformed() || !receiver.HasFile() || !fields.contains("signature") || !fields.contains("kxuin") ||
        !fields.contains("albumname"))
        return verdicts::kBadForm;
    const Album* album = AlbumOf(fields);
    if (!album) return verdicts::kNoSuchAlbum;
    switch (m_signer.Verify(album->strKxuin, album->strNameGbk, fields.at("signature"), nNow)) {
    case CSigner::Check::Valid: break;
    case CSigner::Check::Expired: return verdicts::kSignatureExpired;
    case CSigner::Check::Invalid: return verdicts::kBadSignature;
    }
    if (receiver.FileDiscarded()) return verdicts::kFileBeforeSignature;
    const auto imgfile = receiver.Field("imgfile");
    const auto name = SafePictureName(imgfile && !imgfile->empty() ? *imgfile : receiver.FileName());
    if (!m_options.bAnyFile) {
        // Only what a browser shows as a picture, and only under the name of its own kind:
        // no page, script or program is ever stored, whatever its name says.
        const PictureKind kind = receiver.ContentKind();
        if (kind == PictureKind::None) return verdicts::kNotAPicture;
        if (name && PictureKindOfName(*name) != kind) return verdicts::kNameDisagrees;
        if (receiver.FileBytes() > kMaxFileBytes) return verdicts::kTooLarge;
    }
    if (!name) return verdicts::kBadFileName;
    if (!bWritten || !receiver.File()) return verdicts::kStorageFailed;
    if (!receiver.FileKept()) return verdicts::kOverQuota;

    std::string strStored;
    switch (m_book.Commit(*album, *receiver.File(), receiver.FileBytes(), *name, strStored)) {
    case CAccountBook::CommitResult::Stored: return verdicts::kStored;
    case CAccountBook::CommitResult::OverQuota: return verdicts::kOverQuota;
    case CAccountBook::CommitResult::StorageFailed: break;
    }
    return verdicts::kStorageFailed;
}

void CAlbumServer::Answer(httplib::Response& res, const Verdict& verdict, const CUploadReceiver* pReceiver) {
    res.status = 200;
    res.set_header("Album-RetCode", std::to_string(static_cast<int>(verdict.code)));
    res.set_header("Error-Info", Utf8ToGbk(verdict.reasonUtf8).value_or(std::string()));
    std::string body = "retcode " + std::to_string(static_cast<int>(verdict.code)) + "\n";
    if (pReceiver && pReceiver->HasFile())
        body += "bytes " + std::to_string(pReceiver->FileBytes()) + "\nsha256 " + pReceiver->Sha256() + "\n";
    res.set_content(body, "text/plain");
}

void CAlbumServer::HandleUploadPage(const httplib::Request& req, httplib::Response& res) {
    const Album* album = m_book.FindById(req.matches[1].str(), req.matches[2].str());
    std::ifstream in(m_options.uploadPage, std::ios::binary);
    if (!m_options.bDemo || !album || m_options.uploadPage.empty() || !in) {
        res.status = 404;
        return;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Uploads go back to the address the browser reached this server by.
    const std::string host = req.has_header("Host") ? req.get_header_value("Host") : "127.0.0.1";
    const std::map<std::string, std::string> values = {
        {"KXUIN", album->strKxuin},
        {"ALBUM_NAME", JsStringText(album->strNameUtf8)},
        {"SIGNATURE", m_signer.Issue(album->strKxuin, album->strNameGbk)},
        {"SPACE_KB", std::to_string(album->nQuotaBytes / 1024)},
        {"USED_KB", std::to_string(KilobytesUp(m_book.UsedBytes(*album)))},
        {"UPLOAD_CGI", JsStringText("http://" + host + "/cgi-bin/upload")},
        {"ALBUM_VIEW", AlbumViewPath(*album)},
    };
    res.set_header("Cache-Control", "no-cache");
    // The template is UTF-8, and so is the page: its script hands the control Unicode text.
    res.set_content(FillTemplate(text, values), "text/html; charset=UTF-8");
}

void CAlbumServer::HandlePicture(const httplib::Request& req, httplib::Response& res) {
    const Album* album = m_book.FindById(req.matches[1].str(), req.matches[2].str());
    const std::string requested = req.matches[3].str();
    const auto name = SafePictureName(requested);
    std::error_code ec;
    const fs::path file = album && name && *name == requested ? album->dir / *name : fs::path();
    const uint64_t nSize = file.empty() ? 0 : fs::file_size(file, ec);
    if (file.empty() || ec) {
        res.status = 404;
        return;
    }
    const std::string type(ContentTypeOf(PictureKindOfName(*name)));
    auto in = std::make_shared<std::ifstream>(file, std::ios::binary);
    res.set_content_provider(static_cast<size_t>(nSize), type,
                             [in](size_t offset, size_t length, httplib::DataSink& sink) {
                                 char buffer[65536];
                                 in->seekg(static_cast<std::streamoff>(offset));
                                 in->read(buffer, static_cast<std::streamsize>(std::min(length, sizeof buffer)));
                                 const auto n = in->gcount();
                                 return n > 0 && sink.write(buffer, static_cast<size_t>(n));
                             });
}
