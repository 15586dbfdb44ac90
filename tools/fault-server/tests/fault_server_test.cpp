// The fault server as a real process: each fault seen from a raw socket, byte for byte,
// and the well-formed answers through a real HTTP client.
#include <httplib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "process_socket.h"
#include "raw_client.h"
#include "server_process.h"

namespace {

using namespace std::chrono_literals;

const std::string kGbkStored = "\xc9\xcf\xb4\xab\xb3\xc9\xb9\xa6";  // 上传成功

class FaultServer : public testing::Test {
protected:
    void SetUp() override {
        m_server = std::make_unique<CServerProcess>(std::vector<std::string>{FAULT_SERVER_EXE, "0"});
        ASSERT_NE(m_server->Port(), 0);
    }

    std::string Origin() const { return "http://127.0.0.1:" + std::to_string(m_server->Port()); }

    // Sends a POST with a body of nBody bytes and returns everything the server sent back.
    std::string Exchange(const std::string& path, size_t nBody = 100, bool* pbReset = nullptr,
                         std::chrono::milliseconds timeout = 5s) {
        CRawClient client(m_server->Port());
        EXPECT_TRUE(client.Connected());
        client.Send("POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " + std::to_string(nBody) +
                    "\r\n\r\n" + std::string(nBody, 'b'));
        return client.ReadAll(timeout, pbReset);
    }

    std::string Log() {
        httplib::Client client("127.0.0.1", m_server->Port());
        auto result = client.Get("/_log");
        return result ? result->body : std::string();
    }

    std::unique_ptr<CServerProcess> m_server;
};

TEST_F(FaultServer, OkCarriesTheStoredVerdictInGbk) {
    httplib::Client client("127.0.0.1", m_server->Port());
    auto result = client.Post("/ok", std::string(5000, 'x'), "application/octet-stream");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200);
    EXPECT_EQ(result->get_header_value("Album-RetCode"), "100");
    EXPECT_EQ(result->get_header_value("Error-Info"), kGbkStored);
    EXPECT_EQ(result->body, "ok\n");
    EXPECT_EQ(Log(), "POST /ok 5000\n");
}

TEST_F(FaultServer, RetCodeValuesAndAbsence) {
    EXPECT_NE(Exchange("/retcode/abc").find("\r\nAlbum-RetCode: abc\r\n"), std::string::npos);
    EXPECT_NE(Exchange("/retcode/%20100%20").find("\r\nAlbum-RetCode:  100 \r\n"), std::string::npos);
    const std::string missing = Exchange("/retcode-missing");
    EXPECT_TRUE(missing.starts_with("HTTP/1.1 200 OK\r\n"));
    EXPECT_EQ(missing.find("Album-RetCode"), std::string::npos);
}

class FaultServerStatus : public FaultServer, public testing::WithParamInterface<int> {};

TEST_P(FaultServerStatus, AnswersWithThatStatus) {
    const std::string reply = Exchange("/status/" + std::to_string(GetParam()));
    EXPECT_TRUE(reply.starts_with("HTTP/1.1 " + std::to_string(GetParam()) + " ")) << reply;
}

INSTANTIATE_TEST_SUITE_P(Codes, FaultServerStatus, testing::Values(201, 206, 304, 401, 404, 416, 500, 503));

TEST_F(FaultServer, BusyAnswersCarryTheirRetryAfterAndNoVerdict) {
    const std::string seconds = Exchange("/busy/503/2");
    EXPECT_TRUE(seconds.starts_with("HTTP/1.1 503 Service Unavailable\r\nRetry-After: 2\r\n")) << seconds;
    EXPECT_EQ(seconds.find("Album-RetCode"), std::string::npos);
    const std::string date = Exchange("/busy/429/Fri%2C%2011%20Dec%202026%2006%3A00%3A00%20GMT");
    EXPECT_TRUE(date.starts_with("HTTP/1.1 429 Too Many Requests\r\nRetry-After: Fri, 11 Dec 2026 06:00:00 GMT\r\n"))
        << date;
    EXPECT_EQ(Exchange("/busy/503").find("Retry-After"), std::string::npos);
}

