#include "playersim/control.h"

#include "playersim/card_table.h"

#include <sstream>
#include "playersim/format.h"

namespace kivo::playersim {
namespace {

ControlReply Refuse(std::string why) {
    return {false, std::move(why)};
}
ControlReply Done(std::string text = {}) {
    return {true, std::move(text)};
}

ControlReply Unsaved() {
    return Refuse("the player's store cannot be written; nothing changed");
}

bool Number(std::istringstream& words, uint64_t& value, int base = 10) {
    std::string word;
    if (!(words >> word) || word.empty()) {
        return false;
    }
    size_t used = 0;
    try {
        value = std::stoull(word, &used, base);
    } catch (const std::exception&) {
        return false;
    }
    return used == word.size();
}

bool AtEnd(std::istringstream& words) {
    std::string rest;
    return !(words >> rest);
}

ControlReply Fault(Device& device, std::istringstream& words) {
    Faults& f = device.faults;
    std::string kind;
    words >> kind;
    uint64_t n = 0;
    std::string field;
    if (kind == "none") {
        f = Faults{};
    } else if (kind == "no-answer") {
        f.noAnswer = true;
    } else if (kind == "code24") {
        std::string where;
        words >> where;
        if (where == "erase") {
            f.refuseErase = true;
        } else if (where == "image") {
            f.refuseImage = true;
        } else if (where == "block" && Number(words, n) && n < 0x10000) {
            f.refuseAfterBlock = static_cast<uint32_t>(n);
        } else {
            return Refuse("code24 takes erase, image or block K");
        }
    } else if (kind == "short-read" && (words >> field)) {
        f.shortRead.insert(field);
    } else if (kind == "short-write" && (words >> field)) {
        f.shortWrite.insert(field);
    } else if (kind == "stall" && (words >> field) && Number(words, n) && n <= 0xFFFFFFFF) {
        f.stall[field] = static_cast<uint32_t>(n);
    } else if (kind == "drop" && Number(words, n)) {
        f.dropAfter = n;
    } else {
        return Refuse("unknown fault: " + kind);
    }
    return AtEnd(words) ? Done() : Refuse("too many words");
}

std::string Files(const Player& player) {
    std::string out;
    for (const auto& [index, f] : player.State().files) {
        out += Format("{} {} {} {} {}\n", index, f.memory == Memory::kCard ? "card" : "flash",
                      f.type, f.size, std::string(f.name.begin(), f.name.end()));
    }
    return out;
}

}  // namespace

ControlReply Control(Device& device, const std::string& line) {
    std::istringstream words(line);
    std::string key;
    words >> key;
    Player& player = device.player;
    uint64_t a = 0, b = 0, c = 0, d = 0;
    if (key == "fault") {
        return Fault(device, words);
    }
    if (key == "reset" && AtEnd(words)) {
        if (!player.Reset()) {
            return Unsaved();
        }
        device.faults = Faults{};
        device.listedAs.clear();
        device.validCode = 0;
        device.violations.clear();
        device.deletedSystemFiles.clear();
        device.lastCloseMs.reset();
        device.transcript.Clear();
        return Done();
    }
    if (key == "card") {
        std::istringstream copy(line.substr(4));
        std::string word;
        if ((copy >> word) && word == "none" && AtEnd(copy)) {
            return player.SetCard(false, 0, 0) ? Done() : Unsaved();
        }
        if (!Number(words, a, 16) || !Number(words, b, 16) || !AtEnd(words) || a > 255 || b > 255 ||
            !CardAccepted(static_cast<uint8_t>(a), static_cast<uint8_t>(b))) {
            return Refuse("card takes a maker and device code of the card table, or none");
        }
        return player.SetCard(true, static_cast<uint8_t>(a), static_cast<uint8_t>(b)) ? Done()
                                                                                      : Unsaved();
    }
    if (key == "flash") {
        if (!Number(words, a) || !AtEnd(words) || a > 0xFFFF) {
            return Refuse("flash takes a number of units up to 65535");
        }
        return player.SetFlashUnits(static_cast<uint32_t>(a)) ? Done() : Unsaved();
    }
    if (key == "version") {
        if (!Number(words, a) || !Number(words, b) || !Number(words, c) || !Number(words, d) ||
            !AtEnd(words) || a > 255 || b > 255 || c > 255 || d > 255) {
            return Refuse("version takes four digits");
        }
        return player.SetVersion({static_cast<uint8_t>(a), static_cast<uint8_t>(b),
                                  static_cast<uint8_t>(c), static_cast<uint8_t>(d)})
                   ? Done()
                   : Unsaved();
    }
    if (key == "speed") {
        std::istringstream copy(line.substr(5));
        std::string word;
        if ((copy >> word) && word == "real" && AtEnd(copy)) {
            device.bytesPerSecond.reset();
            return Done();
        }
        if (!Number(words, a) || !AtEnd(words) || a > 0xFFFFFFFF) {
            return Refuse("speed takes bytes per second, 0 or real");
        }
        device.bytesPerSecond = static_cast<uint32_t>(a);
        return Done();
    }
    if (key == "list-index") {
        if (!Number(words, a) || !Number(words, b) || !AtEnd(words) || a > 255 || b > 255) {
            return Refuse("list-index takes a file index and the index to list it under");
        }
        device.listedAs[static_cast<uint8_t>(a)] = static_cast<uint8_t>(b);
        return Done();
    }
    if (key == "valid-code") {
        if (!Number(words, a) || !AtEnd(words) || a > 255 || a == kRefused) {
            return Refuse("valid-code takes 0 to 255 but 24 (that is fault code24 block K)");
        }
        device.validCode = static_cast<uint8_t>(a);
        return Done();
    }
    if (key == "status-delay") {
        if (!Number(words, a) || !AtEnd(words) || a > 0xFFFFFFFF) {
            return Refuse("status-delay takes milliseconds");
        }
        device.usbStatusDelayMs = static_cast<uint32_t>(a);
        return Done();
    }
    if (!AtEnd(words)) {
        return Refuse("unknown control line: " + line);
    }
    if (key == "files") {
        return Done(Files(player));
    }
    if (key == "figures") {
        return Done(Format("flash {} {} card {} {}\n", player.TotalUnits(Memory::kFlash),
                           player.FreeUnits(Memory::kFlash), player.TotalUnits(Memory::kCard),
                           player.FreeUnits(Memory::kCard)));
    }
    if (key == "state") {
        return Done(FormatState(player.State()));
    }
    if (key == "violations") {
        std::string text = Format("{}\n", device.violations.size());
        for (const std::string& what : device.violations) {
            text += what + '\n';
        }
        return Done(text);
    }
    if (key == "transcript") {
        return Done(device.transcript.Text());
    }
    if (key == "clear-violations") {
        device.violations.clear();
        return Done();
    }
    if (key == "clear-transcript") {
        device.transcript.Clear();
        return Done();
    }
    return Refuse("unknown control line: " + line);
}

const char* ControlHelp() {
    return R"(Player settings (each also a control line without the leading dashes):
  --card MAKER DEVICE    insert a fresh, formatted card given by its maker and device code
                         in hex (default EC 75, a 32 MB card); any pair of the card table
  --card none            no card in the slot
  --flash UNITS          size of the internal Flash in 16896-byte units (default 3971, 64 MB)
  --version A B C D      the four version digits (default 0 1 3 0, shown as 01.30)
  --speed BYTES_PER_S    wire speed; 0 for unthrottled, "real" for the real link's speed
                         (about 600 KB/s parallel, 1 MB/s USB; the default)
  --status-delay MS      how late the USB player answers the status check (default 200)
  --list-index I AS      list the file of index I under index AS (such as 255, or 0)
  --valid-code N         the valid code sent between download blocks (default 0)
Faults (control lines "fault ..."; option --fault "WORDS", repeatable):
  fault no-answer                the player takes commands but never answers
  fault code24 erase|image       answer 24 to the card erase or to the format image
  fault code24 block K           the valid code after download block K is 24
  fault short-read FIELD         send FIELD one byte short (the read ends early)
  fault short-write FIELD        take FIELD one byte short (the write ends early)
  fault stall FIELD MS           send FIELD only MS milliseconds late
  fault drop N                   drop the connection after N more bytes, either way
  fault none                     clear every fault
  Fields: command upload.memory upload.type upload.size upload.blocks upload.name
  upload.data upload.cancel upload.index download.index download.size download.data
  download.cancel download.valid list.entry list.end figures.flash-total
  figures.flash-free figures.card-total figures.card-free delete.index delete.ack
  init.memory init.ack version config status card.codes erase.ack image.count
  image.data image.ack
The player checks what a real one needs (the waits before a field, the codes after each
block, zero padding, the delete before a system file, every reply byte read, the USB packet
split) and answers nothing more on a channel that broke a rule.
Inspection (control lines only): files, figures, state, transcript, clear-transcript,
  violations (their count, then one line each), clear-violations,
  reset (a new player: default settings, no files, no faults, no list-index).
)";
}

}  // namespace kivo::playersim
