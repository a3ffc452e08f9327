#pragma once

#include "phonebook/FileAccess.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The telephone book's files, without any window: .TEL files of fixed 88-byte records, and the
// CSV import. Texts are UTF-8 here and bytes of an ANSI code page in the files.
namespace kivo::phonebook {

struct Entry {
    std::string name;
    std::string home;
    std::string office;
    bool operator==(const Entry&) const = default;
};

// The rule of adding an entry: nothing for an empty name (tested before trimming, so a name of
// blanks gives an entry with an empty name); otherwise the three texts with blanks and control
// characters removed at both ends.
std::optional<Entry> NewEntry(std::string_view name, std::string_view home,
                              std::string_view office);
std::string Trimmed(std::string_view text);

inline constexpr size_t kNameWidth = 30;
inline constexpr size_t kPhoneWidth = 29;
inline constexpr size_t kRecordSize = kNameWidth + 2 * kPhoneWidth;
// Ctrl-Z: the end of a file, wherever it stands.
inline constexpr char kEndOfFile = 0x1A;

// The text in the code page, cut to at most `width` bytes without splitting a character.
std::string FitField(std::string_view utf8, size_t width, uint32_t codePage);

// The bytes of the three fields of the record an entry was read from, zero padding included.
// A field whose text is still the one read from its bytes is written back as those bytes, so a
// book saved without edits stays byte for byte what it was, also where the code page cannot
// decode it (a name written on a system of another language).
struct RecordFields {
    std::string name;
    std::string home;
    std::string office;
};
// For each entry to be written, the record it was read from; nullptr for one typed or imported.
using ReadFrom = std::vector<const RecordFields*>;

// The entries that reading the records adds: zero bytes dropped wherever they stand, a short
// last record read as far as it goes, nothing from 0x1A on. `fields`, when given, receives the
// record of each entry.
std::vector<Entry> ReadTelRecords(std::string_view bytes, uint32_t codePage,
                                  std::vector<RecordFields>* fields = nullptr);
// One 88-byte record per entry, in order; texts too long for their field are cut, and the
// fields that `read` still holds as they were read keep their bytes.
std::string WriteTelRecords(const std::vector<Entry>& entries, uint32_t codePage,
                            const ReadFrom& read = {});
// The names of the entries with a character that the code page cannot hold: their records
// have "_" in its place. Texts cut to fit their field, and fields kept as they were read, do
// not count.
std::vector<std::string> NamesNotHeld(const std::vector<Entry>& entries, uint32_t codePage,
                                      const ReadFrom& read = {});

// The entries of the lines after the header: the name before the first ",", the home number
// after it. Read as UTF-8 when the bytes are valid UTF-8, else in the code page; lines end at
// CR LF, LF or CR, the file at 0x1A.
std::vector<Entry> ReadCsvLines(std::string_view bytes, uint32_t codePage);

// What reading a file gave: its entries and, when reading failed, what failed (the entries are
// then those read before the failure). A .TEL file also gives each entry's record.
struct FileEntries {
    std::vector<Entry> entries;
    std::optional<FileFault> fault;
    std::vector<RecordFields> fields;
};

// The largest file that can be a telephone book or its CSV source: the player's largest memory,
// a card of 128 MB. A larger file is refused before it is read.
inline constexpr uint64_t kLargestBookFile = 128ull << 20;

// The files themselves, in the system's ANSI code page.
FileEntries LoadTel(const std::string& path);
FileEntries ImportCsv(const std::string& path);
// Writes beside the file and then replaces it, so a failed save leaves the old file as it was;
// nothing once the file is written.
std::optional<FileFault> SaveTel(const std::string& path, const std::vector<Entry>& entries,
                                 const ReadFrom& read = {});

}  // namespace kivo::phonebook
