#include "transport/multipart_body.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

// The byte at offset i of a test file: varied enough that a shifted or dropped chunk shows.
char PatternByte(uint64_t i) { return static_cast<char>((i * 131 + i / 251 + 7) & 0xff); }

std::string PatternFile(uint32_t nSize) {
    std::string s(nSize, '\0');
    for (uint32_t i = 0; i < nSize; ++i) s[i] = PatternByte(i);
    return s;
}

// A file of nActual pattern bytes that records every request made of it.
class CPatternReader : public CBodyReader {
public:
    explicit CPatternReader(uint64_t nActual, int nFailAtCall = -1) : m_nActual(nActual), m_nFailAtCall(nFailAtCall) {}

    bool Read(char* pBuffer, uint32_t nCapacity, uint32_t& nRead) override {
        m_capacities.push_back(nCapacity);
        if (static_cast<int>(m_capacities.size()) == m_nFailAtCall) return false;
        const uint64_t nLeft = m_nActual - m_nOffset;
        nRead = static_cast<uint32_t>(std::min<uint64_t>(nCapacity, nLeft));
        for (uint32_t i = 0; i < nRead; ++i) pBuffer[i] = PatternByte(m_nOffset + i);
        m_nOffset += nRead;
        return true;
    }

    std::vector<uint32_t> m_capacities;

private:
    uint64_t m_nActual;
    uint64_t m_nOffset = 0;
    int m_nFailAtCall;
};

struct Produced {
    std::string bytes;
    std::vector<uint32_t> formChunks, fileChunks, trailerChunks;
    CMultipartBody::ChunkStatus last = CMultipartBody::ChunkStatus::Data;
};

// Drives the body as the request engine does: chunk after chunk until it is done or fails.
Produced Produce(CMultipartBody& body) {
    Produced out;
    std::array<char, CMultipartBody::kChunkSize> buffer{};
    for (int guard = 0; guard < 1'000'000; ++guard) {
        const auto chunk = body.Next(buffer);
        out.last = chunk.status;
        if (chunk.status != CMultipartBody::ChunkStatus::Data) break;
        out.bytes.append(buffer.data(), chunk.nSize);
        switch (chunk.section) {
        case CMultipartBody::Section::Form: out.formChunks.push_back(chunk.nSize); break;
        case CMultipartBody::Section::File: out.fileChunks.push_back(chunk.nSize); break;
        case CMultipartBody::Section::Trailer: out.trailerChunks.push_back(chunk.nSize); break;
        }
    }
    return out;
}

const char kFileHeaderX[] =
    "--Ab3xYz\r\n"
    "Content-Disposition: form-data; name=\"album\"; filename=\"x.jpg\"\r\n"
    "Content-Type: application/octet-stream\r\n"
    "Content-Transfer-Encoding: binary\r\n"
    "\r\n";
const char kTrailer[] = "\r\n--Ab3xYz--\r\n\r\n";

}  // namespace

TEST(MultipartBody, OneFieldAndThreeByteFileByteForByte) {
    CMultipartForm form;
    form.ResetForm("Ab3xYz");
    form.AddField("a", "1");
    form.AddFilePart("album", "x.jpg", IsGbkLeadByte);
    CPatternReader reader(3);
    CMultipartBody body(form, reader, 3);

    const std::string expected = std::string(
                                     "--Ab3xYz\r\n"
                                     "Content-Disposition: form-data; name=\"a\"\r\n"
                                     "\r\n"
                                     "1\r\n") +
                                 kFileHeaderX + PatternFile(3) + kTrailer;
    const Produced got = Produce(body);
    EXPECT_EQ(got.last, CMultipartBody::ChunkStatus::Done);
    EXPECT_EQ(got.bytes, expected);
    EXPECT_EQ(std::string(kTrailer).size(), 16u);
    EXPECT_EQ(form.ContentLength(3), expected.size());
    EXPECT_EQ(form.ContentTypeHeader(), "Content-Type: multipart/form-data; boundary=Ab3xYz\r\n");
}

