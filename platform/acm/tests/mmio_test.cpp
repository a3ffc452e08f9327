#include "platform/acm/mmio.h"
#include "platform/win/file_size_limit.h"

#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// An anonymous in-memory file, closed at the end of the test.
class MemoryFile {
public:
    MemoryFile() : fd_(memfd_create("mmio_test", 0)) {}
    ~MemoryFile() { close(fd_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    int fd() const { return fd_; }
    std::string Contents() const {
        std::string bytes(static_cast<size_t>(lseek(fd_, 0, SEEK_END)), '\0');
        EXPECT_EQ(pread(fd_, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
        return bytes;
    }
    void Assign(const std::string& bytes) {
        EXPECT_EQ(ftruncate(fd_, 0), 0);
        EXPECT_EQ(pwrite(fd_, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    }

private:
    int fd_;
};

HMMIO Open(int fd, uint32_t flags, uint32_t bufferSize = 0) {
    MMIOINFO info{};
    info.adwInfo[0] = static_cast<uintptr_t>(fd);
    info.cchBuffer = bufferSize;
    return mmioOpenA(nullptr, &info, flags);
}

std::string Le32(uint32_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                       static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
}

// RIFF "TEST" holding "abcd" with 3 bytes and "efgh" with 2.
std::string WriteSample(int fd, uint32_t bufferSize) {
    HMMIO h = Open(fd, MMIO_WRITE | MMIO_ALLOCBUF, bufferSize);
    EXPECT_NE(h, nullptr);
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('T', 'E', 'S', 'T');
    EXPECT_EQ(mmioCreateChunk(h, &riff, MMIO_CREATERIFF), MMSYSERR_NOERROR);
    MMCKINFO a{};
    a.ckid = mmioFOURCC('a', 'b', 'c', 'd');
    EXPECT_EQ(mmioCreateChunk(h, &a, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioWrite(h, "xyz", 3), 3);
    EXPECT_EQ(mmioAscend(h, &a, 0), MMSYSERR_NOERROR);
    MMCKINFO b{};
    b.ckid = mmioFOURCC('e', 'f', 'g', 'h');
    EXPECT_EQ(mmioCreateChunk(h, &b, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioWrite(h, "12", 2), 2);
    EXPECT_EQ(mmioAscend(h, &b, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioAscend(h, &riff, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioClose(h, MMIO_FHOPEN), MMSYSERR_NOERROR);
    return "RIFF" + Le32(4 + 12 + 10) + "TEST" + "abcd" + Le32(3) + "xyz" + std::string(1, '\0') +
           "efgh" + Le32(2) + "12";
}

TEST(Mmio, ClosingChunksWritesSizesAndPadsOddLengths) {
    for (uint32_t bufferSize : {0u, 5u, 8192u}) {
        MemoryFile file;
        const std::string expected = WriteSample(file.fd(), bufferSize);
        EXPECT_EQ(file.Contents(), expected) << "buffer " << bufferSize;
    }
}

TEST(Mmio, DescendFindsChunksInsideTheParentOnly) {
    MemoryFile file;
    WriteSample(file.fd(), 0);
    file.Assign(file.Contents() + "tail" + Le32(0));
    HMMIO h = Open(file.fd(), MMIO_READ | MMIO_ALLOCBUF);
    ASSERT_NE(h, nullptr);
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    EXPECT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), MMIOERR_CHUNKNOTFOUND);
    mmioSeek(h, 0, SEEK_SET);
    riff.fccType = mmioFOURCC('T', 'E', 'S', 'T');
    ASSERT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    EXPECT_EQ(riff.dwDataOffset, 8u);
    EXPECT_EQ(riff.cksize, 26u);

    MMCKINFO chunk{};
    chunk.ckid = mmioFOURCC('e', 'f', 'g', 'h');
    ASSERT_EQ(mmioDescend(h, &chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
    char data[8] = {};
    EXPECT_EQ(mmioRead(h, data, 8), 8);  // a read is not bounded by the chunk
    EXPECT_EQ(std::string(data, 2), "12");
    EXPECT_EQ(mmioAscend(h, &chunk, 0), MMSYSERR_NOERROR);

    mmioSeek(h, 12, SEEK_SET);
    chunk.ckid = mmioFOURCC('t', 'a', 'i', 'l');
    EXPECT_EQ(mmioDescend(h, &chunk, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
    EXPECT_EQ(mmioClose(h, MMIO_FHOPEN), MMSYSERR_NOERROR);
}

TEST(Mmio, TruncatedHeadersAreNotChunks) {
    for (const std::string& bytes : {std::string("RIF"), std::string("RIFF") + Le32(100),
                                     std::string("RIFF") + Le32(2) + "WAVE"}) {
        MemoryFile file;
        file.Assign(bytes);
        HMMIO h = Open(file.fd(), MMIO_READ | MMIO_ALLOCBUF);
        MMCKINFO riff{};
        riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
        EXPECT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), MMIOERR_CHUNKNOTFOUND);
        mmioClose(h, MMIO_FHOPEN);
    }
}

TEST(Mmio, HandleRefusesTheWrongDirectionAndUnknownHandles) {
    MemoryFile file;
    HMMIO h = Open(file.fd(), MMIO_READ);
    char byte = 0;
    EXPECT_EQ(mmioWrite(h, &byte, 1), -1);
    EXPECT_EQ(mmioClose(h, MMIO_FHOPEN), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioRead(h, &byte, 1), -1);
    EXPECT_EQ(mmioClose(h, 0), MMSYSERR_INVALHANDLE);

    MMIOINFO info{};
    info.adwInfo[0] = static_cast<uintptr_t>(-1);
    EXPECT_EQ(mmioOpenA(nullptr, &info, MMIO_READ), nullptr);
    EXPECT_EQ(info.wErrorRet, MMIOERR_CANNOTOPEN);
}

TEST(Mmio, LostWritesAreReportedUpToClose) {
    char path[] = "/tmp/mmio_testXXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    unlink(path);
    {
        FileSizeLimit limit(16);
        HMMIO h = Open(fd, MMIO_WRITE | MMIO_ALLOCBUF, 64);
        MMCKINFO chunk{};
        chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
        EXPECT_EQ(mmioCreateChunk(h, &chunk, 0), MMSYSERR_NOERROR);
        const std::string bytes(40, 'x');
        EXPECT_EQ(mmioWrite(h, bytes.data(), 40), 40);             // still buffered
        EXPECT_EQ(mmioAscend(h, &chunk, 0), MMIOERR_CANNOTWRITE);  // the flush fails
        EXPECT_EQ(mmioClose(h, MMIO_FHOPEN), MMIOERR_CANNOTWRITE);

        h = Open(fd, MMIO_WRITE | MMIO_ALLOCBUF, 8);
        const std::string more(40, 'y');
        EXPECT_EQ(mmioWrite(h, more.data(), 40), -1);
        EXPECT_EQ(mmioAscend(h, &chunk, 0), MMIOERR_CANNOTWRITE);
        EXPECT_EQ(mmioClose(h, MMIO_FHOPEN), MMIOERR_CANNOTWRITE);
    }
    close(fd);
}

}  // namespace
