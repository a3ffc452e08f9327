#pragma once

#include "phonebook/FileAccess.h"
#include "platform/win/types.h"

#include <cstddef>
#include <string>
#include <vector>

// The telephone book's messages about its files and settings, in the language of the string
// library `texts`. The system's reasons stand as the system words them.
namespace kivo::phonebook {

// A file that could not be opened, read, created or written: the file and the reason; after a
// read that failed partway, also how many entries it gave.
std::string FileFaultMessage(HMODULE texts, const std::string& path, const FileFault& fault,
                             size_t entriesRead = 0);

// The window's place could not be stored in the settings file `store`.
std::string PlacementNotStoredMessage(HMODULE texts, const std::string& store, int error);

// The book was saved to `path`, but the code page could not hold every character of these
// entries; the first ten are named, the others counted.
std::string CharactersNotHeldMessage(HMODULE texts, const std::string& path,
                                     const std::vector<std::string>& names);

}  // namespace kivo::phonebook
