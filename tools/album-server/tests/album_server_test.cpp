// The album server as a real process on a free port, driven by real HTTP clients: bodies
// composed exactly as the control composes them, a foreign multipart composer, and a raw
// socket that hangs up in the middle.
#include <httplib.h>
#include <openssl/evp.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <thread>

#include "account_book.h"
#include "album_pages.h"
#include "album_server.h"
#include "process_socket.h"
#include "raw_client.h"
#include "server_process.h"
#include "signer.h"
#include "transport/multipart_body.h"
#include "transport/multipart_form.h"

namespace fs = std::filesystem;

namespace {

// Code page 936 spellings of the texts the server answers with, worked out independently.
const std::string kGbkAlbum = "\xce\xd2\xb5\xc4\xcf\xe0\xb2\xe1";                       // 我的相册
const std::string kGbkSmall = "\xd0\xa1\xcf\xe0\xb2\xe1";                               // 小相册
const std::string kGbkBadSignature = "\xc7\xa9\xc3\xfb\xb4\xed\xce\xf3";                // 签名错误
const std::string kGbkOverQuota = "\xcf\xe0\xb2\xe1\xbf\xd5\xbc\xe4\xb2\xbb\xd7\xe3";   // 相册空间不足
const std::string kGbkNotPicture = "\xb2\xbb\xca\xc7\xcd\xbc\xc6\xac\xce\xc4\xbc\xfe";  // 不是图片文件
const std::string kGbkNoAlbum = "\xcf\xe0\xb2\xe1\xb2\xbb\xb4\xe6\xd4\xda";             // 相册不存在
const std::string kGbkBadName = "\xce\xc4\xbc\xfe\xc3\xfb\xce\xde\xd0\xa7";             // 文件名无效
const std::string kGbkPhoto = "\xd5\xd5\xc6\xac";                                       // 照片
const std::string kGbkBadForm = "\xb1\xed\xb5\xa5\xb2\xbb\xcd\xea\xd5\xfb";             // 表单不完整
const std::string kGbkTooLarge = "\xcd\xbc\xc6\xac\xcc\xab\xb4\xf3";                    // 图片太大
const std::string kGbkTooSlow = "\xc9\xcf\xb4\xab\xb3\xac\xca\xb1";                     // 上传超时
// 文件名与图片类型不符
const std::string kGbkNameDisagrees =
    "\xce\xc4\xbc\xfe\xc3\xfb\xd3\xeb\xcd\xbc\xc6\xac\xc0\xe0\xd0\xcd\xb2\xbb\xb7\xfb";
// 文件在签名之前，未予接收
const std::string kGbkFileFirst =
    "\xce\xc4\xbc\xfe\xd4\xda\xc7\xa9\xc3\xfb\xd6\xae\xc7\xb0\xa3\xac\xce\xb4\xd3\xe8\xbd\xd3\xca\xd5";
// 签名已过期，请刷新页面
const std::string kGbkExpired =
    "\xc7\xa9\xc3\xfb\xd2\xd1\xb9\xfd\xc6\xda\xa3\xac\xc7\xeb\xcb\xa2\xd0\xc2\xd2\xb3\xc3\xe6";

std::string Sha256OfFile(const fs::path& path) {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr);
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buffer(1 << 20);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0)
        EVP_DigestUpdate(ctx.get(), buffer.data(), static_cast<size_t>(in.gcount()));
    unsigned char digest[32];
    unsigned int n = 0;
    EVP_DigestFinal_ex(ctx.get(), digest, &n);
    return HexOf(std::string_view(reinterpret_cast<char*>(digest), n));
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// One part of a multipart body as any composer writes it; a file part when `filename` is given.
std::string FormPart(std::string_view boundary, std::string_view name, std::string_view value,
                     std::string_view filename = {}) {
    std::string part =
        "--" + std::string(boundary) + "\r\nContent-Disposition: form-data; name=\"" + std::string(name) + "\"";
    if (!filename.empty()) part += "; filename=\"" + std::string(filename) + "\"";
    return part + "\r\n\r\n" + std::string(value) + "\r\n";
}

// A file of pseudo-random bytes; `head` (a picture signature) comes first when it fits.
void WriteFile(const fs::path& path, uint64_t nSize, std::string_view head, uint32_t nSeed) {
    std::ofstream out(path, std::ios::binary);
    std::mt19937 gen(nSeed);
    std::vector<char> block(1 << 20);
    uint64_t nWritten = 0;
    while (nWritten < nSize) {
        for (auto& c : block) c = static_cast<char>(gen());
        if (nWritten == 0) std::copy_n(head.begin(), std::min<size_t>(head.size(), block.size()), block.begin());
        const size_t n = static_cast<size_t>(std::min<uint64_t>(block.size(), nSize - nWritten));
        out.write(block.data(), static_cast<std::streamsize>(n));
        nWritten += n;
    }
}