TEST_F(FaultServer, RedirectChainEndsAtTheVerdict) {
    std::string path = "/redirect/307/3";
    for (int hop = 3; hop > 0; --hop) {
        const std::string reply = Exchange(path);
        ASSERT_TRUE(reply.starts_with("HTTP/1.1 307 ")) << reply;
        const std::string location = Origin() + "/redirect/307/" + std::to_string(hop - 1);
        ASSERT_NE(reply.find("\r\nLocation: " + location + "\r\n"), std::string::npos) << reply;
        path = location.substr(Origin().size());
    }
    EXPECT_NE(Exchange(path).find("\r\nAlbum-RetCode: 100\r\n"), std::string::npos);
    EXPECT_EQ(Log(),
              "POST /redirect/307/3 100\nPOST /redirect/307/2 100\nPOST /redirect/307/1 100\n"
              "POST /redirect/307/0 100\n");
}

TEST_F(FaultServer, RedirectVariants) {
    EXPECT_NE(Exchange("/redirect-loop/302").find("\r\nLocation: " + Origin() + "/redirect-loop/302\r\n"),
              std::string::npos);
    EXPECT_NE(Exchange("/redirect/301/1").find("HTTP/1.1 301 Moved Permanently\r\n"), std::string::npos);
    EXPECT_NE(Exchange("/redirect-path/302").find("\r\nLocation: /ok\r\n"), std::string::npos);
    EXPECT_NE(Exchange("/redirect-relative/302").find("\r\nLocation: ../ok\r\n"), std::string::npos);
    const std::string bare = Exchange("/redirect-nolocation/302");
    EXPECT_TRUE(bare.starts_with("HTTP/1.1 302 Found\r\n"));
    EXPECT_EQ(bare.find("Location"), std::string::npos);
}

TEST_F(FaultServer, ResetsAfterTheGivenBodyBytes) {
    bool bReset = false;
    const std::string reply = Exchange("/reset-after/1000", 200000, &bReset);
    EXPECT_TRUE(bReset);
    EXPECT_EQ(reply, "");
    EXPECT_EQ(Log(), "POST /reset-after/1000 1000\n");
}

TEST_F(FaultServer, StopsReadingAfterTheGivenBodyBytesThenResets) {
    CRawClient client(m_server->Port());
    client.Send("POST /stop-reading/1000/300 HTTP/1.1\r\nHost: x\r\nContent-Length: 5000\r\n\r\n" +
                std::string(5000, 'b'));
    bool bReset = false;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client.ReadAll(5s, &bReset), "") << "nothing is answered";
    EXPECT_TRUE(bReset);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 250ms) << "the connection is held first";
    EXPECT_EQ(Log(), "POST /stop-reading/1000/300 1000\n");
}

TEST_F(FaultServer, StopReadingWithoutATimeHoldsUntilTheServerStops) {
    CRawClient client(m_server->Port());
    client.Send("POST /stop-reading/10 HTTP/1.1\r\nHost: x\r\nContent-Length: 100\r\n\r\n" + std::string(100, 'b'));
    EXPECT_EQ(client.ReadAll(500ms), "");
    EXPECT_EQ(m_server->Stop(), 0);
}

TEST_F(FaultServer, RedirectToAnotherScheme) {
    EXPECT_NE(Exchange("/redirect-scheme/302/https")
                  .find("\r\nLocation: https://127.0.0.1:" + std::to_string(m_server->Port()) + "/ok\r\n"),
              std::string::npos);
}

TEST_F(FaultServer, CookieCheckFailsARequestWithCookies) {
    const std::string bare = Exchange("/cookie-check");
    EXPECT_EQ(bare.rfind("HTTP/1.1 200 ", 0), 0u) << bare;
    EXPECT_NE(bare.find("\r\nSet-Cookie: tessaline=endpoint; Path=/\r\n"), std::string::npos);
    CRawClient client(m_server->Port());
    client.Send("GET /cookie-check HTTP/1.1\r\nHost: x\r\ncookie: a=b\r\n\r\n");
    EXPECT_EQ(client.ReadAll(5s).rfind("HTTP/1.1 500 ", 0), 0u);
}

TEST_F(FaultServer, RedirectToTheLocationGiven) {
    EXPECT_NE(Exchange("/redirect-to/307/https%3A%2F%2Flocalhost%3A8443%2Fok")
                  .find("\r\nLocation: https://localhost:8443/ok\r\n"),
              std::string::npos);
}

