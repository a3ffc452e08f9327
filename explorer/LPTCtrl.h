#pragma once

#include "link/exports/px_family.h"
#include "platform/win/types.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

// The link selector: the explorer's only way to the two link libraries. parlink (parallel port)
// and buslink (USB) export the same PX_ family under the same names, so both are loaded in
// local scope and reached through tables bound by export name. Each forwarder bears the name
// of its export and passes the call to the library that the port kind names.
namespace kivo::explorer::lptctrl {

// The selector's port kind: the PORT setting mapped to the three choices.
inline constexpr uint8_t kParallelPort = 0;
inline constexpr uint8_t kUsb = 1;
inline constexpr uint8_t kNoLink = 2;

// What the forwarders return when no link is selected.
inline constexpr int16_t kNoLinkStatus = -120;

inline constexpr char kParlinkFile[] = "libparlink.so";
inline constexpr char kBuslinkFile[] = "libbuslink.so";

// A loaded library, closed with its owner.
struct LibraryCloser {
    void operator()(void* handle) const;
};
using LibraryHandle = std::unique_ptr<void, LibraryCloser>;

// One pointer per export, typed as the family declares it.
#define LPTCTRL_POINTER(result, name, parameters, arguments) result(*name) parameters = nullptr;

// What the selector binds in both libraries.
struct CommonFunctions {
    KIVO_PX_BY_PORT(LPTCTRL_POINTER)
    KIVO_PX_WINDOW(LPTCTRL_POINTER)
};

// parlink alone converts voice files and knows ECP emulation and the code-page commands.
struct ParlinkFunctions : CommonFunctions {
    KIVO_PX_CONVERT(LPTCTRL_POINTER)
    KIVO_PX_PARLINK_ONLY(LPTCTRL_POINTER)
};

#undef LPTCTRL_POINTER

class LinkSelector {
public:
    // Loads both libraries and binds every function of both tables. On failure returns a
    // message naming the library that cannot be loaded or the function it lacks, and keeps
    // what was bound before; on success returns an empty text.
    [[nodiscard]] std::string Bind(const std::filesystem::path& parlink,
                                   const std::filesystem::path& buslink);
    // Both libraries by their file names in `folder`.
    [[nodiscard]] std::string Bind(const std::filesystem::path& folder);
    // Both libraries beside the program, as it starts.
    [[nodiscard]] std::string Bind();

    // PORT 0 selects parlink, 1 buslink, any other value no link. Calls no library.
    void SetPortKind(int16_t port);
    uint8_t PortKind() const { return kind_; }

    // Each forwarder calls the export of its name in the chosen library and returns its result
    // unchanged. Without a link, and before anything is bound, nothing is called: the answer is
    // -120, 0 for a memory figure, the empty text for the version.
#define LPTCTRL_FORWARDER(result, name, parameters, arguments) result name parameters const;
    KIVO_PX_BY_PORT(LPTCTRL_FORWARDER)
    // Under USB both libraries get the window, so parlink's conversion progress reaches it too.
    KIVO_PX_WINDOW(LPTCTRL_FORWARDER)
    // A voice conversion always runs in parlink, whichever port is chosen; ECP emulation and
    // the code-page commands are parlink's alone.
    KIVO_PX_CONVERT(LPTCTRL_FORWARDER)
    KIVO_PX_PARLINK_ONLY(LPTCTRL_FORWARDER)
#undef LPTCTRL_FORWARDER

private:
    // The table of the chosen library; nullptr when no link is chosen or nothing is bound.
    const CommonFunctions* Chosen() const;
    // parlink's table under the parallel port, and under USB too if `alsoUnderUsb`.
    const ParlinkFunctions* Parlink(bool alsoUnderUsb) const;

    uint8_t kind_ = kParallelPort;
    LibraryHandle parlinkLibrary_;
    LibraryHandle buslinkLibrary_;
    ParlinkFunctions parlink_;
    CommonFunctions buslink_;
};

// The program's one selector. main binds it from the program's folder before any window exists.
LinkSelector& Selector();

}  // namespace kivo::explorer::lptctrl
