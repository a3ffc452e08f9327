#include "drivers/tests/client.h"

#include "platform/win/clock.h"
#include "playersim/session.h"
#include "playersim/wire.h"

#include <algorithm>

namespace kivo::px::testing {

using namespace playersim;

Status Client::Open(uint8_t command, uint32_t timeoutMs) {
    if (!Usb() && api_.AcquirePort(1) != 0) {
        return Fail();
    }
    handle_ = api_.CreateFile("LPT1", 0xC0000000, 0, nullptr, 3, 0x20000004, nullptr);
    if (handle_ == kPxInvalidHandle) {
        return Fail();
    }
    api_.SetTimeOut(timeoutMs);
    const uint8_t byte = command;
    const Status status = Write({&byte, 1});
    if (status != 0) {
        Close();
    }
    return status;
}

void Client::Close() {
    if (handle_ != kPxInvalidHandle) {
        api_.CloseHandle(handle_);
        handle_ = kPxInvalidHandle;
    }
    if (!Usb()) {
        api_.ReleasePort(1);
    }
}

Status Client::Write(std::span<const uint8_t> bytes) {
    uint32_t done = 0;
    if (api_.WriteFile(handle_, bytes.data(), static_cast<uint32_t>(bytes.size()), &done,
                       nullptr) == 0) {
        return Fail();
    }
    return done == bytes.size() ? 0 : 19;
}

Status Client::Read(std::span<uint8_t> bytes) {
    const auto n = static_cast<uint32_t>(bytes.size());
    uint32_t done = 0;
    if (!Usb()) {
        if (api_.ReadFile(handle_, bytes.data(), n, &done, nullptr) == 0) {
            return Fail();
        }
        return done == n ? 0 : 20;
    }
    // USB: a whole number of 64-byte packets flagged, then the rest.
    const uint32_t head = n - n % 64;
    if (head > 0) {
        if (api_.ReadFileFlag(handle_, bytes.data(), head, &done, nullptr, 1) == 0) {
            return Fail();
        }
        if (done != head) {
            return 20;
        }
    }
    if (n == head) {
        return 0;
    }
    if (api_.ReadFileFlag(handle_, bytes.data() + head, n - head, &done, nullptr, 0) == 0) {
        return Fail();
    }
    return done == n - head ? 0 : 20;
}

Status Client::ReadFlagged(std::span<uint8_t> bytes, uint32_t flag) {
    const auto n = static_cast<uint32_t>(bytes.size());
    uint32_t done = 0;
    if (api_.ReadFileFlag(handle_, bytes.data(), n, &done, nullptr, flag) == 0) {
        return Fail();
    }
    return done == n ? 0 : 20;
}

#define KIVO_TRY(expr)                         \
    do {                                       \
        if (const Status s = (expr); s != 0) { \
            Close();                           \
            return s;                          \
        }                                      \
    } while (0)

Status Client::Upload(uint8_t memory, uint8_t type, const std::string& name,
                      std::span<const uint8_t> data, uint8_t& index,
                      std::optional<uint32_t> stopAfter, uint8_t command,
                      std::optional<uint16_t> blockCount) {
    index = 0;
    const bool upload = command == kUpload;
    if (!upload) {
        // The player takes a system file only after its old one was deleted.
        uint8_t ack = 0;
        if (const Status s = Simple(kDelete, SystemFileIndex(command), ack); s != 0) {
            return s;
        }
    }
    KIVO_TRY(Open(command, 60000));
    const auto size = static_cast<uint32_t>(data.size());
    const uint16_t blocks = blockCount.value_or(static_cast<uint16_t>(BlockCount(size)));
    std::vector<uint8_t> nameField(kNameBytes, 0);
    std::copy_n(name.begin(), std::min<size_t>(name.size(), kNameBytes), nameField.begin());
    const uint8_t sizeField[4] = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                                  static_cast<uint8_t>(size >> 16),
                                  static_cast<uint8_t>(size >> 24)};
    const uint8_t blockField[2] = {static_cast<uint8_t>(blocks), static_cast<uint8_t>(blocks >> 8)};
    KIVO_TRY(Write({&memory, 1}));
    if (upload) {
        Sleep(500);
    }
    KIVO_TRY(Write({&type, 1}));
    KIVO_TRY(Write(sizeField));
    KIVO_TRY(Write(blockField));
    KIVO_TRY(Write(nameField));
    size_t offset = 0;
    for (uint32_t b = 0; b < blocks; ++b) {
        std::vector<uint8_t> block(BlockBytes(b), 0);
        const size_t n = std::min(block.size(), data.size() - std::min(offset, data.size()));
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(offset), n, block.begin());
        offset += n;
        KIVO_TRY(Write(block));
        if (upload && Usb()) {
            Sleep(10);
        }
        const uint8_t cancel = stopAfter == b ? 1 : 0;
        KIVO_TRY(Write({&cancel, 1}));
        if (cancel == 1) {
            break;
        }
    }
    KIVO_TRY(Read({&index, 1}));
    Close();
    return 0;
}

