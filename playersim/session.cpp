#include "playersim/session.h"

#include "playersim/card_image.h"
#include "playersim/card_table.h"

#include <algorithm>
#include "playersim/format.h"

namespace kivo::playersim {
namespace {

// How long the player needs before it takes the next field or has its answer ready.
constexpr uint32_t kAfterMemoryTypeMs = 500;
// The parallel-port player, from the last channel's close to the version command.
constexpr uint32_t kBeforeVersionMs = 100;
constexpr uint32_t kUsbInitializeMs = 20000;
constexpr uint32_t kUsbDeleteMs = 10400;
// The USB player, from an upload block to its code.
constexpr uint32_t kUsbAfterBlockMs = 10;

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

}  // namespace

uint32_t Le(std::span<const uint8_t> bytes) {
    uint32_t value = 0;
    for (size_t i = bytes.size(); i-- > 0;) {
        value = value << 8 | bytes[i];
    }
    return value;
}

Session::Session(Device& device, Dialect dialect) : device_(device), dialect_(dialect) {
    main_ = Run();
    main_.Start();
}

void Session::Input::await_suspend(std::coroutine_handle<> h) noexcept {
    session.waiting_ = h;
    session.needed_ = length;
    session.fieldName_ = field;
    session.field_.clear();
}

size_t Session::Feed(std::span<const uint8_t> bytes) {
    size_t used = 0;
    while (used < bytes.size() && waiting_ && !silent_) {
        const bool cut = device_.faults.shortWrite.contains(fieldName_);
        const uint32_t limit = cut ? needed_ - 1 : needed_;
        if (field_.size() >= limit) {
            Note(Format("> {} cut short at {} of {}", fieldName_, field_.size(), needed_));
            return used;
        }
        const size_t take = std::min(limit - field_.size(), bytes.size() - used);
        field_.insert(field_.end(), bytes.begin() + static_cast<std::ptrdiff_t>(used),
                      bytes.begin() + static_cast<std::ptrdiff_t>(used + take));
        used += take;
        if (field_.size() == needed_) {
            Note(needed_ <= 4 ? Format("> {} {} = {}", fieldName_, needed_, Le(field_))
                              : Format("> {} {}", fieldName_, needed_));
            std::exchange(waiting_, {}).resume();
        }
    }
    // A player that was not ready takes what comes and makes nothing of it.
    return silent_ ? bytes.size() : used;
}

void Session::Count(std::string what) {
    Note("violation: " + what);
    device_.violations.push_back(std::move(what));
}

void Session::Violation(std::string what) {
    Count(std::move(what));
    silent_ = true;
    output_.clear();
}

bool Session::Waited(uint64_t sinceMs, uint32_t ms, const char* field) {
    // A clock that went back (another test's) tells nothing.
    if (nowMs_ < sinceMs || nowMs_ - sinceMs >= ms) {
        return true;
    }
    Violation(Format("{} came after {} ms, {} ms needed", field, nowMs_ - sinceMs, ms));
    return false;
}

void Session::Close(bool clean) {
    device_.lastCloseMs = nowMs_;
    if (!clean) {
        return;
    }
    size_t unread = 0;
    for (const OutChunk& chunk : output_) {
        unread += chunk.bytes.size() - chunk.taken;
    }
    if (unread > 0) {
        Count(Format("{} reply bytes left unread", unread));
    } else if (deleting_ && !silent_) {
        device_.deletedSystemFiles.insert(*deleting_);
    }
}

void Session::Send(std::vector<uint8_t> bytes, const char* field, uint64_t notBeforeMs) {
    if (device_.faults.noAnswer || silent_) {
        Note(Format("< {} {} not sent", field, bytes.size()));
        return;
    }
    Note(Format("< {} {}", field, bytes.size()));
    uint64_t ready = nowMs_;
    if (const auto stall = device_.faults.stall.find(field); stall != device_.faults.stall.end()) {
        ready += stall->second;
    }
    if (dialect_ == Dialect::kUsb && std::string_view(field) == "status") {
        ready += device_.usbStatusDelayMs;
    }
    if (device_.faults.shortRead.contains(field) && !bytes.empty()) {
        std::vector<uint8_t> last(1, bytes.back());
        bytes.pop_back();
        output_.push_back(OutChunk{std::move(bytes), 0, true, ready, notBeforeMs, field});
        output_.push_back(OutChunk{std::move(last), 0, false, ready, notBeforeMs, field});
        return;
    }
    output_.push_back(OutChunk{std::move(bytes), 0, false, ready, notBeforeMs, field});
}

Task Session::Run() {
    Player& player = device_.player;
    const bool usb = dialect_ == Dialect::kUsb;
    for (;;) {
        const uint8_t command = (co_await In(1, "command"))[0];
        Note(Format("command {}", command));
        switch (command) {
            case kUpload:
            case kWriteConfig:
            case kWriteEncoder:
            case kWriteDecoder:
            case kWriteSerial:
                co_await ReceiveFile(command);
                break;
            case kDownload:
                co_await SendFile();
                break;
            case kFileList:
                co_await SendFileList();
                break;
            case kMemoryFigures:
                co_await SendFigures();
                break;
            case kDelete: {
                const uint8_t index = (co_await In(1, "delete.index"))[0];
                const bool removed = player.Remove(index);
                if (index >= 1 && index <= 4) {
                    deleting_ = index;
                }
                Send({removed ? uint8_t{0} : kRefused}, "delete.ack",
                     usb ? nowMs_ + kUsbDeleteMs : 0);
                break;
            }
            case kInitialize: {
                const uint8_t memory = (co_await In(1, "init.memory"))[0];
                const bool cleared = memory > 1 || player.Clear(static_cast<Memory>(memory));
                Send({cleared ? uint8_t{0} : kRefused}, "init.ack",
                     usb ? nowMs_ + kUsbInitializeMs : 0);
                break;
            }
            case kVersion:
                if (!usb && device_.lastCloseMs &&
                    !Waited(*device_.lastCloseMs, kBeforeVersionMs, "version command")) {
                    break;
                }
                co_await SendVersion();
                break;
            case kStatus:
                Send({0}, "status");
                break;
            case kCodePageGb:
            case kCodePageBig5:
                player.SetCodePage(command);
                break;
            case kCardCodes: {
                const PlayerState& s = player.State();
                Send(s.cardPresent ? std::vector<uint8_t>{s.maker, s.device}
                                   : std::vector<uint8_t>{0, 0},
                     "card.codes");
                break;
            }
            case kCardErase:
                if (device_.faults.refuseErase || !player.State().cardPresent ||
                    !player.EraseCard()) {
                    Send({kRefused}, "erase.ack");
                } else {
                    Send({0}, "erase.ack");
                }
                break;
            case kCardImage:
                co_await ReceiveImage();
                break;
            default:
                Note(Format("unknown command {} not answered", command));
                break;
        }
    }
}

Task Session::ReceiveFile(uint8_t command) {
    const bool upload = command == kUpload;
    if (!upload && !device_.deletedSystemFiles.erase(SystemFileIndex(command))) {
        Violation(
            Format("system file {} written without its delete first", SystemFileIndex(command)));
        co_return;
    }
    const uint8_t memory = (co_await In(1, "upload.memory"))[0];
    const uint64_t memoryAt = nowMs_;
    const uint8_t type = (co_await In(1, "upload.type"))[0];
    if (upload && !Waited(memoryAt, kAfterMemoryTypeMs, "upload.type")) {
        co_return;
    }
    const uint32_t size = Le(co_await In(4, "upload.size"));
    const uint32_t blocks = Le(co_await In(2, "upload.blocks"));
    std::vector<uint8_t> name = co_await In(kNameBytes, "upload.name");
    name.erase(std::ranges::find(name, 0), name.end());

    bool consistent = blocks == BlockCount(size);
    if (!consistent) {
        Note(Format("size {} does not match {} blocks", size, blocks));
    }
    // Room for the whole file at once when the player can take it, so that an upload is held
    // once and then handed to the store.
    const bool system = command != kUpload;
    const Memory target = system ? Memory::kFlash : static_cast<Memory>(memory);
    std::vector<uint8_t> content;
    if (consistent && (system || memory <= 1) &&
        device_.player.Fits(target, size, system ? SystemFileIndex(command) : 0)) {
        content.reserve(size);
    }
    bool cancelled = false;
    for (uint32_t b = 0; b < blocks && !cancelled; ++b) {
        const std::vector<uint8_t> data = co_await In(BlockBytes(b), "upload.data");
        const uint64_t dataAt = nowMs_;
        if (consistent) {
            const size_t keep = std::min<size_t>(data.size(), size - content.size());
            const auto end = data.begin() + static_cast<std::ptrdiff_t>(keep);
            content.insert(content.end(), data.begin(), end);
            // A system file's block may hold more than its size keeps (a long device tag).
            if (upload && std::any_of(end, data.end(), [](uint8_t byte) { return byte != 0; })) {
                Violation(Format("upload block {} padded with other bytes than zero", b));
                co_return;
            }
        }
        const uint8_t code = (co_await In(1, "upload.cancel"))[0];
        if (upload && dialect_ == Dialect::kUsb &&
            !Waited(dataAt, kUsbAfterBlockMs, "upload.cancel")) {
            co_return;
        }
        if (code > kCancelStop) {
            Violation(Format("upload code {} after block {}", code, b));
            co_return;
        }
        cancelled = code == kCancelStop;
    }
    uint8_t index = 0;
    if (cancelled) {
        Note("upload stopped by the PC");
    } else if (consistent && !system) {
        index = device_.player.AddFile(target, type, name, std::move(content));
    } else if (consistent) {
        index = SystemFileIndex(command);
        if (!device_.player.PutSystemFile(index, type, name, std::move(content))) {
            index = 0;
        }
    }
    Send({index}, "upload.index");
}

Task Session::SendFile() {
    const uint8_t index = (co_await In(1, "download.index"))[0];
    const FileInfo* file = device_.player.Find(index);
    const uint32_t size = file == nullptr ? 0 : file->size;
    std::vector<uint8_t> sizeField;
    PutLe(sizeField, size, 4);
    Send(std::move(sizeField), "download.size");
    if (size == 0) {
        if (dialect_ == Dialect::kUsb) {
            Send(std::vector<uint8_t>(kFirstBlockBytes, 0), "download.data");
        }
        co_return;
    }
    const std::vector<uint8_t> content = device_.player.Content(index);
    const uint32_t blocks = BlockCount(size);
    // The valid code sent before each block; none before block 0.
    std::vector<uint8_t> valid(blocks, 0);
    // The code the PC sends after block k unless it stops: the last valid code it has taken,
    // which over USB it takes only once the block it came with is written.
    const auto expected = [&](uint32_t k) {
        return valid[dialect_ == Dialect::kUsb && k > 0 ? k - 1 : k];
    };
    const auto codeAllowed = [&](uint8_t code, uint32_t k) {
        if (code == kCancelStop || code == expected(k)) {
            return true;
        }
        Violation(Format("download code {} after block {}, {} expected", code, k, expected(k)));
        return false;
    };
    size_t offset = 0;
    for (uint32_t b = 0; b < blocks; ++b) {
        bool refused = false;
        if (b > 0) {
            const uint8_t code = (co_await In(1, "download.cancel"))[0];
            if (!codeAllowed(code, b - 1) || code == kCancelStop) {
                co_return;
            }
            refused = device_.faults.refuseAfterBlock == b - 1;
            valid[b] = refused ? kRefused : device_.validCode;
            Send({valid[b]}, "download.valid");
            if (refused && dialect_ == Dialect::kParallel) {
                co_return;
            }
        }
        std::vector<uint8_t> block(BlockBytes(b), 0);
        const size_t n = std::min(block.size(), content.size() - offset);
        std::copy_n(content.begin() + static_cast<std::ptrdiff_t>(offset), n, block.begin());
        offset += n;
        Send(std::move(block), "download.data");
        if (refused) {
            if (b + 1 < blocks) {
                codeAllowed((co_await In(1, "download.cancel"))[0], b);
            }
            co_return;
        }
    }
}

Task Session::SendFileList() {
    for (const auto& [index, file] : device_.player.State().files) {
        const auto renamed = device_.listedAs.find(index);
        const uint8_t listed = renamed == device_.listedAs.end() ? index : renamed->second;
        std::vector<uint8_t> entry{listed, file.type};
        PutLe(entry, file.size, 4);
        entry.insert(entry.end(), file.name.begin(), file.name.end());
        entry.resize(2 + 4 + kNameBytes, 0);
        entry.push_back(file.bitRateCode);
        Send(std::move(entry), "list.entry");
    }
    if (dialect_ == Dialect::kUsb) {
        Send(std::vector<uint8_t>(kEntryBytes + 1, 0), "list.end");
    } else {
        Send({kListEnd}, "list.end");
    }
    co_return;
}

Task Session::SendFigures() {
    const Player& p = device_.player;
    const auto count = [](uint32_t units) {
        std::vector<uint8_t> field;
        PutLe(field, std::min<uint32_t>(units, 0xFFFF), 2);
        return field;
    };
    Send(count(p.TotalUnits(Memory::kFlash)), "figures.flash-total");
    Send(count(p.FreeUnits(Memory::kFlash)), "figures.flash-free");
    Send(count(p.TotalUnits(Memory::kCard)), "figures.card-total");
    Send(count(p.FreeUnits(Memory::kCard)), "figures.card-free");
    co_return;
}

Task Session::SendVersion() {
    const auto& v = device_.player.State().version;
    Send({0, 0, 0, 0, v[0], v[1], v[2], v[3]}, "version");
    std::vector<uint8_t> config = device_.player.Content(2);
    config.resize(kConfigBytes, 0);
    Send(std::move(config), "config");
    co_return;
}

Task Session::ReceiveImage() {
    const uint32_t pages = Le(co_await In(2, "image.count"));
    const PlayerState& s = device_.player.State();
    const std::optional<CardLayout> layout =
        s.cardPresent ? CardLayoutOf(s.maker, s.device) : std::nullopt;
    // The PC sends the whole image: whole pieces, and on small-page cards a half piece more.
    size_t length = size_t{pages} * kImagePieceBytes;
    size_t expected = 0;
    if (layout) {
        expected = ExpectedImage(*layout).size();
        if (pages == expected / kImagePieceBytes) {
            length = expected;
        }
    }
    std::vector<uint8_t> image;
    while (image.size() < length) {
        const auto piece =
            static_cast<uint32_t>(std::min<size_t>(kImagePieceBytes, length - image.size()));
        const std::vector<uint8_t> data = co_await In(piece, "image.data");
        image.insert(image.end(), data.begin(), data.end());
    }
    std::string problem = layout ? CheckImage(*layout, image) : "no card that can be formatted";
    if (problem.empty() && device_.faults.refuseImage) {
        problem = "refused";
    }
    if (problem.empty() && !device_.player.FormatCard()) {
        problem = "the store cannot be written";
    }
    if (problem.empty()) {
        Note("card formatted");
        Send({0}, "image.ack");
    } else {
        Note("image refused: " + problem);
        Send({kRefused}, "image.ack");
    }
}

void Transcript::Add(std::string line) {
    constexpr size_t kKeep = 100000;
    if (lines_.size() == kKeep) {
        lines_.pop_front();
    }
    lines_.push_back(std::move(line));
}

std::string Transcript::Text() const {
    std::string text;
    for (const std::string& line : lines_) {
        text += line;
        text += '\n';
    }
    return text;
}

}  // namespace kivo::playersim
