// A stand-in for a link library: the export family of parlink or buslink (FAKE_BUSLINK), each
// export recording its call in this library's own log and answering its own value.
#include "explorer/tests/lptctrl/fake_link.h"
#include "explorer/tests/lptctrl/fake_answers.h"
#include "link/exports/px_family.h"
#include "platform/win/types.h"
#include "platform/win/window.h"

#include <string>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

#if FAKE_BUSLINK
constexpr char kLibrary[] = "buslink";
constexpr const FakeAnswers& kAnswers = kBuslinkAnswers;
// buslink's conversion progress carries the user value, 0.
constexpr LPARAM kConvertPass = 0;
#else
constexpr char kLibrary[] = "parlink";
constexpr const FakeAnswers& kAnswers = kParlinkAnswers;
constexpr LPARAM kConvertPass = 1;
#endif

std::string log;
FakeJournal journal = nullptr;
HWND progressWindow = nullptr;

template <typename Result>
Result Record(Result answer, const std::string& call) {
    log += call;
    log += '\n';
    if (journal != nullptr)
        journal((std::string(kLibrary) + " " + call).c_str());
    return answer;
}

std::string Text(const char* text) {
    return text != nullptr ? text : "(null)";
}

std::string Shown(int32_t value) {
    return std::to_string(value);
}
std::string Shown(const char* text) {
    return Text(text);
}
std::string Shown(HWND window) {
    return FakeWindowText(window);
}
// The first and the last of the 250 entries show that the caller's table arrived.
std::string Shown(const uint8_t* playOrderTable) {
    return std::to_string(playOrderTable[0]) + ".." + std::to_string(playOrderTable[249]);
}

std::string Arguments() {
    return {};
}
template <typename First, typename... Rest>
std::string Arguments(First first, Rest... rest) {
    std::string text = Shown(first);
    ((text += "," + Shown(rest)), ...);
    return text;
}

}  // namespace

FAKE_EXPORT const char* FakeLink_Log() {
    return log.c_str();
}
FAKE_EXPORT void FakeLink_ClearLog() {
    log.clear();
}
FAKE_EXPORT void FakeLink_SetJournal(FakeJournal note) {
    journal = note;
}

// Every export records its name and arguments. The real libraries serve the two delete and
// copy-from names with one function each; here each records its own name, so that a
// forwarder bound to the wrong name shows.
#define FAKE_RECORDED(result, name, parameters, arguments)                   \
    FAKE_EXPORT result name parameters {                                     \
        return Record(kAnswers.name, #name "(" + Arguments arguments + ")"); \
    }
KIVO_PX_BY_PORT(FAKE_RECORDED)
KIVO_PX_UNSELECTED(FAKE_RECORDED)
#if !FAKE_BUSLINK
KIVO_PX_PARLINK_ONLY(FAKE_RECORDED)
#endif
#undef FAKE_RECORDED

FAKE_EXPORT int16_t PX_SetWindowHandle(HWND window) {
    progressWindow = window;
    return Record(kAnswers.PX_SetWindowHandle,
                  "PX_SetWindowHandle(" + FakeWindowText(window) + ")");
}

// Reports one step of progress to the window it was given, as a conversion does.
FAKE_EXPORT int32_t PX_WaveConvert(const char* source, const char* destination) {
    SendMessageA(progressWindow, kConvertProgressMessage, 50, kConvertPass);
    return Record(kAnswers.PX_WaveConvert,
                  "PX_WaveConvert(" + Text(source) + "," + Text(destination) + ")");
}
