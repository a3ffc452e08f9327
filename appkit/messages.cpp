#include "appkit/messages.h"

#include "platform/win/application.h"
#include "platform/win/msgbox.h"

int ShowAppMessage(const std::string& text, UINT flags) {
    return MessageBoxA(ApplicationWindow(), text.c_str(), ApplicationTitle().c_str(), flags);
}
