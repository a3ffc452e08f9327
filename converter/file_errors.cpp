#include "converter/file_errors.h"

#include "platform/win/msgbox.h"

namespace kivo::converter {

void ShowFileError(const char* text) {
    MessageBoxA(nullptr, text, kMessageTitle, MB_OK | MB_ICONWARNING);
}

}  // namespace kivo::converter
