#include "signer.h"

#include <gtest/gtest.h>

#include "server_process.h"

namespace {

// "我的相册" in code page 936.
const std::string kAlbumGbk = "\xce\xd2\xb5\xc4\xcf\xe0\xb2\xe1";

}  // namespace

TEST(Signer, IsTheTruncatedHmacOfUinAndAlbum) {
    // Expected values from an HMAC-SHA256 computed outside this code (openssl dgst -hmac).
    const CSigner signer("test-secret");
    EXPECT_EQ(signer.Sign("10001", kAlbumGbk), "9f362e224fb567574255d474f121695f");
    EXPECT_EQ(signer.Sign("20002", "Travel"), "a07c588b30772a80d24bbe5f075c6c22");
}

TEST(Signer, VerifiesOnlyTheSignatureOfThatAlbum) {
    const CSigner signer("test-secret");
    const std::string sig = signer.Sign("10001", kAlbumGbk);
    EXPECT_TRUE(signer.Verify("10001", kAlbumGbk, sig));
    EXPECT_TRUE(signer.Verify("10001", kAlbumGbk, "9F362E224FB567574255D474F121695F"));
    EXPECT_FALSE(signer.Verify("10002", kAlbumGbk, sig));
    EXPECT_FALSE(signer.Verify("10001", "Travel", sig));
    EXPECT_FALSE(signer.Verify("10001", kAlbumGbk, sig.substr(0, 31)));
    EXPECT_FALSE(signer.Verify("10001", kAlbumGbk, sig + "0"));
    EXPECT_FALSE(signer.Verify("10001", kAlbumGbk, ""));
    EXPECT_FALSE(CSigner("other-secret").Verify("10001", kAlbumGbk, sig));
}

TEST(Signer, SecretIsMadeOnceAndKept) {
    CScratchDir dir;
    const std::string file = dir.Path() + "/.secret";
    const auto first = CSigner::LoadOrCreateSecret(file);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->size(), 64u);
    EXPECT_EQ(CSigner::LoadOrCreateSecret(file), first);
    CScratchDir other;
    EXPECT_NE(CSigner::LoadOrCreateSecret(other.Path() + "/.secret"), first);
}
