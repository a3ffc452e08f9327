#include "appkit/language.h"

uint16_t SystemPrimaryLang() {
    return PrimaryLangOf(GetSystemDefaultLangID());
}

uint16_t SystemSubLang() {
    return SubLangOf(GetSystemDefaultLangID());
}

const char* TextPackName() {
    return SystemPrimaryLang() == kLangKorean ? "textpackkr.DLL" : "textpacken.DLL";
}