class CFileReader : public CBodyReader {
public:
    explicit CFileReader(const fs::path& path) : m_in(path, std::ios::binary) {}
    bool Read(char* pBuffer, uint32_t nCapacity, uint32_t& nRead) override {
        m_in.read(pBuffer, nCapacity);
        nRead = static_cast<uint32_t>(m_in.gcount());
        return !m_in.bad();
    }

private:
    std::ifstream m_in;
};

struct Upload {
    std::string signature;
    std::string album = kGbkAlbum;
    std::string kxuin = "10001";
    std::string imgfile;  // defaults to the file's name
};

struct Answer {
    int nStatus = 0;
    std::string retCode;
    std::string errorInfo;
    std::string body;
};

Answer ToAnswer(const httplib::Result& result) {
    Answer answer;
    if (!result) return answer;
    answer.nStatus = result->status;
    answer.retCode = result->get_header_value("Album-RetCode");
    answer.errorInfo = result->get_header_value("Error-Info");
    answer.body = result->body;
    return answer;
}

CMultipartForm ControlForm(const Upload& upload, const fs::path& file) {
    CMultipartForm form;
    form.ResetForm("Xy12Ab");
    form.AddField("signature", upload.signature);
    form.AddField("albumname", upload.album);
    form.AddField("imgfile", upload.imgfile.empty() ? file.filename().string() : upload.imgfile);
    form.AddField("filesize", "1.00");
    form.AddField("kxuin", upload.kxuin);
    form.AddFilePart("album", "C:\\pics\\" + file.filename().string(), IsGbkLeadByte);
    return form;
}

class AlbumServer : public testing::Test {
protected:
    void SetUp() override { Start({}); }

    void Start(std::vector<std::string> extra) {
        {
            std::ofstream accounts(m_accounts);
            accounts << "# kxuin quota-KB album\n"
                        "10001 1048576 我的相册\n"
                        "10001 64 小相册\n"
                        "20002 1024 Travel\n";
        }
        std::vector<std::string> args = m_command;
        args.insert(args.end(), {"0", m_data, m_accounts});
        args.insert(args.end(), extra.begin(), extra.end());
        m_server = std::make_unique<CServerProcess>(args);
        ASSERT_NE(m_server->Port(), 0) << "server did not start";
        m_signatures.clear();
        for (int i = 0; i < 3; ++i) {
            const auto line = m_server->ReadLine();
            ASSERT_TRUE(line.has_value());
            char kxuin[32], sig[64], name[64];
            ASSERT_EQ(std::sscanf(line->c_str(), "signature %31s %63s %63[^\n]", kxuin, sig, name), 3) << *line;
            m_signatures[std::string(kxuin) + "/" + name] = sig;
        }
    }

    void Restart(std::vector<std::string> extra = {}) {
        m_server.reset();
        Start(std::move(extra));
    }

    Upload For(const std::string& kxuin, const std::string& nameUtf8, const std::string& nameGbk) {
        Upload upload;
        upload.kxuin = kxuin;
        upload.album = nameGbk;
        upload.signature = m_signatures[kxuin + "/" + nameUtf8];
        return upload;
    }
    Upload Mine() { return For("10001", "我的相册", kGbkAlbum); }

    // Streams the body chunk by chunk, as the control does, with its exact Content-Length.
    Answer Post(const Upload& upload, const fs::path& file) {
        const CMultipartForm form = ControlForm(upload, file);
        const uint64_t nSize = fs::file_size(file);
        CFileReader reader(file);
        CMultipartBody body(form, reader, static_cast<uint32_t>(nSize));
        std::array<char, CMultipartBody::kChunkSize> buffer{};
        httplib::Client client("127.0.0.1", m_server->Port());
        client.set_read_timeout(120, 0);
        client.set_write_timeout(120, 0);
        auto result = client.Post(
            "/cgi-bin/upload", {}, *form.ContentLength(nSize),
            [&](size_t, size_t, httplib::DataSink& sink) {
                const auto chunk = body.Next(buffer);
                if (chunk.status != CMultipartBody::ChunkStatus::Data) return false;
                return chunk.nSize == 0 || sink.write(buffer.data(), chunk.nSize);
            },
            "multipart/form-data; boundary=" + form.Boundary());
        return ToAnswer(result);
    }

    fs::path AlbumDir(const std::string& kxuin, const std::string& nameGbk) const {
        return fs::path(m_data) / kxuin / HexOf(nameGbk);
    }

    size_t CountFiles(const fs::path& dir) const {
        size_t n = 0;
        for (const auto& entry : fs::directory_iterator(dir)) n += entry.is_regular_file();
        return n;
    }

    std::map<std::string, uint64_t> Stats() {
        httplib::Client client("127.0.0.1", m_server->Port());
        std::map<std::string, uint64_t> stats;
        if (auto result = client.Get("/stats")) {
            std::istringstream in(result->body);
            std::string key;
            uint64_t value;
            while (in >> key >> value) stats[key] = value;
        }
        return stats;
    }

    fs::path Picture(const std::string& name, uint64_t nSize, uint32_t nSeed = 1) {
        const fs::path path = fs::path(m_files.Path()) / name;
        WriteFile(path, nSize, "\xff\xd8\xff\xe0", nSeed);
        return path;
    }

