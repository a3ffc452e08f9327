#include "converter/file_errors.h"

#include "platform/win/msgbox.h"

void ShowFileError(const char* text) {
    MessageBoxA(nullptr, text, kMessageTitle, MB_OK | MB_ICONWARNING);
}