TEST_F(FaultServer, BodiesWithAndWithoutALength) {
    const std::string bare = Exchange("/no-length/100000");
    EXPECT_EQ(bare.find("Content-Length"), std::string::npos);
    EXPECT_NE(bare.find("\r\nAlbum-RetCode: 100\r\n"), std::string::npos);
    EXPECT_TRUE(bare.ends_with("\r\n\r\n" + std::string(100000, 'b'))) << "the close ends the body";

    httplib::Client client("127.0.0.1", m_server->Port());
    auto result = client.Post("/long-body/5000", "x", "text/plain");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->get_header_value("Content-Length"), "5000");
    EXPECT_EQ(result->body, std::string(5000, 'b'));
}

TEST_F(FaultServer, EndlessBodyLastsUntilTheClientHangsUp) {
    CRawClient client(m_server->Port());
    client.Send("POST /no-length HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n");
    EXPECT_GT(client.ReadAll(500ms).size(), 1000000u) << "still sending";
    client.Close();
    EXPECT_EQ(m_server->Stop(), 0);
}

TEST_F(FaultServer, ClosesBeforeOrInsideTheHeaders) {
    bool bReset = true;
    EXPECT_EQ(Exchange("/close-before-headers", 100, &bReset), "");
    EXPECT_FALSE(bReset);
    const std::string cut = Exchange("/close-mid-headers");
    EXPECT_EQ(cut, "HTTP/1.1 200 OK\r\nAlbum-Ret");
}

TEST_F(FaultServer, SlowAnswerTrickles) {
    const auto start = std::chrono::steady_clock::now();
    const std::string reply = Exchange("/slow/10", 100, nullptr, 20s);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_NE(reply.find("\r\nAlbum-RetCode: 100\r\n"), std::string::npos);
    EXPECT_TRUE(reply.ends_with("ok\n"));
    EXPECT_GE(elapsed, std::chrono::milliseconds(10 * (reply.size() - 1)));
}

TEST_F(FaultServer, DefaultSlowIsOneBytePerHundredMilliseconds) {
    CRawClient client(m_server->Port());
    client.Send("POST /slow HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n");
    const std::string first = client.ReadAll(450ms);
    EXPECT_GE(first.size(), 3u);
    EXPECT_LE(first.size(), 6u);
}

TEST_F(FaultServer, SendsSmallWritesAtOnce) {
    CRawClient client(m_server->Port());
    ASSERT_TRUE(client.Connected());
    EXPECT_EQ(NoDelayOfSocketTo(m_server->Pid(), client.LocalPort()), true);
}

TEST_F(FaultServer, BigHeaderComesBeforeTheVerdict) {
    httplib::Client client("127.0.0.1", m_server->Port());
    const std::string reply = Exchange("/big-header");
    const size_t nPad = reply.find("\r\nX-Padding: ");
    const size_t nVerdict = reply.find("\r\nAlbum-RetCode: 100\r\n");
    ASSERT_NE(nPad, std::string::npos);
    ASSERT_NE(nVerdict, std::string::npos);
    EXPECT_EQ(nVerdict - nPad, 2 + 11 + 65536u);
}

TEST_F(FaultServer, ContentLengthsThatLie) {
    bool bReset = true;
    const std::string longer = Exchange("/lie-longer", 100, &bReset);
    EXPECT_FALSE(bReset);
    EXPECT_NE(longer.find("\r\nContent-Length: 1000\r\n"), std::string::npos);
    EXPECT_TRUE(longer.ends_with("\r\n\r\n0123456789"));
    const std::string reset = Exchange("/lie-longer/500/reset", 100, &bReset);
    EXPECT_TRUE(bReset);
    EXPECT_NE(reset.find("\r\nAlbum-RetCode: 100\r\n"), std::string::npos);
    EXPECT_NE(reset.find("\r\nContent-Length: 500\r\n"), std::string::npos);
    EXPECT_TRUE(reset.ends_with("\r\n\r\n0123456789"));
    const std::string shorter = Exchange("/lie-shorter");
    EXPECT_NE(shorter.find("\r\nContent-Length: 5\r\n"), std::string::npos);
    EXPECT_TRUE(shorter.ends_with("\r\n\r\n01234567890123456789"));
}

