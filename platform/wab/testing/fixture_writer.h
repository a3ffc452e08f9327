#pragma once

#include "platform/wab/stored_entry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Test-only writers of both address-book formats, from their layouts, so that fixtures are made
// rather than kept as opaque files.
namespace kivo::wab::fixture {

// One record of the binary file. PT_UNICODE texts are given as UTF-8 and written as UTF-16LE.
struct Record {
    uint32_t id = 0;
    bool live = true;
    std::vector<StoredProperty> props;
};

struct Contact {
    std::optional<std::string> surname{}, given{}, home{}, business{}, display{};
    uint32_t objectType = MAPI_MAILUSER;
};

// A record holding the contact's texts as PT_UNICODE properties and its object type.
Record ContactRecord(uint32_t id, const Contact& contact);

struct BinaryOptions {
    // Which of the six table descriptors is the index.
    int indexSlot = 0;
};

std::string WriteWabBinary(const std::vector<Record>& records, BinaryOptions options = {});

// Offset of the n-th record in a file that WriteWabBinary made.
uint32_t RecordOffset(const std::string& file, int n);

struct Card {
    Contact contact{};
    std::string version = "3.0";
    // Written as "group" membership: version 4.0 KIND, older versions X-ADDRESSBOOKSERVER-KIND.
    bool group = false;
    // Version 2.1 only: values quoted-printable in this character set, with soft line breaks.
    std::optional<std::string> quotedPrintableCharset{};
    // Lines folded after this many bytes (0: no folding).
    size_t foldAt = 0;
};

std::string WriteVCard(const Card& card);

}  // namespace kivo::wab::fixture