TEST(MultipartBody, BatchFieldsWithChineseTextByteForByte) {
    // "我的相册" and a folder "照片" in code page 936, as the page and the shell hand them over.
    const std::string album = "\xce\xd2\xb5\xc4\xcf\xe0\xb2\xe1";
    CMultipartForm form;
    form.ResetForm("q9Z0aB");
    form.AddField("signature", "5f2c");
    form.AddField("albumname", album);
    form.AddField("imgfile", "img_01.jpg");
    form.AddField("filesize", "1.90");
    form.AddField("kxuin", "10001");
    form.AddFilePart("album", "C:\\\xd5\xd5\xc6\xac\\IMG_01.JPG", IsGbkLeadByte);
    CPatternReader reader(1946);
    CMultipartBody body(form, reader, 1946);

    const std::string expected =
        "--q9Z0aB\r\nContent-Disposition: form-data; name=\"signature\"\r\n\r\n5f2c\r\n"
        "--q9Z0aB\r\nContent-Disposition: form-data; name=\"albumname\"\r\n\r\n\xce\xd2\xb5\xc4\xcf\xe0\xb2\xe1\r\n"
        "--q9Z0aB\r\nContent-Disposition: form-data; name=\"imgfile\"\r\n\r\nimg_01.jpg\r\n"
        "--q9Z0aB\r\nContent-Disposition: form-data; name=\"filesize\"\r\n\r\n1.90\r\n"
        "--q9Z0aB\r\nContent-Disposition: form-data; name=\"kxuin\"\r\n\r\n10001\r\n"
        "--q9Z0aB\r\nContent-Disposition: form-data; name=\"album\"; filename=\"IMG_01.JPG\"\r\n"
        "Content-Type: application/octet-stream\r\nContent-Transfer-Encoding: binary\r\n\r\n" +
        PatternFile(1946) + "\r\n--q9Z0aB--\r\n\r\n";
    const Produced got = Produce(body);
    EXPECT_EQ(got.bytes, expected);
    EXPECT_EQ(body.TotalBytes(), expected.size());
}

TEST(MultipartBody, ValuesGoInUnchanged) {
    const std::string value =
        std::string("line1\r\nline2 \"quoted\" %s%n 100%\xb1\x5c", 32) + std::string(1, '\0') + "x";
    CMultipartForm form;
    form.ResetForm("B0B0B0");
    form.AddField("note", value);
    const std::string expected = "--B0B0B0\r\nContent-Disposition: form-data; name=\"note\"\r\n\r\n" + value + "\r\n";
    EXPECT_EQ(form.FormData(), expected);
}

TEST(MultipartBody, NoFieldsGivesFileHeaderOnly) {
    CMultipartForm form;
    form.ResetForm("Ab3xYz");
    form.AddFilePart("album", "x.jpg", IsGbkLeadByte);
    CPatternReader reader(0);
    CMultipartBody body(form, reader, 0);
    const Produced got = Produce(body);
    EXPECT_EQ(got.bytes, std::string(kFileHeaderX) + kTrailer);
}

TEST(MultipartBody, ResetFormDropsEarlierParts) {
    CMultipartForm form;
    form.ResetForm("AAAAAA");
    form.AddField("a", "1");
    form.ResetForm("BBBBBB");
    form.AddField("b", "2");
    EXPECT_EQ(form.FormData(), "--BBBBBB\r\nContent-Disposition: form-data; name=\"b\"\r\n\r\n2\r\n");
    EXPECT_EQ(form.Trailer(), "\r\n--BBBBBB--\r\n\r\n");
}

struct FileChunking {
    uint32_t nFileSize;
    std::vector<uint32_t> fileChunks;
};

void PrintTo(const FileChunking& c, std::ostream* os) { *os << c.nFileSize << " bytes"; }

