// A stand-in for a link library: the export family of parlink or buslink (FAKE_BUSLINK), each
// export recording its call in this library's own log and answering its own value.
#include "explorer/tests/lptctrl/fake_link.h"
#include "explorer/tests/lptctrl/fake_answers.h"
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

FAKE_EXPORT int16_t PX_CheckStatus() {
    return Record(kAnswers.checkStatus, "PX_CheckStatus()");
}
FAKE_EXPORT int16_t PX_MemoryInfo() {
    return Record(kAnswers.memoryInfo, "PX_MemoryInfo()");
}

FAKE_EXPORT int64_t PX_InternalTotalMemory() {
    return Record(kAnswers.internalTotal, "PX_InternalTotalMemory()");
}

FAKE_EXPORT int64_t PX_InternalFreeMemory() {
    return Record(kAnswers.internalFree, "PX_InternalFreeMemory()");
}

FAKE_EXPORT int64_t PX_ExternalTotalMemory() {
    return Record(kAnswers.externalTotal, "PX_ExternalTotalMemory()");
}

FAKE_EXPORT int64_t PX_ExternalFreeMemory() {
    return Record(kAnswers.externalFree, "PX_ExternalFreeMemory()");
}

FAKE_EXPORT int16_t PX_GetFileList(HWND listView) {
    return Record(kAnswers.getFileList, "PX_GetFileList(" + FakeWindowText(listView) + ")");
}

FAKE_EXPORT const char* PX_GetPlayerVersion() {
    return Record(kAnswers.version, "PX_GetPlayerVersion()");
}

// The real libraries serve both names with one function; here each records its own name, so
// that a forwarder bound to the wrong name shows.
FAKE_EXPORT int16_t PX_DeleteFromInternalMemory(int32_t fileIndex) {
    return Record(kAnswers.deleteInternal,
                  "PX_DeleteFromInternalMemory(" + std::to_string(fileIndex) + ")");
}

FAKE_EXPORT int16_t PX_DeleteFromExternalMemory(int32_t fileIndex) {
    return Record(kAnswers.deleteExternal,
                  "PX_DeleteFromExternalMemory(" + std::to_string(fileIndex) + ")");
}

FAKE_EXPORT int16_t PX_CopyToInternalMemory(const char* path) {
    return Record(kAnswers.copyToInternal, "PX_CopyToInternalMemory(" + Text(path) + ")");
}

FAKE_EXPORT int16_t PX_CopyToExternalMemory(const char* path) {
    return Record(kAnswers.copyToExternal, "PX_CopyToExternalMemory(" + Text(path) + ")");
}

FAKE_EXPORT int16_t PX_CopyFromInternalMemory(int32_t fileIndex, const char* path) {
    return Record(
        kAnswers.copyFromInternal,
        "PX_CopyFromInternalMemory(" + std::to_string(fileIndex) + "," + Text(path) + ")");
}

FAKE_EXPORT int16_t PX_CopyFromExternalMemory(int32_t fileIndex, const char* path) {
    return Record(
        kAnswers.copyFromExternal,
        "PX_CopyFromExternalMemory(" + std::to_string(fileIndex) + "," + Text(path) + ")");
}

FAKE_EXPORT int16_t PX_FormatInternalMemory(const char* deviceTag) {
    return Record(kAnswers.formatInternal, "PX_FormatInternalMemory(" + Text(deviceTag) + ")");
}

FAKE_EXPORT int16_t PX_FormatExternalMemory() {
    return Record(kAnswers.formatExternal, "PX_FormatExternalMemory()");
}

FAKE_EXPORT int16_t PX_SMCFormat() {
    return Record(kAnswers.smcFormat, "PX_SMCFormat()");
}

// The first and the last of the 250 entries show that the caller's table arrived.
FAKE_EXPORT int16_t PX_SetConfig(const uint8_t* playOrderTable) {
    return Record(kAnswers.setConfig, "PX_SetConfig(" + std::to_string(playOrderTable[0]) + ".." +
                                          std::to_string(playOrderTable[249]) + ")");
}

FAKE_EXPORT int16_t PX_PhoneBookIndex() {
    return Record(kAnswers.phoneBookIndex, "PX_PhoneBookIndex()");
}

FAKE_EXPORT int16_t PX_CancelTransfer() {
    return Record(kAnswers.cancelTransfer, "PX_CancelTransfer()");
}

FAKE_EXPORT int16_t PX_SetWindowHandle(HWND window) {
    progressWindow = window;
    return Record(kAnswers.setWindowHandle, "PX_SetWindowHandle(" + FakeWindowText(window) + ")");
}

// Reports one step of progress to the window it was given, as a conversion does.
FAKE_EXPORT int32_t PX_WaveConvert(const char* source, const char* destination) {
    SendMessageA(progressWindow, kConvertProgressMessage, 50, kConvertPass);
    return Record(kAnswers.waveConvert,
                  "PX_WaveConvert(" + Text(source) + "," + Text(destination) + ")");
}

#if !FAKE_BUSLINK

FAKE_EXPORT int16_t PX_CancelWaveConvert() {
    return Record(kAnswers.cancelWaveConvert, "PX_CancelWaveConvert()");
}

FAKE_EXPORT int16_t PX_ECPEmulation(int16_t on) {
    return Record(kAnswers.ecpEmulation, "PX_ECPEmulation(" + std::to_string(on) + ")");
}

FAKE_EXPORT int16_t PX_GB_Code() {
    return Record(kAnswers.gbCode, "PX_GB_Code()");
}
FAKE_EXPORT int16_t PX_BIG5_Code() {
    return Record(kAnswers.big5Code, "PX_BIG5_Code()");
}

#endif