    std::vector<std::string> m_command = {ALBUM_SERVER_EXE};
    CScratchDir m_dir;
    CScratchDir m_files;
    std::string m_data = m_dir.Path() + "/data";
    std::string m_accounts = m_dir.Path() + "/accounts.txt";
    std::unique_ptr<CServerProcess> m_server;
    std::map<std::string, std::string> m_signatures;
};

TEST_F(AlbumServer, StoresAByteIdenticalPicture) {
    const fs::path file = Picture("img_01.jpg", 300 * 1024 + 7);
    const Answer answer = Post(Mine(), file);
    EXPECT_EQ(answer.nStatus, 200);
    EXPECT_EQ(answer.retCode, "100");
    EXPECT_NE(answer.body.find("sha256 " + Sha256OfFile(file)), std::string::npos) << answer.body;
    const fs::path stored = AlbumDir("10001", kGbkAlbum) / "img_01.jpg";
    ASSERT_TRUE(fs::exists(stored));
    EXPECT_TRUE(ReadFile(stored) == ReadFile(file));
    EXPECT_EQ(CountFiles(fs::path(m_data) / ".incoming"), 0u);
}

TEST_F(AlbumServer, SameNameTwiceKeepsBoth) {
    EXPECT_EQ(Post(Mine(), Picture("a.jpg", 2000, 1)).retCode, "100");
    EXPECT_EQ(Post(Mine(), Picture("a.jpg", 3000, 2)).retCode, "100");
    const fs::path dir = AlbumDir("10001", kGbkAlbum);
    EXPECT_EQ(fs::file_size(dir / "a.jpg"), 2000u);
    EXPECT_EQ(fs::file_size(dir / "a-2.jpg"), 3000u);
}

TEST_F(AlbumServer, RejectsABadSignatureInGbk) {
    Upload upload = Mine();
    upload.signature = For("20002", "Travel", "Travel").signature;
    const Answer answer = Post(upload, Picture("a.jpg", 5000));
    EXPECT_EQ(answer.retCode, "999");
    EXPECT_EQ(answer.errorInfo, kGbkBadSignature);
    EXPECT_EQ(CountFiles(AlbumDir("10001", kGbkAlbum)), 0u);
    EXPECT_EQ(CountFiles(fs::path(m_data) / ".incoming"), 0u);
}

TEST_F(AlbumServer, RejectsAnUnknownAlbumAndAMissingField) {
    Upload upload = Mine();
    upload.kxuin = "10009";
    Answer answer = Post(upload, Picture("a.jpg", 100));
    EXPECT_EQ(answer.retCode, "999");
    EXPECT_EQ(answer.errorInfo, kGbkNoAlbum);

    // A foreign composer without the signature field.
    httplib::Client client("127.0.0.1", m_server->Port());
    httplib::MultipartFormDataItems items = {{"albumname", kGbkAlbum, "", ""},
                                             {"kxuin", "10001", "", ""},
                                             {"album", "\xff\xd8\xff\xe0xyz", "a.jpg", "image/jpeg"}};
    answer = ToAnswer(client.Post("/upload", items));
    EXPECT_EQ(answer.retCode, "999");
}

TEST_F(AlbumServer, AcceptsAForeignMultipartComposer) {
    httplib::Client client("127.0.0.1", m_server->Port());
    const std::string content = "GIF89a-some-bytes";
    httplib::MultipartFormDataItems items = {{"kxuin", "20002", "", ""},
                                             {"signature", m_signatures["20002/Travel"], "", ""},
                                             {"albumname", "Travel", "", ""},
                                             {"album", content, "anim.gif", "image/gif"}};
    const Answer answer = ToAnswer(client.Post("/upload", items));
    EXPECT_EQ(answer.retCode, "100") << answer.body;
    EXPECT_EQ(ReadFile(AlbumDir("20002", "Travel") / "anim.gif"), content);
}

TEST_F(AlbumServer, RejectsWhatIsNotAPicture) {
    const fs::path file = fs::path(m_files.Path()) / "notes.jpg";
    std::ofstream(file) << "plain text, not a JPEG";
    const Answer answer = Post(Mine(), file);
    EXPECT_EQ(answer.retCode, "999");
    EXPECT_EQ(answer.errorInfo, kGbkNotPicture);
}

TEST_F(AlbumServer, RejectsUnsafeFileNamesAndStripsFolders) {
    Upload upload = Mine();
    upload.imgfile = ".hidden.jpg";
    Answer answer = Post(upload, Picture("a.jpg", 100));
    EXPECT_EQ(answer.retCode, "999");
    EXPECT_EQ(answer.errorInfo, kGbkBadName);

    upload.imgfile = "..\\..\\" + kGbkPhoto + ".jpg";
    answer = Post(upload, Picture("a.jpg", 100));
    EXPECT_EQ(answer.retCode, "100");
    EXPECT_TRUE(fs::exists(AlbumDir("10001", kGbkAlbum) / (kGbkPhoto + ".jpg")));
}

