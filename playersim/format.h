#pragma once

#include <iomanip>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>

// Text with "{}" fields, and "{:0Nx}", "{:0NX}", "{:0N}" for padded numbers; enough for the
// player's transcript and store, where the standard library offers no formatter yet.
namespace kivo::playersim {
namespace detail {

template <typename T>
void PutField(std::ostringstream& out, std::string_view spec, const T& value) {
    std::ostringstream field;
    if (spec.size() >= 2 && spec[0] == ':' && spec[1] == '0') {
        field << std::setfill('0');
        spec.remove_prefix(2);
    } else if (!spec.empty() && spec[0] == ':') {
        spec.remove_prefix(1);
    }
    int width = 0;
    while (!spec.empty() && spec[0] >= '0' && spec[0] <= '9') {
        width = width * 10 + (spec[0] - '0');
        spec.remove_prefix(1);
    }
    field << std::setw(width);
    if (spec == "x" || spec == "X") {
        field << std::hex << (spec == "X" ? std::uppercase : std::nouppercase);
    }
    if constexpr (std::is_integral_v<T> && sizeof(T) == 1) {
        field << static_cast<int>(value);
    } else {
        field << value;
    }
    out << field.str();
}

inline void Emit(std::ostringstream& out, std::string_view text) {
    out << text;
}

template <typename T, typename... Rest>
void Emit(std::ostringstream& out, std::string_view text, const T& value, const Rest&... rest) {
    const size_t open = text.find('{');
    const size_t close = text.find('}', open);
    if (open == std::string_view::npos || close == std::string_view::npos) {
        out << text;
        return;
    }
    out << text.substr(0, open);
    PutField(out, text.substr(open + 1, close - open - 1), value);
    Emit(out, text.substr(close + 1), rest...);
}

}  // namespace detail

template <typename... Args>
std::string Format(std::string_view text, const Args&... args) {
    std::ostringstream out;
    detail::Emit(out, text, args...);
    return out.str();
}

}  // namespace kivo::playersim
