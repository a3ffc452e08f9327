#include "phonebook/TelFile.h"

#include "platform/win/lang.h"

#include <algorithm>

namespace kivo::phonebook {

namespace {

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

// Reading stops before the first Ctrl-Z.
std::string_view BeforeEndOfFile(std::string_view bytes) {
    return bytes.substr(0, bytes.find(kEndOfFile));
}

// The field's bytes without their zero bytes, as UTF-8.
std::string FieldText(std::string_view field, uint32_t codePage) {
    std::string bytes;
    std::copy_if(field.begin(), field.end(), std::back_inserter(bytes),
                 [](char c) { return c != '\0'; });
    return FromCodePage(codePage, bytes);
}

// Takes up to `width` bytes off the front of the record; fewer when it ends first.
std::string_view TakeField(std::string_view& record, size_t width) {
    std::string_view field = record.substr(0, width);
    record.remove_prefix(field.size());
    return field;
}

// The text an entry takes from a field's bytes.
std::string ReadText(std::string_view field, uint32_t codePage) {
    return Trimmed(FieldText(field, codePage));
}

// True when the text is still the one read from `field`, whose bytes then stand for it.
bool KeptAsRead(const std::string& text, const std::string* field, uint32_t codePage) {
    return field != nullptr && ReadText(*field, codePage) == text;
}

void AppendField(std::string& out, std::string_view utf8, const std::string* read, size_t width,
                 uint32_t codePage) {
    std::string field = KeptAsRead(std::string(utf8), read, codePage)
                            ? read->substr(0, width)
                            : FitField(utf8, width, codePage);
    out += field;
    out.append(width - field.size(), '\0');
}

// The fields of entry `i` as they were read; nullptr where it was not read from a record.
const RecordFields* ReadFields(const ReadFrom& read, size_t i) {
    return i < read.size() ? read[i] : nullptr;
}

// The next line and what follows it; a line ends at CR LF, LF or CR.
std::string_view TakeLine(std::string_view& text) {
    size_t end = text.find_first_of("\r\n");
    std::string_view line = text.substr(0, end);
    if (end == std::string_view::npos) {
        text = {};
    } else {
        bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        text.remove_prefix(end + (crlf ? 2 : 1));
    }
    return line;
}

}  // namespace

std::string Trimmed(std::string_view text) {
    while (!text.empty() && IsBlankOrControl(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlankOrControl(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

std::optional<Entry> NewEntry(std::string_view name, std::string_view home,
                              std::string_view office) {
    if (name.empty())
        return std::nullopt;
    return Entry{Trimmed(name), Trimmed(home), Trimmed(office)};
}

std::string FitField(std::string_view utf8, size_t width, uint32_t codePage) {
    std::string bytes = ToCodePage(codePage, utf8);
    size_t kept = 0;
    while (kept < bytes.size()) {
        size_t next =
            kept + (IsDBCSLeadByteEx(codePage, static_cast<uint8_t>(bytes[kept])) ? 2 : 1);
        if (next > width)
            break;
        kept = next;
    }
    bytes.resize(std::min(kept, bytes.size()));
    return bytes;
}

std::vector<Entry> ReadTelRecords(std::string_view bytes, uint32_t codePage,
                                  std::vector<RecordFields>* fields) {
    std::vector<Entry> entries;
    std::string_view rest = BeforeEndOfFile(bytes);
    while (!rest.empty()) {
        std::string_view record = TakeField(rest, kRecordSize);
        RecordFields read{std::string(TakeField(record, kNameWidth)),
                          std::string(TakeField(record, kPhoneWidth)),
                          std::string(TakeField(record, kPhoneWidth))};
        if (auto entry = NewEntry(FieldText(read.name, codePage), FieldText(read.home, codePage),
                                  FieldText(read.office, codePage))) {
            entries.push_back(std::move(*entry));
            if (fields)
                fields->push_back(std::move(read));
        }
    }
    return entries;
}

std::string WriteTelRecords(const std::vector<Entry>& entries, uint32_t codePage,
                            const ReadFrom& read) {
    std::string out;
    out.reserve(entries.size() * kRecordSize);
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        const RecordFields* fields = ReadFields(read, i);
        AppendField(out, entry.name, fields ? &fields->name : nullptr, kNameWidth, codePage);
        AppendField(out, entry.home, fields ? &fields->home : nullptr, kPhoneWidth, codePage);
        AppendField(out, entry.office, fields ? &fields->office : nullptr, kPhoneWidth, codePage);
    }
    return out;
}

std::vector<std::string> NamesNotHeld(const std::vector<Entry>& entries, uint32_t codePage,
                                      const ReadFrom& read) {
    auto held = [codePage](const std::string& text, const std::string* field) {
        return KeptAsRead(text, field, codePage) ||
               FromCodePage(codePage, ToCodePage(codePage, text)) == text;
    };
    std::vector<std::string> names;
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        const RecordFields* fields = ReadFields(read, i);
        if (!held(entry.name, fields ? &fields->name : nullptr) ||
            !held(entry.home, fields ? &fields->home : nullptr) ||
            !held(entry.office, fields ? &fields->office : nullptr))
            names.push_back(entry.name);
    }
    return names;
}

std::vector<Entry> ReadCsvLines(std::string_view bytes, uint32_t codePage) {
    std::string_view raw = BeforeEndOfFile(bytes);
    std::string text = IsValidUtf8(raw) ? std::string(raw) : FromCodePage(codePage, raw);
    std::string_view rest = text;
    TakeLine(rest);
    std::vector<Entry> entries;
    while (!rest.empty()) {
        std::string_view line = TakeLine(rest);
        size_t comma = line.find(',');
        if (comma == std::string_view::npos)
            continue;
        if (auto entry = NewEntry(line.substr(0, comma), line.substr(comma + 1), ""))
            entries.push_back(std::move(*entry));
    }
    return entries;
}

FileEntries LoadTel(const std::string& path) {
    std::string bytes;
    std::optional<FileFault> fault = ReadFileBytes(path, bytes, kLargestBookFile);
    // Reading that failed after a Ctrl-Z had already ended the file.
    if (fault && bytes.find(kEndOfFile) == std::string::npos) {
        // A record is added once all three of its fields are read.
        bytes.resize(bytes.size() - bytes.size() % kRecordSize);
    } else {
        fault.reset();
    }
    FileEntries read;
    read.entries = ReadTelRecords(bytes, GetACP(), &read.fields);
    read.fault = fault;
    return read;
}

FileEntries ImportCsv(const std::string& path) {
    std::string bytes;
    std::optional<FileFault> fault = ReadFileBytes(path, bytes, kLargestBookFile);
    if (fault && bytes.find(kEndOfFile) == std::string::npos) {
        // A line is added once its end is read.
        size_t end = bytes.find_last_of("\r\n");
        bytes.resize(end == std::string::npos ? 0 : end + 1);
        return {ReadCsvLines(bytes, GetACP()), fault, {}};
    }
    return {ReadCsvLines(bytes, GetACP()), std::nullopt, {}};
}

std::optional<FileFault> SaveTel(const std::string& path, const std::vector<Entry>& entries,
                                 const ReadFrom& read) {
    return WriteFileReplacing(path, WriteTelRecords(entries, GetACP(), read));
}

}  // namespace kivo::phonebook