TEST_F(AlbumServer, EnforcesTheQuotaAcrossUploadsAndRestarts) {
    const Upload small = For("10001", "小相册", kGbkSmall);  // 64 KB
    EXPECT_EQ(Post(small, Picture("a.jpg", 40 * 1024, 1)).retCode, "100");
    const Answer over = Post(small, Picture("b.jpg", 40 * 1024, 2));
    EXPECT_EQ(over.retCode, "999");
    EXPECT_EQ(over.errorInfo, kGbkOverQuota);
    EXPECT_EQ(Post(small, Picture("c.jpg", 24 * 1024, 3)).retCode, "100");
    EXPECT_EQ(CountFiles(AlbumDir("10001", kGbkSmall)), 2u);

    // The space in use is read back from the folder, and the signatures survive too.
    Restart();
    const Answer full = Post(For("10001", "小相册", kGbkSmall), Picture("d.jpg", 100, 4));
    EXPECT_EQ(full.retCode, "999");
    EXPECT_EQ(full.errorInfo, kGbkOverQuota);
    EXPECT_EQ(CountFiles(fs::path(m_data) / ".incoming"), 0u);
}

TEST_F(AlbumServer, ConcurrentUploadsNeverOverrunTheQuota) {
    const Upload small = For("10001", "小相册", kGbkSmall);  // 64 KB: room for two of 30 KB
    std::vector<fs::path> files;
    for (int i = 0; i < 6; ++i) files.push_back(Picture("p" + std::to_string(i) + ".jpg", 30 * 1024, 10 + i));
    std::vector<std::thread> threads;
    std::vector<std::string> codes(files.size());
    for (size_t i = 0; i < files.size(); ++i)
        threads.emplace_back([&, i] { codes[i] = Post(small, files[i]).retCode; });
    for (auto& t : threads) t.join();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), "100"), 2);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), "999"), 4);
    EXPECT_EQ(CountFiles(AlbumDir("10001", kGbkSmall)), 2u);
}

