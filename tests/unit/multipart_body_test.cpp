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
    std::vector<uint32_t> chunks;
    // Where each chunk's last byte ended, and the section it said that byte was in.
    std::vector<std::pair<size_t, CMultipartBody::Section>> ends;
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
        out.chunks.push_back(chunk.nSize);
        out.ends.emplace_back(out.bytes.size(), chunk.section);
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

class MultipartBodyChunks : public testing::TestWithParam<std::pair<size_t, uint32_t>> {};

// Whatever the sizes of the form and the file, every chunk is full but the last, the bytes are
// the form, the file and the trailer, and a chunk says the trailer only once the file is read.
TEST_P(MultipartBodyChunks, EveryChunkIsFullButTheLast) {
    const auto& [nFormSize, nFileSize] = GetParam();
    CMultipartForm form;
    form.ResetForm("Ab3xYz");
    const std::string overhead = "--Ab3xYz\r\nContent-Disposition: form-data; name=\"pad\"\r\n\r\n\r\n";
    form.AddField("pad", std::string(nFormSize - overhead.size() - (sizeof kFileHeaderX - 1), 'p'));
    form.AddFilePart("album", "x.jpg", IsGbkLeadByte);
    ASSERT_EQ(form.FormData().size(), nFormSize);
    CPatternReader reader(nFileSize);
    CMultipartBody body(form, reader, nFileSize);

    const Produced got = Produce(body);
    ASSERT_EQ(got.last, CMultipartBody::ChunkStatus::Done);
    EXPECT_TRUE(got.bytes == form.FormData() + PatternFile(nFileSize) + kTrailer) << "the body's bytes differ";
    EXPECT_EQ(*form.ContentLength(nFileSize), got.bytes.size());
    EXPECT_EQ(body.ProducedBytes(), got.bytes.size());
    ASSERT_FALSE(got.chunks.empty());
    for (size_t i = 0; i + 1 < got.chunks.size(); ++i) EXPECT_EQ(got.chunks[i], CMultipartBody::kChunkSize) << i;
    EXPECT_GT(got.chunks.back(), 0u);
    const size_t nFileEnd = nFormSize + nFileSize;
    for (const auto& [nEnd, section] : got.ends)
        EXPECT_EQ(section == CMultipartBody::Section::Trailer, nEnd > nFileEnd) << "chunk ending at " << nEnd;
    // The file is never asked for more than a chunk, nor past the size that was announced.
    for (uint32_t n : reader.m_capacities) EXPECT_LE(n, CMultipartBody::kChunkSize);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, MultipartBodyChunks,
    testing::Values(std::pair<size_t, uint32_t>{536, 0}, std::pair<size_t, uint32_t>{536, 1},
                    std::pair<size_t, uint32_t>{536, 20480}, std::pair<size_t, uint32_t>{536, 9704 - 16},
                    std::pair<size_t, uint32_t>{536, 9704}, std::pair<size_t, uint32_t>{10240, 10240},
                    std::pair<size_t, uint32_t>{10241, 25000}, std::pair<size_t, uint32_t>{20480, 5}));

TEST(MultipartBody, LargeFileIsStreamedWithoutHoldingIt) {
    // 200 MiB goes through one chunk-sized buffer; only the running count is kept here.
    constexpr uint32_t nSize = 200u << 20;
    CMultipartForm form;
    form.ResetForm("Ab3xYz");
    form.AddFilePart("album", "big.jpg", IsGbkLeadByte);
    CPatternReader reader(nSize);
    CMultipartBody body(form, reader, nSize);
    std::array<char, CMultipartBody::kChunkSize> buffer{};
    const uint64_t nFileStart = form.FormData().size();
    uint64_t nBytes = 0, nChunks = 0, nMismatch = 0, nChecked = 0;
    for (;;) {
        const auto chunk = body.Next(buffer);
        if (chunk.status != CMultipartBody::ChunkStatus::Data) break;
        for (uint32_t i = 0; i < chunk.nSize; i += 4093) {
            const uint64_t nAt = nBytes + i;
            if (nAt < nFileStart || nAt >= nFileStart + nSize) continue;
            ++nChecked;
            if (buffer[i] != PatternByte(nAt - nFileStart)) ++nMismatch;
        }
        nBytes += chunk.nSize;
        ++nChunks;
    }
    EXPECT_EQ(nMismatch, 0u);
    EXPECT_GT(nChecked, nSize / 4093 / 2);
    EXPECT_EQ(nBytes, *form.ContentLength(nSize));
    EXPECT_EQ(nChunks, (nBytes + CMultipartBody::kChunkSize - 1) / CMultipartBody::kChunkSize);
}

TEST(MultipartBody, ReadErrorFailsAndStaysFailed) {
    CMultipartForm form;
    form.ResetForm("Ab3xYz");
    form.AddFilePart("album", "x.jpg", IsGbkLeadByte);
    CPatternReader reader(30000, /*nFailAtCall=*/2);
    CMultipartBody body(form, reader, 30000);
    const Produced got = Produce(body);
    EXPECT_EQ(got.last, CMultipartBody::ChunkStatus::ReadFailed);
    EXPECT_EQ(got.chunks, std::vector<uint32_t>{10240});
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
    EXPECT_EQ(got.bytes.find("--Ab3xYz--"), std::string::npos) << "no trailer after a short file";
}

TEST(MultipartBody, FileThatGrewIsSentAtItsAnnouncedSize) {
    CMultipartForm form;
    form.ResetForm("Ab3xYz");
    form.AddFilePart("album", "x.jpg", IsGbkLeadByte);
    CPatternReader reader(50000);
    CMultipartBody body(form, reader, 12000);
    const Produced got = Produce(body);
    EXPECT_EQ(got.last, CMultipartBody::ChunkStatus::Done);
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