TEST_F(FaultServer, ChunkedAnswerDecodesToTheBody) {
    EXPECT_NE(Exchange("/chunked").find("\r\nTransfer-Encoding: chunked\r\n"), std::string::npos);
    httplib::Client client("127.0.0.1", m_server->Port());
    auto result = client.Post("/chunked", "x", "text/plain");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->body, "ok\n");
    EXPECT_EQ(result->get_header_value("Album-RetCode"), "100");
}

TEST_F(FaultServer, StallHoldsTheConnectionWithoutAnswering) {
    CRawClient client(m_server->Port());
    client.Send("POST /stall HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\nabc");
    EXPECT_EQ(client.ReadAll(500ms), "");
    // The server still stops promptly with the connection held.
    EXPECT_EQ(m_server->Stop(), 0);
}

TEST_F(FaultServer, AnswersExpectContinue) {
    CRawClient client(m_server->Port());
    client.Send("POST /ok HTTP/1.1\r\nHost: x\r\nExpect: 100-continue\r\nContent-Length: 4\r\n\r\n");
    EXPECT_EQ(client.ReadUntil("\r\n\r\n", 2s), "HTTP/1.1 100 Continue\r\n\r\n");
    client.Send("body");
    EXPECT_NE(client.ReadAll(2s).find("\r\nAlbum-RetCode: 100\r\n"), std::string::npos);
}

TEST_F(FaultServer, RefusesOversizedRequestHeaders) {
    CRawClient client(m_server->Port());
    client.Send("POST /ok HTTP/1.1\r\nX-Big: " + std::string(70000, 'h') + "\r\n\r\n");
    EXPECT_TRUE(client.ReadAll(2s).starts_with("HTTP/1.1 431 "));
}

TEST_F(FaultServer, LogCountsAttemptsAndClears) {
    for (int i = 0; i < 3; ++i) Exchange("/status/500", 10 + i);
    EXPECT_EQ(Log(), "POST /status/500 10\nPOST /status/500 11\nPOST /status/500 12\n");
    httplib::Client client("127.0.0.1", m_server->Port());
    ASSERT_TRUE(client.Get("/_clear"));
    EXPECT_EQ(Log(), "");
}

TEST(FaultServerDefault, CommandLineModeAppliesToUnnamedPaths) {
    CServerProcess server({FAULT_SERVER_EXE, "0", "--mode", "/status/503"});
    ASSERT_NE(server.Port(), 0);
    CRawClient client(server.Port());
    client.Send("POST /cgi-bin/upload HTTP/1.1\r\nHost: x\r\nContent-Length: 1\r\n\r\nx");
    EXPECT_TRUE(client.ReadAll(2s).starts_with("HTTP/1.1 503 Service Unavailable\r\n"));
    CRawClient named(server.Port());
    named.Send("POST /ok HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n");
    EXPECT_TRUE(named.ReadAll(2s).starts_with("HTTP/1.1 200 OK\r\n"));
}

TEST(FaultServerDefault, RefusesABadCommandLine) {
    CServerProcess server({FAULT_SERVER_EXE, "0", "--mode", "/nonsense"});
    EXPECT_EQ(server.Port(), 0);
}

}  // namespace