TEST_F(AlbumServer, TruncatedBodyStoresNothingAndLeavesNoTempFile) {
    const fs::path file = Picture("cut.jpg", 2 << 20);
    const CMultipartForm form = ControlForm(Mine(), file);
    const std::string payload = ReadFile(file);
    {
        CRawClient client(m_server->Port());
        ASSERT_TRUE(client.Connected());
        const std::string head =
            "POST /cgi-bin/upload HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: multipart/form-data; boundary=" +
            form.Boundary() + "\r\nContent-Length: " + std::to_string(*form.ContentLength(payload.size())) + "\r\n\r\n";
        ASSERT_TRUE(client.Send(head + form.FormData() + payload.substr(0, 1 << 20)));
        // Let the server start writing the file before the client goes away.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    for (int i = 0; i < 100 && Stats()["incomplete"] == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(Stats()["incomplete"], 1u);
    EXPECT_EQ(Stats()["stored"], 0u);
    EXPECT_EQ(CountFiles(AlbumDir("10001", kGbkAlbum)), 0u);
    EXPECT_EQ(CountFiles(fs::path(m_data) / ".incoming"), 0u);
}

TEST_F(AlbumServer, BodyWithoutItsClosingDelimiterStoresNothing) {
    const fs::path file = Picture("open.jpg", 50000);
    const CMultipartForm form = ControlForm(Mine(), file);
    // All bytes the Content-Length promises arrive, but the last delimiter is missing.
    const std::string body = form.FormData() + ReadFile(file);
    CRawClient client(m_server->Port());
    ASSERT_TRUE(
        client.Send("POST /upload HTTP/1.1\r\nHost: x\r\nConnection: close\r\nContent-Type: "
                    "multipart/form-data; boundary=" +
                    form.Boundary() + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body));
    const std::string reply = client.ReadAll(std::chrono::seconds(10));
    EXPECT_EQ(reply.find("Album-RetCode: 100"), std::string::npos) << reply.substr(0, 200);
    EXPECT_EQ(CountFiles(AlbumDir("10001", kGbkAlbum)), 0u);
    EXPECT_EQ(CountFiles(fs::path(m_data) / ".incoming"), 0u);
}

// The rules that keep an endpoint safe hold for both that sites copy: this server and the
// Node.js example.
enum class Endpoint { AlbumServer, Node };

class SafeEndpoint : public AlbumServer, public testing::WithParamInterface<Endpoint> {
protected:
    void SetUp() override {
        if (GetParam() == Endpoint::Node)
            m_command = {"/usr/bin/env", "NODE_PATH=" NODE_MODULES_DIR, "node",
                         TESSALINE_SOURCE_DIR "/examples/server-node/server.js"};
        Start({});
    }
};

INSTANTIATE_TEST_SUITE_P(Both, SafeEndpoint, testing::Values(Endpoint::AlbumServer, Endpoint::Node),
                         [](const auto& info) { return info.param == Endpoint::Node ? "Node" : "AlbumServer"; });

// Nothing is accepted before it is authorised: a file part ahead of the signature is read to
// its end, so that the client gets its answer, but no byte of it is ever written.
TEST_P(SafeEndpoint, AFilePartBeforeTheSignatureIsNeverStored) {
    const std::string boundary = "b0undary";
    const std::string filePart = FormPart(boundary, "album", ReadFile(Picture("first.jpg", 1 << 20)), "first.jpg");
    const std::string rest = FormPart(boundary, "signature", m_signatures["10001/我的相册"]) +
                             FormPart(boundary, "albumname", kGbkAlbum) + FormPart(boundary, "kxuin", "10001") + "--" +
                             boundary + "--\r\n";
    CRawClient client(m_server->Port());
    ASSERT_TRUE(client.Send(
        "POST /upload HTTP/1.1\r\nHost: x\r\nConnection: close\r\nContent-Type: "
        "multipart/form-data; boundary=" +
        boundary + "\r\nContent-Length: " + std::to_string(filePart.size() + rest.size()) + "\r\n\r\n" + filePart));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(CountFiles(fs::path(m_data) / ".incoming"), 0u) << "the file was written before its signature came";
    ASSERT_TRUE(client.Send(rest));
    const std::string reply = client.ReadAll(std::chrono::seconds(10));
    EXPECT_NE(reply.find("\r\nAlbum-RetCode: 999\r\n"), std::string::npos) << reply;
    EXPECT_NE(reply.find("\r\nError-Info: " + kGbkFileFirst + "\r\n"), std::string::npos) << reply;
    EXPECT_EQ(CountFiles(AlbumDir("10001", kGbkAlbum)), 0u);
}

TEST_P(SafeEndpoint, RefusesASignatureThatHasExpired) {
    const CSigner signer(ReadFile(fs::path(m_data) / ".secret"));
    Upload upload = Mine();
    upload.signature = signer.Sign("10001", kGbkAlbum, CSigner::Now() - 1);
    Answer answer = Post(upload, Picture("late.jpg", 3000));
    EXPECT_EQ(answer.retCode, "999");
    EXPECT_EQ(answer.errorInfo, kGbkExpired);
    // The same album and time, a day further: stored. The expiry is part of what is signed.
    upload.signature = signer.Sign("10001", kGbkAlbum, CSigner::Now() + 86400);
    EXPECT_EQ(Post(upload, Picture("late.jpg", 3000)).retCode, "100");
    upload.signature = std::to_string(CSigner::Now() + 86400 * 365) + upload.signature.substr(10);
    EXPECT_EQ(Post(upload, Picture("later.jpg", 3000)).errorInfo, kGbkBadSignature);
    EXPECT_EQ(CountFiles(AlbumDir("10001", kGbkAlbum)), 1u);
}

// The forms no client of this endpoint sends: too many parts, a field twice, a field too long.
TEST_P(SafeEndpoint, RefusesFormsBeyondItsLimits) {
    const std::string signature = m_signatures["20002/Travel"];
    const httplib::MultipartFormDataItems fields = {
        {"kxuin", "20002", "", ""}, {"signature", signature, "", ""}, {"albumname", "Travel", "", ""}};
    const httplib::MultipartFormDataItems file = {{"album", "GIF89a-bytes", "a.gif", "image/gif"}};
    const auto with = [&](httplib::MultipartFormDataItems extra) {
        httplib::MultipartFormDataItems items = fields;
        items.insert(items.end(), extra.begin(), extra.end());
        items.insert(items.end(), file.begin(), file.end());
        return items;
    };
    httplib::MultipartFormDataItems many;
    for (int i = 0; i < 13; ++i) many.push_back({"note" + std::to_string(i), "x", "", ""});
    const httplib::MultipartFormDataItems forms[] = {with(many), with({{"signature", signature, "", ""}}),
                                                     with({{"imgfile", std::string(4097, 'a'), "", ""}})};
    httplib::Client client("127.0.0.1", m_server->Port());
    ASSERT_EQ(ToAnswer(client.Post("/upload", with({}))).retCode, "100") << "the form within its limits";
    for (const auto& items : forms) {
        const Answer answer = ToAnswer(client.Post("/upload", items));
        EXPECT_EQ(answer.retCode, "999") << items.size() << " parts";
        EXPECT_EQ(answer.errorInfo, kGbkBadForm);
    }
    EXPECT_EQ(CountFiles(AlbumDir("20002", "Travel")), 1u);
}

TEST_P(SafeEndpoint, RefusesAPictureOverItsSizeLimit) {
    const Answer answer = Post(Mine(), Picture("huge.jpg", CAlbumServer::kMaxFileBytes + 1));
    EXPECT_EQ(answer.retCode, "999");
    EXPECT_EQ(answer.errorInfo, kGbkTooLarge);
    EXPECT_EQ(CountFiles(AlbumDir("10001", kGbkAlbum)), 0u);
    EXPECT_EQ(CountFiles(fs::path(m_data) / ".incoming"), 0u);
}

// A client that trickles its body holds a thread; the whole request has a time limit.
TEST_P(SafeEndpoint, CutsOffAnUploadThatTakesTooLong) {
    Restart({"--request-time", "1"});
    const fs::path file = Picture("slow.jpg", 4096);
    const CMultipartForm form = ControlForm(Mine(), file);
    const std::string payload = ReadFile(file);
    CRawClient client(m_server->Port());
    ASSERT_TRUE(client.Send(
        "POST /upload HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; boundary=" + form.Boundary() +
        "\r\nContent-Length: " + std::to_string(*form.ContentLength(payload.size())) + "\r\n\r\n" + form.FormData()));
    const auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < payload.size() && std::chrono::steady_clock::now() - start < std::chrono::seconds(8);
         i += 64) {
        if (!client.Send(payload.substr(i, 64))) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << "the server kept reading";
    const std::string reply = client.ReadAll(std::chrono::seconds(5));
    EXPECT_NE(reply.find("\r\nError-Info: " + kGbkTooSlow + "\r\n"), std::string::npos) << reply;
    EXPECT_EQ(CountFiles(AlbumDir("10001", kGbkAlbum)), 0u);
    EXPECT_EQ(CountFiles(fs::path(m_data) / ".incoming"), 0u);
}

// Only pictures whose name and first bytes agree are stored, whatever else a name says.
TEST_P(SafeEndpoint, StoresOnlyPicturesUnderANameOfTheirKind) {
    const struct {
        std::string imgfile;
        std::string_view head;
        std::string retCode;
        std::string errorInfo;
    } cases[] = {
        {"a.jpeg", "\xff\xd8\xff\xe1", "100", ""},
        {"B.JPG", "\xff\xd8\xff\xdb", "100", ""},
        {"c.gif", "GIF87a", "100", ""},
        {"d.gif", "\xff\xd8\xff\xe0", "999", kGbkNameDisagrees},
        {"e.jpg", "GIF89a", "999", kGbkNameDisagrees},
        {"f.png", "\xff\xd8\xff\xe0", "999", kGbkNameDisagrees},
        {"g.html", "GIF89a", "999", kGbkNameDisagrees},
        {"h.jpg.svg", "\xff\xd8\xff\xe0", "999", kGbkNameDisagrees},
        {"i.jpg", "<html><script>", "999", kGbkNotPicture},
    };
    uint32_t nSeed = 1;
    for (const auto& c : cases) {
        Upload upload = Mine();
        upload.imgfile = c.imgfile;
        const fs::path file = fs::path(m_files.Path()) / "picture";
        WriteFile(file, 2000, c.head, ++nSeed);
        const Answer answer = Post(upload, file);
        EXPECT_EQ(answer.retCode, c.retCode) << c.imgfile;
        if (!c.errorInfo.empty()) EXPECT_EQ(answer.errorInfo, c.errorInfo) << c.imgfile;
        EXPECT_EQ(fs::exists(AlbumDir("10001", kGbkAlbum) / c.imgfile), c.retCode == "100") << c.imgfile;
    }
}

TEST_F(AlbumServer, SendsSmallWritesAtOnce) {
    CRawClient client(m_server->Port());
    ASSERT_TRUE(client.Connected());
    EXPECT_EQ(NoDelayOfSocketTo(m_server->Pid(), client.LocalPort()), true);
}

TEST_F(AlbumServer, ErrorInfoIsRawGbkOnTheWire) {
    const fs::path file = Picture("a.jpg", 10);
    Upload upload = Mine();
    upload.signature = "0000";
    const CMultipartForm form = ControlForm(upload, file);
    const std::string body = form.FormData() + ReadFile(file) + form.Trailer();
    CRawClient client(m_server->Port());
    ASSERT_TRUE(
        client.Send("POST /upload HTTP/1.1\r\nHost: x\r\nConnection: close\r\nContent-Type: "
                    "multipart/form-data; boundary=" +
                    form.Boundary() + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body));
    const std::string reply = client.ReadAll(std::chrono::seconds(10));
    EXPECT_NE(reply.find("\r\nAlbum-RetCode: 999\r\n"), std::string::npos) << reply;
    EXPECT_NE(reply.find("\r\nError-Info: " + kGbkBadSignature + "\r\n"), std::string::npos) << reply;
}

TEST_F(AlbumServer, ListingPageShowsTheStoredPictures) {
    Upload upload = Mine();
    upload.imgfile = kGbkPhoto + "&'1'.jpg";
    const fs::path first = Picture("x.jpg", 4096, 1);
    ASSERT_EQ(Post(upload, first).retCode, "100");
    ASSERT_EQ(Post(Mine(), Picture("b.jpg", 2048, 2)).retCode, "100");

    httplib::Client client("127.0.0.1", m_server->Port());
    auto index = client.Get("/");
    ASSERT_TRUE(index);
    EXPECT_EQ(index->get_header_value("Content-Type"), "text/html; charset=GBK");
    const std::string albumPath = "/album/10001/" + HexOf(kGbkAlbum) + "/";
    EXPECT_NE(index->body.find("href=\"" + albumPath + "\">" + kGbkAlbum + "</a>"), std::string::npos);

    auto page = client.Get(albumPath.c_str());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find(kGbkPhoto + "&amp;&#39;1&#39;.jpg"), std::string::npos) << page->body;
    EXPECT_NE(page->body.find("b.jpg"), std::string::npos);
    EXPECT_EQ(page->body.find("'1'"), std::string::npos);

    // The page's link to a picture serves its bytes.
    const std::string link = albumPath + "%D5%D5%C6%AC%26%271%27.jpg";
    EXPECT_NE(page->body.find("href=\"" + link + "\""), std::string::npos);
    auto picture = client.Get(link.c_str());
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->status, 200);
    EXPECT_EQ(picture->get_header_value("Content-Type"), "image/jpeg");
    EXPECT_EQ(picture->get_header_value("X-Content-Type-Options"), "nosniff");
    EXPECT_TRUE(picture->body == ReadFile(first));

    EXPECT_EQ(client.Get((albumPath + "..%2F..%2F.secret").c_str())->status, 404);
    EXPECT_EQ(client.Get("/album/10001/00/")->status, 404);
}

