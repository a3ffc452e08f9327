#include "explorer/LPTCtrl.h"

#include "platform/win/process.h"

#include <dlfcn.h>

namespace fs = std::filesystem;

namespace kivo::explorer::lptctrl {

namespace {

// The version text under no link: one zero byte that the selector owns.
constexpr char kNoVersion[] = "";

// What a forwarder answers without a link: -120, 0 for a memory figure, the empty text.
template <typename Result>
Result NoLink() {
    return kNoLinkStatus;
}
template <>
int64_t NoLink() {
    return 0;
}
template <>
const char* NoLink() {
    return kNoVersion;
}

// Local scope: both libraries export the same names and must not stand in for each other.
LibraryHandle Open(const fs::path& path, std::string& error) {
    LibraryHandle library(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
    if (!library) {
        const char* reason = ::dlerror();
        error = "Cannot load the link library " + path.string() + ": " +
                (reason != nullptr ? reason : "unknown reason");
    }
    return library;
}

// Looks functions up by export name; the first one missing stops the binding.
class Binder {
public:
    Binder(void* library, const fs::path& path) : library_(library), path_(path) {}

    template <typename Function>
    void operator()(Function& function, const char* name) {
        if (!error_.empty())
            return;
        void* symbol = ::dlsym(library_, name);
        if (symbol == nullptr)
            error_ = "The link library " + path_.string() + " lacks the function " + name;
        else
            function = reinterpret_cast<Function>(symbol);
    }

    const std::string& error() const { return error_; }

private:
    void* library_;
    const fs::path& path_;
    std::string error_;
};

#define LPTCTRL_BIND(result, name, parameters, arguments) bind(table.name, #name);

void BindCommon(Binder& bind, CommonFunctions& table) {
    KIVO_PX_BY_PORT(LPTCTRL_BIND)
    KIVO_PX_WINDOW(LPTCTRL_BIND)
}

void BindParlinkOnly(Binder& bind, ParlinkFunctions& table) {
    KIVO_PX_CONVERT(LPTCTRL_BIND)
    KIVO_PX_PARLINK_ONLY(LPTCTRL_BIND)
}

#undef LPTCTRL_BIND

}  // namespace

void LibraryCloser::operator()(void* handle) const {
    ::dlclose(handle);
}

std::string LinkSelector::Bind(const fs::path& parlinkPath, const fs::path& buslinkPath) {
    std::string error;
    LibraryHandle parlinkLibrary = Open(parlinkPath, error);
    if (!parlinkLibrary)
        return error;
    ParlinkFunctions parlink;
    Binder bindParlink(parlinkLibrary.get(), parlinkPath);
    BindCommon(bindParlink, parlink);
    BindParlinkOnly(bindParlink, parlink);
    if (!bindParlink.error().empty())
        return bindParlink.error();

    LibraryHandle buslinkLibrary = Open(buslinkPath, error);
    if (!buslinkLibrary)
        return error;
    CommonFunctions buslink;
    Binder bindBuslink(buslinkLibrary.get(), buslinkPath);
    BindCommon(bindBuslink, buslink);
    if (!bindBuslink.error().empty())
        return bindBuslink.error();

    // Tables first: the old libraries close only once nothing points into them.
    parlink_ = parlink;
    buslink_ = buslink;
    parlinkLibrary_ = std::move(parlinkLibrary);
    buslinkLibrary_ = std::move(buslinkLibrary);
    return {};
}

std::string LinkSelector::Bind(const fs::path& folder) {
    return Bind(folder / kParlinkFile, folder / kBuslinkFile);
}

std::string LinkSelector::Bind() {
    return Bind(ProgramFolder());
}

void LinkSelector::SetPortKind(int16_t port) {
    kind_ = port == 0 ? kParallelPort : port == 1 ? kUsb : kNoLink;
}

const CommonFunctions* LinkSelector::Chosen() const {
    if (!parlinkLibrary_)
        return nullptr;
    if (kind_ == kParallelPort)
        return &parlink_;
    if (kind_ == kUsb)
        return &buslink_;
    return nullptr;
}

const ParlinkFunctions* LinkSelector::Parlink(bool alsoUnderUsb) const {
    if (!parlinkLibrary_)
        return nullptr;
    if (kind_ == kParallelPort || (alsoUnderUsb && kind_ == kUsb))
        return &parlink_;
    return nullptr;
}

#define LPTCTRL_BY_PORT(result, name, parameters, arguments)              \
    result LinkSelector::name parameters const {                          \
        const CommonFunctions* link = Chosen();                           \
        return link != nullptr ? link->name arguments : NoLink<result>(); \
    }
KIVO_PX_BY_PORT(LPTCTRL_BY_PORT)
#undef LPTCTRL_BY_PORT

int16_t LinkSelector::PX_SetWindowHandle(HWND window) const {
    const CommonFunctions* link = Chosen();
    if (link == nullptr)
        return kNoLinkStatus;
    // parlink's answer is dropped: the caller learns how buslink took it.
    if (link == &buslink_)
        parlink_.PX_SetWindowHandle(window);
    return link->PX_SetWindowHandle(window);
}

int32_t LinkSelector::PX_WaveConvert(const char* source, const char* destination) const {
    const ParlinkFunctions* link = Parlink(true);
    return link != nullptr ? link->PX_WaveConvert(source, destination) : kNoLinkStatus;
}

int16_t LinkSelector::PX_CancelWaveConvert() const {
    const ParlinkFunctions* link = Parlink(true);
    return link != nullptr ? link->PX_CancelWaveConvert() : kNoLinkStatus;
}

int16_t LinkSelector::PX_ECPEmulation(int16_t on) const {
    // USB has no ECP emulation: nothing to tell, nothing failed.
    if (kind_ == kUsb)
        return 0;
    const ParlinkFunctions* link = Parlink(false);
    return link != nullptr ? link->PX_ECPEmulation(on) : kNoLinkStatus;
}

int16_t LinkSelector::PX_GB_Code() const {
    const ParlinkFunctions* link = Parlink(false);
    return link != nullptr ? link->PX_GB_Code() : kNoLinkStatus;
}

int16_t LinkSelector::PX_BIG5_Code() const {
    const ParlinkFunctions* link = Parlink(false);
    return link != nullptr ? link->PX_BIG5_Code() : kNoLinkStatus;
}

LinkSelector& Selector() {
    static LinkSelector selector;
    return selector;
}

}  // namespace kivo::explorer::lptctrl
