#include "link/common/card_format_procedure.h"

#include "link/cardformat/format_image.h"
#include "link/common/command_session.h"
#include "link/common/pc_file.h"
#include "link/common/transfer_blocks.h"
#include "platform/win/unique_fd.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace kivo::link {

namespace {

constexpr uint32_t kPieceBytes = 528;

LinkStatus ReadAnswer(Link& link, Command command, const char* label, uint8_t* answer,
                      uint32_t length = 1) {
    CommandSession session(link, command);
    if (session.status() != kOk)
        return session.status();
    return session.Read(answer, length, label);
}

// The card image, in a file of its own where temporary files belong, never in the program's
// working folder; removed with its owner, however the format ends.
class ImageFile {
public:
    ImageFile() {
        std::error_code ec;
        const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
        if (ec)
            return;
        std::string pattern = (folder / "kivo-card-XXXXXX").string();
        if (win::UniqueFd(::mkstemp(pattern.data())))
            path_ = pattern;
    }
    ~ImageFile() {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove(path_, ignored);
    }
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace

LinkStatus ReadCardCodes(Link& link, uint8_t codes[2]) {
    return ReadAnswer(link, kCardInfoCommand, "SMC Information", codes, 2);
}

LinkStatus FormatMemoryCard(Link& link) {
    uint8_t codes[2] = {};
    if (LinkStatus s = ReadCardCodes(link, codes); s != kOk)
        return s;
    if (codes[0] == 0)
        return kRefused;
    // An image that cannot be written leaves the card as it is: it is not erased for nothing.
    const ImageFile imageFile;
    if (imageFile.path().empty() || BuildFormatImageAt(imageFile.path(), codes[0], codes[1]) != 0)
        return kPcFileFailed;

    uint8_t erase = 0;
    if (LinkStatus s = ReadAnswer(link, kCardEraseCommand, "Block erase OK", &erase); s != kOk) {
        return s;
    }
    if (erase == kPlayerAbortCode)
        return kRefused;

    PcFile image = PcFile::Open(imageFile.path().c_str(), "rb");
    struct stat info;
    if (!image || ::fstat(::fileno(image.get()), &info) != 0 || !S_ISREG(info.st_mode)) {
        return kPcFileFailed;
    }
    const auto pages = static_cast<uint16_t>(info.st_size / kPieceBytes);

    CommandSession session(link, kCardImageCommand);
    if (session.status() != kOk)
        return session.status();
    const uint8_t count[2] = {static_cast<uint8_t>(pages), static_cast<uint8_t>(pages >> 8)};
    if (LinkStatus s = session.Write(count, 2, "to port(file size)"); s != kOk)
        return s;
    std::array<uint8_t, kPieceBytes> piece;
    for (;;) {
        const size_t got = std::fread(piece.data(), 1, piece.size(), image.get());
        if (got > 0) {
            if (LinkStatus s =
                    session.Write(piece.data(), static_cast<uint32_t>(got), "to port(data)");
                s != kOk) {
                return s;
            }
        }
        if (got < piece.size())
            break;
    }
    const bool readWhole = !std::ferror(image.get());
    image.Close();
    if (!readWhole)
        return kPcFileFailed;

    uint8_t answer = 0;
    if (LinkStatus s = session.Read(&answer, 1, "Block erase OK"); s != kOk)
        return s;
    session.Close();
    return answer == kPlayerAbortCode ? kRefused : kOk;
}

}  // namespace kivo::link