class MultipartBodyFileChunks : public testing::TestWithParam<FileChunking> {};

TEST_P(MultipartBodyFileChunks, StreamsTheFileInChunksAndMatchesContentLength) {
    const auto& param = GetParam();
    CMultipartForm form;
    form.ResetForm("Ab3xYz");
    form.AddField("a", "1");
    form.AddFilePart("album", "x.jpg", IsGbkLeadByte);
    CPatternReader reader(param.nFileSize);
    CMultipartBody body(form, reader, param.nFileSize);

    const Produced got = Produce(body);
    ASSERT_EQ(got.last, CMultipartBody::ChunkStatus::Done);
    EXPECT_EQ(got.fileChunks, param.fileChunks);
    EXPECT_EQ(got.formChunks, std::vector<uint32_t>{static_cast<uint32_t>(form.FormData().size())});
    EXPECT_EQ(got.trailerChunks, std::vector<uint32_t>{16});

    const std::string expected = form.FormData() + PatternFile(param.nFileSize) + kTrailer;
    EXPECT_TRUE(got.bytes == expected) << "body differs from the expected bytes";
    ASSERT_TRUE(form.ContentLength(param.nFileSize).has_value());
    EXPECT_EQ(*form.ContentLength(param.nFileSize), got.bytes.size());
    EXPECT_EQ(body.ProducedBytes(), got.bytes.size());
    // The file is never asked for more than one chunk, nor past the size that was announced.
    for (uint32_t n : reader.m_capacities) EXPECT_LE(n, CMultipartBody::kChunkSize);
}

INSTANTIATE_TEST_SUITE_P(Sizes, MultipartBodyFileChunks,
                         testing::Values(FileChunking{0, {0}}, FileChunking{1, {1}}, FileChunking{10239, {10239}},
                                         FileChunking{10240, {10240, 0}}, FileChunking{10241, {10240, 1}},
                                         FileChunking{30720, {10240, 10240, 10240, 0}},
                                         FileChunking{25000, {10240, 10240, 4520}}));

class MultipartBodyFormChunks : public testing::TestWithParam<std::pair<size_t, std::vector<uint32_t>>> {};

TEST_P(MultipartBodyFormChunks, TextEndsWithTheFirstShortChunk) {
    const auto& [nFormSize, expectedChunks] = GetParam();
    CMultipartForm form;
    form.ResetForm("Ab3xYz");
    const std::string overhead = "--Ab3xYz\r\nContent-Disposition: form-data; name=\"pad\"\r\n\r\n\r\n";
    form.AddField("pad", std::string(nFormSize - overhead.size() - (sizeof kFileHeaderX - 1), 'p'));
    form.AddFilePart("album", "x.jpg", IsGbkLeadByte);
    ASSERT_EQ(form.FormData().size(), nFormSize);
    CPatternReader reader(5);
    CMultipartBody body(form, reader, 5);
    const Produced got = Produce(body);
    EXPECT_EQ(got.formChunks, expectedChunks);
    EXPECT_EQ(got.bytes.size(), nFormSize + 5 + 16);
}

INSTANTIATE_TEST_SUITE_P(Sizes, MultipartBodyFormChunks,
                         testing::Values(std::pair<size_t, std::vector<uint32_t>>{10239, {10239}},
                                         std::pair<size_t, std::vector<uint32_t>>{10240, {10240, 0}},
                                         std::pair<size_t, std::vector<uint32_t>>{10241, {10240, 1}},
                                         std::pair<size_t, std::vector<uint32_t>>{20480, {10240, 10240, 0}}));

