#include "link/common/card_format_procedure.h"

#include "link/cardformat/format_image.h"
#include "link/common/command_session.h"
#include "link/common/pc_file.h"
#include "link/common/transfer_blocks.h"

#include <sys/stat.h>

#include <array>
#include <cstdio>

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

}  // namespace

LinkStatus FormatMemoryCard(Link& link) {
    uint8_t codes[2] = {};
    if (LinkStatus s = ReadAnswer(link, kCardInfoCommand, "SMC Information", codes, 2); s != kOk) {
        return s;
    }
    if (codes[0] == 0)
        return kRefused;
    BuildFormatImage(codes[0], codes[1]);

    uint8_t erase = 0;
    if (LinkStatus s = ReadAnswer(link, kCardEraseCommand, "Block erase OK", &erase); s != kOk) {
        return s;
    }
    if (erase == kPlayerAbortCode)
        return kRefused;

    PcFile image = PcFile::Open(kFormatImageName, "rb");
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
    std::remove(kFormatImageName);

    uint8_t answer = 0;
    if (LinkStatus s = session.Read(&answer, 1, "Block erase OK"); s != kOk)
        return s;
    session.Close();
    return answer == kPlayerAbortCode ? kRefused : kOk;
}

}  // namespace kivo::link
