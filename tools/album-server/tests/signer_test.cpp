#include "signer.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "server_process.h"

namespace fs = std::filesystem;

namespace {

// "我的相册" in code page 936.
const std::string kAlbumGbk = "\xce\xd2\xb5\xc4\xcf\xe0\xb2\xe1";
constexpr int64_t kExpires = 1700000000;

}  // namespace

TEST(Signer, IsTheExpiryAndTheTruncatedHmacOfUinAlbumAndExpiry) {
    // Expected values from an HMAC-SHA256 computed outside this code (openssl dgst -hmac).
    const CSigner signer("test-secret");
    EXPECT_EQ(signer.Sign("10001", kAlbumGbk, kExpires), "1700000000-91f5a5fc52c5cc3cf761b1370ca75272");
    EXPECT_EQ(signer.Sign("20002", "Travel", kExpires), "1700000000-b9219e202cfed5808e2700cf7dd68e39");
}

TEST(Signer, VerifiesOnlyTheSignatureOfThatAlbumUntilItExpires) {
    using enum CSigner::Check;
    const CSigner signer("test-secret");
    const std::string sig = signer.Sign("10001", kAlbumGbk, kExpires);
    struct Case {
        std::string kxuin, album, signature;
        int64_t nNow;
        CSigner::Check expected;
    } cases[] = {
        {"10001", kAlbumGbk, sig, kExpires, Valid},
        {"10001", kAlbumGbk, "1700000000-91F5A5FC52C5CC3CF761B1370CA75272", kExpires - 100, Valid},
        {"10001", kAlbumGbk, sig, kExpires + 1, Expired},
        {"10002", kAlbumGbk, sig, kExpires, Invalid},
        {"10001", "Travel", sig, kExpires, Invalid},
        // A later expiry written over the old one does not sign.
        {"10001", kAlbumGbk, "1800000000" + sig.substr(10), kExpires, Invalid},
        {"10001", kAlbumGbk, "+700000000" + sig.substr(10), kExpires, Invalid},
        {"10001", kAlbumGbk, sig.substr(11), kExpires, Invalid},
        {"10001", kAlbumGbk, sig.substr(0, sig.size() - 1), kExpires, Invalid},
        {"10001", kAlbumGbk, sig + "0", kExpires, Invalid},
        {"10001", kAlbumGbk, "", kExpires, Invalid},
        {"10001", kAlbumGbk, "-", kExpires, Invalid},
    };
    for (const auto& c : cases)
        EXPECT_EQ(signer.Verify(c.kxuin, c.album, c.signature, c.nNow), c.expected) << c.signature << " " << c.nNow;
    EXPECT_EQ(CSigner("other-secret").Verify("10001", kAlbumGbk, sig, kExpires), Invalid);
    const std::string issued = signer.Issue("10001", kAlbumGbk);
    EXPECT_EQ(signer.Verify("10001", kAlbumGbk, issued, CSigner::Now() + CSigner::kLifetimeSeconds - 60), Valid);
    EXPECT_EQ(signer.Verify("10001", kAlbumGbk, issued, CSigner::Now() + CSigner::kLifetimeSeconds + 60), Expired);
}

TEST(Signer, SecretIsMadeOnceOwnerOnlyAndKept) {
    CScratchDir dir;
    const std::string file = dir.Path() + "/.secret";
    const auto first = CSigner::LoadOrCreateSecret(file);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->size(), 64u);
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(CSigner::LoadOrCreateSecret(file), first);
    CScratchDir other;
    EXPECT_NE(CSigner::LoadOrCreateSecret(other.Path() + "/.secret"), first);
}

TEST(Signer, SecretIsNeverWrittenThroughALink) {
    CScratchDir dir;
    const fs::path target = fs::path(dir.Path()) / "elsewhere";
    fs::create_symlink(target, fs::path(dir.Path()) / ".secret");
    EXPECT_FALSE(CSigner::LoadOrCreateSecret(fs::path(dir.Path()) / ".secret").has_value());
    EXPECT_FALSE(fs::exists(target));
}
