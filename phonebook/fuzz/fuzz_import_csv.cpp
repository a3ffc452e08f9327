// Importing any file: at most one entry per line after the header, trimmed UTF-8 texts without
// an office number, and entries that save and load again.
#include "phonebook/fuzz/fuzz_book.h"

#include <algorithm>

using namespace kivo::phonebook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes = fuzz::ChooseLanguage(data, size);
    FileEntries imported = ImportCsv(fuzz::WriteFile("input.csv", bytes));
    size_t commas = std::count(bytes.begin(), bytes.end(), ',');
    if (imported.fault || imported.entries.size() > commas)
        std::abort();
    for (const auto& e : imported.entries)
        if (!e.office.empty())
            std::abort();
    fuzz::CheckSavedAndLoaded(imported.entries);
    return 0;
}
