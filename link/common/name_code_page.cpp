#include "link/common/name_code_page.h"

#include "platform/win/lang.h"

namespace kivo::link {

uint32_t NameCodePage(const LinkState& state) {
    return state.NameCodePage != 0 ? state.NameCodePage : GetACP();
}

std::string ToNameCodePage(const LinkState& state, std::string_view utf8) {
    return ToCodePage(NameCodePage(state), utf8);
}

std::string FromNameCodePage(const LinkState& state, std::string_view bytes) {
    return FromCodePage(NameCodePage(state), bytes);
}

}  // namespace kivo::link