namespace {

TEST(FaultServerRelay, FaultsANamedPictureThenLetsItThrough) {
    CServerProcess upstream({FAULT_SERVER_EXE, "0"});
    ASSERT_NE(upstream.Port(), 0);
    CServerProcess relay({FAULT_SERVER_EXE, "0", "--upstream", std::to_string(upstream.Port())});
    ASSERT_NE(relay.Port(), 0);
    httplib::Client client("127.0.0.1", relay.Port());
    ASSERT_TRUE(client.Get("/_fault-name/a.jpg/2/retcode/7"));

    const std::string body = "--B\r\nContent-Disposition: form-data; name=\"imgfile\"\r\n\r\na.jpg\r\n--B--\r\n";
    auto post = [&](const std::string& text) {
        auto result = client.Post("/relay/ok", text, "multipart/form-data; boundary=B");
        return result ? result->get_header_value("Album-RetCode") : std::string("<no answer>");
    };
    EXPECT_EQ(post(body), "7");
    EXPECT_EQ(post(body), "7");
    EXPECT_EQ(post(body), "100") << "the fault is used up: the upstream answers";
    std::string other = body;
    other.replace(other.find("a.jpg"), 5, "b.jpg");
    EXPECT_EQ(post(other), "100");

    httplib::Client upstreamClient("127.0.0.1", upstream.Port());
    auto log = upstreamClient.Get("/_log");
    ASSERT_TRUE(log);
    const std::string line = "POST /ok " + std::to_string(body.size()) + "\n";
    EXPECT_EQ(log->body, line + line) << "the upstream saw the two uploads that went through, whole";
}

// A line that drops for a while in the middle of a picture: the client that waits it out gets
// the upstream's answer after it; the one that gives up meanwhile reaches nobody.
TEST(FaultServerRelay, ALineThatDropsCarriesOnlyTheRequestsWhoseClientWaited) {
    CServerProcess upstream({FAULT_SERVER_EXE, "0"});
    CServerProcess relay({FAULT_SERVER_EXE, "0", "--upstream", std::to_string(upstream.Port())});
    ASSERT_NE(relay.Port(), 0);
    httplib::Client client("127.0.0.1", relay.Port());
    ASSERT_TRUE(client.Get("/_fault-name/a.jpg/2/drop/10/300"));
    const std::string body = "--B\r\nContent-Disposition: form-data; name=\"imgfile\"\r\n\r\na.jpg\r\n--B--\r\n";
    const std::string request =
        "POST /relay/ok HTTP/1.1\r\nHost: x\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;

    CRawClient waiting(relay.Port());
    const auto start = std::chrono::steady_clock::now();
    waiting.Send(request);
    const std::string reply = waiting.ReadAll(5s);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
    EXPECT_NE(reply.find("\r\nAlbum-RetCode: 100\r\n"), std::string::npos) << reply;

    CRawClient leaving(relay.Port());
    leaving.Send(request);
    std::this_thread::sleep_for(100ms);
    leaving.Close();
    std::this_thread::sleep_for(500ms);

    httplib::Client upstreamClient("127.0.0.1", upstream.Port());
    auto log = upstreamClient.Get("/_log");
    ASSERT_TRUE(log);
    EXPECT_EQ(log->body, "POST /ok " + std::to_string(body.size()) + "\n") << "only the one that waited";
    auto relayLog = client.Get("/_log");
    ASSERT_TRUE(relayLog);
    EXPECT_EQ(relayLog->body, "POST /relay/ok 10\nPOST /relay/ok 10\n") << "each logged as its line dropped";
}

TEST(FaultServerRelay, ASlowPictureIsStoredUpstreamAndItsAnswerTrickles) {
    CServerProcess upstream({FAULT_SERVER_EXE, "0"});
    CServerProcess relay({FAULT_SERVER_EXE, "0", "--upstream", std::to_string(upstream.Port())});
    ASSERT_NE(relay.Port(), 0);
    httplib::Client client("127.0.0.1", relay.Port());
    ASSERT_TRUE(client.Get("/_fault-name/a.jpg/1/slow/3"));

    const std::string body = "--B\r\nContent-Disposition: form-data; name=\"imgfile\"\r\n\r\na.jpg\r\n--B--\r\n";
    const auto start = std::chrono::steady_clock::now();
    auto result = client.Post("/relay/ok", body, "multipart/form-data; boundary=B");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(result);
    EXPECT_EQ(result->get_header_value("Album-RetCode"), "100");
    EXPECT_GE(elapsed, std::chrono::milliseconds(3 * 100)) << "at least a hundred bytes, 3 ms apart";

    httplib::Client upstreamClient("127.0.0.1", upstream.Port());
    auto log = upstreamClient.Get("/_log");
    ASSERT_TRUE(log);
    EXPECT_EQ(log->body, "POST /ok " + std::to_string(body.size()) + "\n") << "the upstream stored it";
}

TEST(FaultServerRelay, ACutAnswerComesBackForAPictureStoredUpstream) {
    CServerProcess upstream({FAULT_SERVER_EXE, "0"});
    CServerProcess relay({FAULT_SERVER_EXE, "0", "--upstream", std::to_string(upstream.Port())});
    ASSERT_NE(relay.Port(), 0);
    httplib::Client control("127.0.0.1", relay.Port());
    ASSERT_TRUE(control.Get("/_fault-name/a.jpg/1/lie-longer/500"));

    const std::string body = "--B\r\nContent-Disposition: form-data; name=\"imgfile\"\r\n\r\na.jpg\r\n--B--\r\n";
    CRawClient client(relay.Port());
    client.Send(
        "POST /relay/ok HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; boundary=B\r\n"
        "Content-Length: " +
        std::to_string(body.size()) + "\r\n\r\n" + body);
    const std::string answer = client.ReadAll(5s);
    EXPECT_NE(answer.find("\r\nContent-Length: 500\r\n"), std::string::npos) << answer;
    EXPECT_TRUE(answer.ends_with("\r\n\r\n0123456789")) << answer;

    httplib::Client upstreamClient("127.0.0.1", upstream.Port());
    auto log = upstreamClient.Get("/_log");
    ASSERT_TRUE(log);
    EXPECT_EQ(log->body, "POST /ok " + std::to_string(body.size()) + "\n") << "the upstream stored it";
}

TEST(FaultServerRelay, SendsSmallWritesAtOnceOnBothSides) {
    CServerProcess upstream({FAULT_SERVER_EXE, "0"});
    CServerProcess relay({FAULT_SERVER_EXE, "0", "--upstream", std::to_string(upstream.Port())});
    ASSERT_NE(relay.Port(), 0);
    // The upstream answers a byte every 200 ms: the relay holds both connections meanwhile.
    CRawClient client(relay.Port());
    client.Send("POST /relay/slow/200 HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n");
    EXPECT_EQ(NoDelayOfSocketTo(relay.Pid(), client.LocalPort()), true) << "the client's side";
    EXPECT_EQ(NoDelayOfSocketTo(relay.Pid(), upstream.Port()), true) << "the upstream's side";
    // The upstream goes first, so that the relay is not left waiting on its answer.
    upstream.Stop();
}

TEST(FaultServerRelay, WithoutAnUpstreamTheRelayAnswers502) {
    CServerProcess relay({FAULT_SERVER_EXE, "0"});
    httplib::Client client("127.0.0.1", relay.Port());
    auto result = client.Post("/relay/ok", "x", "text/plain");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 502);
}

}  // namespace