// With a certificate the server speaks https only: a client that trusts the test root reaches
// it by the name the certificate carries; one that speaks plain http gets no answer.
TEST_F(AlbumServer, ServesHttpsWithTheCertificateGiven) {
    const std::string certs = m_files.Path() + "/certs";
    ASSERT_EQ(std::system(("'" TESSALINE_SOURCE_DIR "/scripts/test-certs.sh' '" + certs + "'").c_str()), 0);
    Restart({"--tls-cert", certs + "/localhost.pem", "--tls-key", certs + "/localhost.key"});
    httplib::SSLClient secure("localhost", m_server->Port());
    secure.set_ca_cert_path((certs + "/ca.pem").c_str());
    secure.enable_server_certificate_verification(true);
    const auto stats = secure.Get("/stats");
    ASSERT_TRUE(stats) << httplib::to_string(stats.error());
    EXPECT_EQ(stats->status, 200);
    EXPECT_NE(stats->body.find("uploads 0\n"), std::string::npos) << stats->body;
    httplib::Client plain("127.0.0.1", m_server->Port());
    EXPECT_FALSE(plain.Get("/stats"));
}

// What a page gets from the server: the upload page filled in for one album, with a signature
// that the upload script accepts; the album view it reloads; the cabinet it installs from.
TEST_F(AlbumServer, ServesTheUploadPageTheAlbumViewAndTheCabinet) {
    const std::string albumId = HexOf(kGbkAlbum);
    httplib::Client before("127.0.0.1", m_server->Port());
    EXPECT_EQ(before.Get(("/upload/10001/" + albumId + "/").c_str())->status, 404);  // no page given
    EXPECT_EQ(before.Get("/tessaline.cab")->status, 404);

    const fs::path cab = fs::path(m_files.Path()) / "tessaline.cab";
    WriteFile(cab, 70000, "MSCF", 7);
    // The page hands out signatures: without --demo it is not served, template or not.
    Restart({"--page", TESSALINE_SOURCE_DIR "/examples/upload.html"});
    httplib::Client plain("127.0.0.1", m_server->Port());
    EXPECT_EQ(plain.Get(("/upload/10001/" + albumId + "/").c_str())->status, 404);
    EXPECT_EQ(plain.Get("/")->body.find("/upload/"), std::string::npos);

    Restart({"--demo", "--page", TESSALINE_SOURCE_DIR "/examples/upload.html", "--cab", cab.string()});
    httplib::Client client("127.0.0.1", m_server->Port());
    auto index = client.Get("/");
    ASSERT_TRUE(index);
    EXPECT_NE(index->body.find("href=\"/upload/10001/" + albumId + "/\""), std::string::npos) << index->body;

    auto page = client.Get(("/upload/10001/" + albumId + "/").c_str());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=UTF-8");
    const std::string& html = page->body;
    EXPECT_EQ(html.find("{{"), std::string::npos) << "a mark was left unfilled";
    const size_t nSignature = html.find("signature: \"");
    ASSERT_NE(nSignature, std::string::npos) << html;
    Upload fromPage = Mine();
    fromPage.signature = html.substr(nSignature + 12, html.find('"', nSignature + 12) - nSignature - 12);
    EXPECT_NE(html.find("kxuin: 10001,"), std::string::npos);
    EXPECT_NE(html.find("albumName: \"我的相册\""), std::string::npos);
    EXPECT_NE(html.find("spaceKB: 1048576,"), std::string::npos);
    EXPECT_NE(html.find("usedKB: 0,"), std::string::npos);
    EXPECT_NE(html.find("uploadCGI: \"http://127.0.0.1:" + std::to_string(m_server->Port()) + "/cgi-bin/upload\""),
              std::string::npos);
    EXPECT_NE(html.find("src=\"/view/10001/" + albumId + "/\""), std::string::npos);

    // The page's signature is the one the upload script takes; the view then shows the picture
    // and the space it uses, rounded up to whole KB.
    ASSERT_EQ(Post(fromPage, Picture("beach.jpg", 1500)).retCode, "100");
    auto view = client.Get(("/view/10001/" + albumId + "/").c_str());
    ASSERT_TRUE(view);
    EXPECT_EQ(view->status, 200);
    EXPECT_NE(view->body.find("data-used-kb=\"2\""), std::string::npos) << view->body;
    EXPECT_NE(view->body.find("<img src=\"/album/10001/" + albumId + "/beach.jpg\""), std::string::npos);
    EXPECT_NE(client.Get(("/upload/10001/" + albumId + "/").c_str())->body.find("usedKB: 2,"), std::string::npos);
    EXPECT_EQ(client.Get("/view/10001/00/")->status, 404);

    auto served = client.Get("/tessaline.cab");
    ASSERT_TRUE(served);
    EXPECT_EQ(served->status, 200);
    EXPECT_TRUE(served->body == ReadFile(cab));
}

