#include "phonebook/Messages.h"

#include "appkit/texts.h"

#include <algorithm>
#include <cstring>

namespace kivo::phonebook {

namespace {

// Identifiers of the string library.
constexpr UINT kCannotOpen = 10927;
constexpr UINT kCannotRead = 10928;
constexpr UINT kCannotCreate = 10929;
constexpr UINT kCannotWrite = 10930;
constexpr UINT kNotAFile = 10931;
constexpr UINT kOnlyTheFirstEntry = 10932;
constexpr UINT kOnlyTheFirstEntries = 10933;
constexpr UINT kPlacementNotStored = 10934;
constexpr UINT kCharactersNotHeld = 10935;
constexpr UINT kMoreNotShown = 10936;
constexpr UINT kTooLarge = 10938;

// Where a message breaks its line, as the format texts expect it.
constexpr const char* kLineBreak = "\r\n";

// How many entries the warning about characters names before it counts the rest.
constexpr size_t kNamesShown = 10;

UINT StepText(FileFault::Step step) {
    switch (step) {
        case FileFault::Step::Open:
            return kCannotOpen;
        case FileFault::Step::Read:
            return kCannotRead;
        case FileFault::Step::Create:
            return kCannotCreate;
        case FileFault::Step::Write:
            return kCannotWrite;
    }
    return kCannotOpen;
}

std::string Reason(HMODULE texts, int error) {
    switch (error) {
        case FileFault::kNotAFile:
            return LoadModuleString(texts, kNotAFile);
        case FileFault::kTooLarge:
            return LoadModuleString(texts, kTooLarge);
        default:
            return std::string(std::strerror(error));
    }
}

}  // namespace

std::string FileFaultMessage(HMODULE texts, const std::string& path, const FileFault& fault,
                             size_t entriesRead) {
    std::string text = FormatText(LoadModuleString(texts, StepText(fault.step)),
                                  {path, kLineBreak, Reason(texts, fault.error)});
    if (entriesRead == 1)
        text += kLineBreak + LoadModuleString(texts, kOnlyTheFirstEntry);
    else if (entriesRead > 1)
        text += kLineBreak + FormatText(LoadModuleString(texts, kOnlyTheFirstEntries),
                                        {std::to_string(entriesRead)});
    return text;
}

std::string PlacementNotStoredMessage(HMODULE texts, const std::string& store, int error) {
    return FormatText(LoadModuleString(texts, kPlacementNotStored),
                      {store, kLineBreak, Reason(texts, error)});
}

std::string CharactersNotHeldMessage(HMODULE texts, const std::string& path,
                                     const std::vector<std::string>& names) {
    std::string text = FormatText(LoadModuleString(texts, kCharactersNotHeld), {path, kLineBreak});
    for (size_t i = 0; i < std::min(names.size(), kNamesShown); ++i)
        text += kLineBreak + names[i];
    if (names.size() > kNamesShown)
        text += kLineBreak + FormatText(LoadModuleString(texts, kMoreNotShown),
                                        {std::to_string(names.size() - kNamesShown)});
    return text;
}

}  // namespace kivo::phonebook
