#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>

// The text form of one registry root: the parser and writer behind platform/win/registry.h,
// kept apart from the file handling so that the parser can be fuzzed on its own.
namespace kivo::win::registry::store {

struct Key {
    std::string name;  // the path as first written
    // Case-folded value name -> (name as written, value).
    std::map<std::string, std::pair<std::string, std::string>> values;
};

struct Store {
    std::map<std::string, Key> keys;  // by case-folded path
};

// Key and value names compare without regard to ASCII letter case.
std::string FoldCase(std::string_view s);

// "key\section" with surplus separators removed: "\a\\b\" and "a\b" name the same key.
std::string KeyPath(std::string_view key, std::string_view section);

// False when the text is not a complete store (torn, foreign or corrupt); `store` is then empty.
bool Parse(std::string_view text, Store& store);
std::string Serialize(const Store& store);

}  // namespace kivo::win::registry::store
