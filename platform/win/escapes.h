#pragma once

#include <span>
#include <string>
#include <string_view>

namespace kivo::win {

// One backslash escape: the letter written after '\' and the byte it stands for.
struct Escape {
    char letter;
    char byte;
};

// Text files that keep arbitrary bytes on one line each escape their own set; "\\" always
// stands for the backslash itself.
inline std::string EscapeBytes(std::string_view s, std::span<const Escape> table) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (c == '\\') {
            out += "\\\\";
            continue;
        }
        char letter = 0;
        for (const Escape& e : table)
            if (e.byte == c)
                letter = e.letter;
        if (letter != 0) {
            out += '\\';
            out += letter;
        } else {
            out += c;
        }
    }
    return out;
}

// False for a lone trailing backslash or a letter outside the table: such a line was not
// written by EscapeBytes and must not be read as if it were.
inline bool UnescapeBytes(std::string_view s, std::span<const Escape> table, std::string& out) {
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        if (++i == s.size())
            return false;
        if (s[i] == '\\') {
            out += '\\';
            continue;
        }
        bool known = false;
        for (const Escape& e : table)
            if (e.letter == s[i]) {
                out += e.byte;
                known = true;
                break;
            }
        if (!known)
            return false;
    }
    return true;
}

}  // namespace kivo::win