TEST(MultipartBody, LargeFileIsStreamedWithoutHoldingIt) {
    // 200 MiB goes through one chunk-sized buffer; only the running count is kept here.
    constexpr uint32_t nSize = 200u << 20;
    CMultipartForm form;
    form.ResetForm("Ab3xYz");
    form.AddFilePart("album", "big.jpg", IsGbkLeadByte);
    CPatternReader reader(nSize);
    CMultipartBody body(form, reader, nSize);
    std::array<char, CMultipartBody::kChunkSize> buffer{};
    uint64_t nBytes = 0, nChunks = 0, nMismatch = 0, nFileOffset = 0;
    for (;;) {
        const auto chunk = body.Next(buffer);
        if (chunk.status != CMultipartBody::ChunkStatus::Data) break;
        if (chunk.section == CMultipartBody::Section::File) {
            for (uint32_t i = 0; i < chunk.nSize; i += 4093)
                if (buffer[i] != PatternByte(nFileOffset + i)) ++nMismatch;
            nFileOffset += chunk.nSize;
        }
        nBytes += chunk.nSize;
        ++nChunks;
    }
    EXPECT_EQ(nMismatch, 0u);
    EXPECT_EQ(nFileOffset, nSize);
    EXPECT_EQ(nBytes, *form.ContentLength(nSize));
    EXPECT_EQ(nChunks, 1u + nSize / CMultipartBody::kChunkSize + 1u + 1u);
}

TEST(MultipartBody, ReadErrorFailsAndStaysFailed) {
    CMultipartForm form;
    form.ResetForm("Ab3xYz");
    form.AddFilePart("album", "x.jpg", IsGbkLeadByte);
    CPatternReader reader(30000, /*nFailAtCall=*/2);
    CMultipartBody body(form, reader, 30000);
    const Produced got = Produce(body);
    EXPECT_EQ(got.last, CMultipartBody::ChunkStatus::ReadFailed);
    EXPECT_EQ(got.fileChunks, std::vector<uint32_t>{10240});
    std::array<char, CMultipartBody::kChunkSize> buffer{};
    EXPECT_EQ(body.Next(buffer).status, CMultipartBody::ChunkStatus::ReadFailed);
}

TEST(MultipartBody, FileThatShrankFailsInsteadOfSendingAShortBody) {
    CMultipartForm form;
    form.ResetForm("Ab3xYz");
    form.AddFilePart("album", "x.jpg", IsGbkLeadByte);
    CPatternReader reader(15000);
    CMultipartBody body(form, reader, 20480);
    const Produced got = Produce(body);
    EXPECT_EQ(got.last, CMultipartBody::ChunkStatus::ReadFailed);
    EXPECT_TRUE(got.trailerChunks.empty());
}

TEST(MultipartBody, FileThatGrewIsSentAtItsAnnouncedSize) {
    CMultipartForm form;
    form.ResetForm("Ab3xYz");
    form.AddFilePart("album", "x.jpg", IsGbkLeadByte);
    CPatternReader reader(50000);
    CMultipartBody body(form, reader, 12000);
    const Produced got = Produce(body);
    EXPECT_EQ(got.last, CMultipartBody::ChunkStatus::Done);
    EXPECT_EQ(got.fileChunks, (std::vector<uint32_t>{10240, 1760}));
    EXPECT_EQ(got.bytes, form.FormData() + PatternFile(12000) + kTrailer);
}

TEST(MultipartBody, ContentLengthRefusesWhatDoesNotFitThirtyTwoBits) {
    CMultipartForm form;
    form.ResetForm("Ab3xYz");
    form.AddFilePart("album", "x.jpg", IsGbkLeadByte);
    const uint64_t nOverhead = form.FormData().size() + 16;
    EXPECT_EQ(form.ContentLength(0xFFFFFFFFull - nOverhead), 0xFFFFFFFFu);
    EXPECT_FALSE(form.ContentLength(0xFFFFFFFFull - nOverhead + 1).has_value());
    EXPECT_FALSE(form.ContentLength(5ull << 30).has_value());
    EXPECT_FALSE(form.ContentLength(~0ull).has_value());
}
