// Loading any file: one entry at most per 88 bytes before the first 0x1A, trimmed UTF-8 texts,
// and a book that saves and loads again unchanged apart from entries without a name.
#include "phonebook/fuzz/fuzz_book.h"

using namespace kivo::phonebook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes = fuzz::ChooseLanguage(data, size);
    FileEntries loaded = LoadTel(fuzz::WriteFile("input.TEL", bytes));
    size_t records =
        (bytes.substr(0, bytes.find(kEndOfFile)).size() + kRecordSize - 1) / kRecordSize;
    if (loaded.fault || loaded.entries.size() > records)
        std::abort();
    fuzz::CheckSavedAndLoaded(loaded.entries);

    std::vector<Entry> named;
    for (const auto& e : loaded.entries)
        if (!e.name.empty())
            named.push_back(e);
    if (LoadTel((fuzz::Folder() / "saved.TEL").string()).entries != named)
        std::abort();
    return 0;
}