// Whatever name a file in an album has (put there by another program, say), the view shows it
// as text and links it by its percent-encoded bytes.
TEST_F(AlbumServer, TheAlbumViewShowsMarkupInANameAsText) {
    const std::string name = "<script>alert(\"1\")'&.jpg";
    std::ofstream(AlbumDir("10001", kGbkAlbum) / name) << "\xff\xd8\xff";
    httplib::Client client("127.0.0.1", m_server->Port());
    const auto view = client.Get(("/view/10001/" + HexOf(kGbkAlbum) + "/").c_str());
    ASSERT_TRUE(view);
    EXPECT_NE(view->body.find("<figcaption>&lt;script&gt;alert(&quot;1&quot;)&#39;&amp;.jpg</figcaption>"),
              std::string::npos)
        << view->body;
    EXPECT_NE(view->body.find("/%3Cscript%3Ealert%28%221%22%29%27%26.jpg\""), std::string::npos);
    EXPECT_EQ(view->body.find("<script"), std::string::npos);
}

TEST(AlbumPages, TextInAScriptStringCannotEndItOrThePage) {
    EXPECT_EQ(JsStringText("相册 \"x\" 'y' \\ </script>&\n"),
              "相册 \\u0022x\\u0022 \\u0027y\\u0027 \\u005c \\u003c/script\\u003e\\u0026\\u000a");
    EXPECT_EQ(FillTemplate("a {{X}} b {{Y}} {{", {{"X", "1"}}), "a 1 b {{Y}} {{");
}