Download Client::Get(uint8_t index) {
    Download d;
    const auto fail = [&](Status s) {
        Close();
        d.status = s;
        return d;
    };
    if (const Status s = Open(2, 40000); s != 0) {
        d.status = s;
        return d;
    }
    if (const Status s = Write({&index, 1}); s != 0) {
        return fail(s);
    }
    std::vector<uint8_t> block(Usb() ? 4 + kFirstBlockBytes : 4);
    if (const Status s = Read(block); s != 0) {
        return fail(s);
    }
    d.size = Le(std::span(block).first(4));
    if (d.size == 0) {
        Close();
        return d;
    }
    const uint32_t blocks = BlockCount(d.size);
    // Echoes the player's last valid code: over USB it is taken once its block is written.
    uint8_t code = 0;
    uint8_t pending = 0;
    for (uint32_t b = 0; b < blocks; ++b) {
        if (b > 0) {
            if (const Status s = Write({&code, 1}); s != 0) {
                return fail(s);
            }
            code = pending;
            block.assign(1 + kLaterBlockBytes, 0);
            if (!Usb()) {
                if (const Status s = Read(std::span(block).first(1)); s != 0) {
                    return fail(s);
                }
                if (block[0] == kRefused) {
                    d.refused = true;
                    break;
                }
                code = block[0];
                if (const Status s = Read(std::span(block).subspan(1)); s != 0) {
                    return fail(s);
                }
            } else if (const Status s = Read(block); s != 0) {
                return fail(s);
            }
        } else if (!Usb()) {
            block.resize(kFirstBlockBytes);
            if (const Status s = Read(block); s != 0) {
                return fail(s);
            }
        }
        const size_t skip = b == 0 ? (Usb() ? 4 : 0) : 1;
        const size_t keep = std::min<size_t>(BlockBytes(b), d.size - d.data.size());
        d.data.insert(d.data.end(), block.begin() + static_cast<std::ptrdiff_t>(skip),
                      block.begin() + static_cast<std::ptrdiff_t>(skip + keep));
        if (b > 0 && block[0] == kRefused) {
            d.refused = true;
            if (b + 1 < blocks) {
                Write({&code, 1});
            }
            break;
        }
        if (b > 0 && Usb()) {
            pending = block[0];
        }
    }
    Close();
    return d;
}

Status Client::List(std::vector<ListedFile>& files) {
    files.clear();
    KIVO_TRY(Open(3, 40000));
    const auto add = [&](std::span<const uint8_t> e) {
        const auto name = e.subspan(6, kNameBytes);
        files.push_back({e[0], e[1], Le(e.subspan(2, 4)),
                         std::string(name.begin(), std::ranges::find(name, 0)), e[521]});
    };
    if (!Usb()) {
        for (;;) {
            uint8_t index = 0;
            KIVO_TRY(Read({&index, 1}));
            if (index == kListEnd) {
                break;
            }
            std::vector<uint8_t> entry(kEntryBytes);
            entry[0] = index;
            KIVO_TRY(Read(std::span(entry).subspan(1)));
            add(entry);
        }
    } else {
        // Whole records, then the end marker and one byte more.
        for (;;) {
            std::vector<uint8_t> entry(kEntryBytes);
            KIVO_TRY(Read(std::span(entry).first(1)));
            if (entry[0] == 0) {
                KIVO_TRY(Read(std::span(entry)));
                break;
            }
            KIVO_TRY(Read(std::span(entry).subspan(1)));
            add(entry);
        }
    }
    Close();
    return 0;
}

Status Client::Figures(uint16_t (&counts)[4]) {
    KIVO_TRY(Open(4, 3000));
    for (uint16_t& count : counts) {
        uint8_t field[2] = {0, 0};
        if (Usb()) {
            if (api_.ReadDataBytes(handle_, 2, field) == 0) {
                const Status s = Fail();
                Close();
                return s;
            }
        } else {
            KIVO_TRY(Read(field));
        }
        count = static_cast<uint16_t>(field[0] | field[1] << 8);
    }
    Close();
    return 0;
}

Status Client::Simple(uint8_t command, uint8_t argument, uint8_t& answer) {
    KIVO_TRY(Open(command, command == kInitialize ? 60000 : 40000));
    KIVO_TRY(Write({&argument, 1}));
    if (Usb()) {
        // The USB player needs this long before its acknowledgement.
        Sleep(command == kInitialize ? 20000 : 10400);
    }
    KIVO_TRY(Read({&answer, 1}));
    Close();
    return 0;
}

Status Client::Version(std::vector<uint8_t>& reply) {
    reply.assign(kVersionReplyBytes, 0);
    if (!Usb()) {
        // The parallel-port player needs a pause after the last exchange.
        Sleep(100);
    }
    KIVO_TRY(Open(7, 3000));
    KIVO_TRY(Read(reply));
    Close();
    return 0;
}

Status Client::Status10(uint8_t& answer) {
    KIVO_TRY(Open(10, 100));
    if (Usb()) {
        api_.SetTimeOut(1000);
    }
    KIVO_TRY(Read({&answer, 1}));
    Close();
    return 0;
}

Status Client::CardCodes(uint8_t& maker, uint8_t& device) {
    uint8_t codes[2] = {0, 0};
    KIVO_TRY(Open(32, 3000));
    KIVO_TRY(Read(codes));
    Close();
    maker = codes[0];
    device = codes[1];
    return 0;
}

Status Client::Erase(uint8_t& answer) {
    KIVO_TRY(Open(33, 3000));
    KIVO_TRY(Read({&answer, 1}));
    Close();
    return 0;
}

Status Client::Image(std::span<const uint8_t> image, uint8_t& answer) {
    KIVO_TRY(Open(34, 3000));
    const auto pages = static_cast<uint16_t>(image.size() / kImagePieceBytes);
    const uint8_t count[2] = {static_cast<uint8_t>(pages), static_cast<uint8_t>(pages >> 8)};
    KIVO_TRY(Write(count));
    for (size_t at = 0; at < image.size(); at += kImagePieceBytes) {
        KIVO_TRY(Write(image.subspan(at, std::min<size_t>(kImagePieceBytes, image.size() - at))));
    }
    KIVO_TRY(Read({&answer, 1}));
    Close();
    return 0;
}

}  // namespace kivo::px::testing
