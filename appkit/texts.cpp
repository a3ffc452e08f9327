#include "appkit/texts.h"

#include "platform/resources/library.h"

std::string LoadModuleString(HMODULE module, UINT id) {
    return ResourceString(module, id);
}

std::string FormatText(const std::string& format, const std::vector<std::string>& values) {
    std::string out;
    out.reserve(format.size());
    for (size_t i = 0; i < format.size(); ++i) {
        char next = i + 1 < format.size() ? format[i + 1] : '\0';
        if (format[i] == '%' && next >= '1' && next <= '9') {
            size_t n = static_cast<size_t>(next - '1');
            if (n < values.size())
                out += values[n];
            ++i;
        } else if (format[i] == '%' && next == '%') {
            out += '%';
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}