class AlbumServerAnyFile : public AlbumServer, public testing::WithParamInterface<uint64_t> {
protected:
    void SetUp() override { Start({"--any-file"}); }
};

TEST_P(AlbumServerAnyFile, StoresEverySizeByteForByte) {
    const uint64_t nSize = GetParam();
    const fs::path file = fs::path(m_files.Path()) / "f.bin";
    WriteFile(file, nSize, "", static_cast<uint32_t>(nSize));
    const Answer answer = Post(Mine(), file);
    ASSERT_EQ(answer.retCode, "100") << answer.body;
    EXPECT_NE(answer.body.find("bytes " + std::to_string(nSize) + "\n"), std::string::npos) << answer.body;
    const fs::path stored = AlbumDir("10001", kGbkAlbum) / "f.bin";
    EXPECT_EQ(fs::file_size(stored), nSize);
    EXPECT_EQ(Sha256OfFile(stored), Sha256OfFile(file));
}

INSTANTIATE_TEST_SUITE_P(Sizes, AlbumServerAnyFile, testing::Values(0, 1, 10239, 10240, 10241, 5u << 20));

TEST_F(AlbumServer, LargeUploadStreamsToDisk) {
    Restart({"--any-file"});
    const uint64_t nSize = 200ull << 20;
    const fs::path file = Picture("big.jpg", nSize);
    const Answer answer = Post(Mine(), file);
    ASSERT_EQ(answer.retCode, "100") << answer.body;
    const fs::path stored = AlbumDir("10001", kGbkAlbum) / "big.jpg";
    EXPECT_EQ(fs::file_size(stored), nSize);
    const std::string hash = Sha256OfFile(file);
    EXPECT_EQ(Sha256OfFile(stored), hash);
    EXPECT_NE(answer.body.find("sha256 " + hash), std::string::npos);

    // The server never held the body: its peak resident size stays far below the upload.
    std::ifstream status("/proc/" + std::to_string(m_server->Pid()) + "/status");
    std::string line;
    uint64_t nPeakKb = 0;
    while (std::getline(status, line))
        if (line.starts_with("VmHWM:")) nPeakKb = std::stoull(line.substr(6));
    EXPECT_GT(nPeakKb, 0u);
    EXPECT_LT(nPeakKb, 64u * 1024) << "peak resident size " << nPeakKb << " KB";
}

}  // namespace
