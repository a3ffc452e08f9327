#pragma once

#include "platform/wab/mapi.h"
#include "platform/wab/stored_entry.h"

#include <memory>
#include <string>
#include <vector>

namespace kivo::wab {

// An opened address-book file, its properties in the form the interfaces hand them out: texts
// as 8-bit strings in the ANSI code page, with this book's entry identifiers and object types.
class Book {
public:
    struct Entry {
        uint32_t objectType;
        std::vector<StoredProperty> props;
    };

    explicit Book(std::vector<StoredEntry> entries);

    // Chooses the format by content: the binary file by its signature, else a vCard file.
    // MAPI_E_NOT_FOUND for a missing file, MAPI_E_CORRUPT_DATA for one of neither format.
    static HRESULT Load(const std::string& path, std::shared_ptr<const Book>& book);

    const std::vector<Entry>& Entries() const { return entries_; }
    // The properties of the personal address book itself.
    const std::vector<StoredProperty>& ContainerProps() const { return container_; }

private:
    std::vector<Entry> entries_;
    std::vector<StoredProperty> container_;
};

}  // namespace kivo::wab
