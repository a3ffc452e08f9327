#include "platform/win/registry_store.h"

#include <algorithm>

#include "platform/win/escapes.h"

namespace kivo::win::registry::store {

namespace {

constexpr std::string_view kHeader = "; kivo registry 1";
constexpr std::string_view kTrailer = "; end";

// Names and values keep every byte: the separator, brackets and line breaks are escaped, so a
// line is a key line only when it is bracketed and "=" always ends the value name.
constexpr kivo::win::Escape kStoreEscapes[] = {
    {'n', '\n'}, {'r', '\r'}, {'e', '='}, {'o', '['}, {'b', ']'}};

std::string Escape(std::string_view s) {
    return kivo::win::EscapeBytes(s, kStoreEscapes);
}

bool Unescape(std::string_view s, std::string& out) {
    return kivo::win::UnescapeBytes(s, kStoreEscapes, out);
}

}  // namespace

std::string FoldCase(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return out;
}

std::string KeyPath(std::string_view key, std::string_view section) {
    std::string path;
    for (std::string_view part : {key, section}) {
        size_t start = 0;
        while (start <= part.size()) {
            size_t end = part.find('\\', start);
            if (end == std::string_view::npos)
                end = part.size();
            if (end > start) {
                if (!path.empty())
                    path += '\\';
                path.append(part.substr(start, end - start));
            }
            start = end + 1;
        }
    }
    return path;
}

bool Parse(std::string_view text, Store& store) {
    store = Store{};
    Key* current = nullptr;
    bool header = false;
    bool ended = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        std::string_view line = text.substr(pos, eol == std::string_view::npos ? eol : eol - pos);
        pos = eol == std::string_view::npos ? text.size() : eol + 1;
        // Real carriage returns are always escaped: one at the end comes from an editor.
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (header && line.empty())
            continue;
        if (ended) {
            store = Store{};
            return false;
        }
        if (!header) {
            if (line != kHeader)
                return false;
            header = true;
        } else if (line == kTrailer) {
            ended = true;
        } else if (!line.empty() && line.front() == '[' && line.back() == ']') {
            std::string name;
            if (!Unescape(line.substr(1, line.size() - 2), name))
                break;
            name = KeyPath(name, "");
            current = &store.keys[FoldCase(name)];
            if (current->name.empty())
                current->name = name;
        } else {
            size_t eq = line.find('=');
            std::string name, value;
            if (current == nullptr || eq == std::string_view::npos ||
                !Unescape(line.substr(0, eq), name) || !Unescape(line.substr(eq + 1), value))
                break;
            std::string folded = FoldCase(name);
            current->values[folded] = {std::move(name), std::move(value)};
        }
    }
    if (!ended)
        store = Store{};
    return ended;
}

std::string Serialize(const Store& store) {
    std::string out;
    out.append(kHeader).append("\n");
    for (const auto& [path, key] : store.keys) {
        out.append("[").append(Escape(key.name)).append("]\n");
        for (const auto& [folded, entry] : key.values)
            out.append(Escape(entry.first)).append("=").append(Escape(entry.second)).append("\n");
    }
    out.append(kTrailer).append("\n");
    return out;
}

}  // namespace kivo::win::registry::store