namespace {

TEST(FaultServerLink, DelaysEachDirectionAndPacesToTheRate) {
    CServerProcess upstream({FAULT_SERVER_EXE, "0"});
    ASSERT_NE(upstream.Port(), 0);
    const int nDelayMs = 60;
    const double dBytesPerSecond = 16000 * 1000 / 8.0;
    CServerProcess link({FAULT_SERVER_EXE, "0", "--upstream", std::to_string(upstream.Port()), "--delay",
                         std::to_string(nDelayMs), "--rate", "16000"});
    ASSERT_NE(link.Port(), 0);
    httplib::Client client("127.0.0.1", link.Port());
    using Seconds = std::chrono::duration<double>;

    auto start = std::chrono::steady_clock::now();
    auto small = client.Post("/ok", "x", "text/plain");
    const Seconds roundTrip = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(small);
    EXPECT_EQ(small->get_header_value("Album-RetCode"), "100");
    EXPECT_GE(roundTrip.count(), 2 * nDelayMs / 1000.0) << "a delay up and a delay down";

    const size_t nBulk = 1000000;
    start = std::chrono::steady_clock::now();
    auto bulk = client.Post("/long-body/" + std::to_string(nBulk), "x", "text/plain");
    const Seconds elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(bulk);
    EXPECT_EQ(bulk->body.size(), nBulk);
    const double dPaced = nBulk / dBytesPerSecond;
    EXPECT_GE(elapsed.count(), 0.9 * dPaced) << "paced to the rate";
    EXPECT_LE(elapsed.count(), 1.2 * dPaced + 2 * nDelayMs / 1000.0 + 0.2) << "and not much slower";

    EXPECT_EQ(link.Stop(), 0);
    const auto summary = link.ReadLine();
    ASSERT_TRUE(summary);
    EXPECT_TRUE(summary->starts_with("link connections=2 up=")) << *summary;
}

TEST(FaultServerLink, RefusesAShapeWithoutAnUpstream) {
    CServerProcess link({FAULT_SERVER_EXE, "0", "--delay", "20"});
    EXPECT_EQ(link.Port(), 0);
}

}  // namespace
