#include "explorer/LPTCtrl.h"
#include "explorer/tests/lptctrl/fake_answers.h"
#include "explorer/tests/lptctrl/fake_link.h"
#include "platform/win/window.h"

#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using kivo::explorer::lptctrl::LinkSelector;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

const fs::path kFakes = LPTCTRL_FAKES;
const fs::path kFullSet = kFakes / "full";

// A fake library as the selector sees it: the same loaded object, read through a handle of our
// own, so its log is the library's own state.
class FakeLibrary {
public:
    explicit FakeLibrary(const fs::path& path)
        : library_(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        if (!library_)
            throw std::runtime_error("cannot load " + path.string());
    }

    std::vector<std::string> Calls() const {
        std::vector<std::string> calls;
        std::istringstream log(Function<const char* (*)()>("FakeLink_Log")());
        for (std::string line; std::getline(log, line);)
            calls.push_back(line);
        return calls;
    }

    void Clear() const { Function<void (*)()>("FakeLink_ClearLog")(); }
    void SetJournal(FakeJournal note) const {
        Function<void (*)(FakeJournal)>("FakeLink_SetJournal")(note);
    }

private:
    template <typename Signature>
    Signature Function(const char* name) const {
        return reinterpret_cast<Signature>(::dlsym(library_.get(), name));
    }

    kivo::explorer::lptctrl::LibraryHandle library_;
};

// Where a forwarder's call goes under one port kind.
enum class Route {
    kParlink,
    kBuslink,
    kParlinkThenBuslink,  // the result is buslink's
    kZero,                // 0, nothing called
    kNoLink,              // the selector's own value, nothing called
};

struct Forwarder {
    std::string name;
    std::function<std::string(const LinkSelector&)> call;  // the result, shown as text
    std::function<std::string(const FakeAnswers&)> answer;
    std::string logged;          // the library's record of the call
    std::string noLink;          // the selector's own value
    std::array<Route, 3> route;  // by port kind 0, 1, 2
};

std::string Show(const char* text) {
    return text;
}
template <typename Number>
std::string Show(Number number) {
    return std::to_string(number);
}

constexpr std::array<Route, 3> kByKind{Route::kParlink, Route::kBuslink, Route::kNoLink};

const CallbackWindow& ListWindow() {
    static CallbackWindow window([](UINT, WPARAM, LPARAM) { return LRESULT{0}; });
    return window;
}

std::array<uint8_t, 250> PlayOrder() {
    std::array<uint8_t, 250> table{};
    table[0] = 6;
    table[249] = 131;
    return table;
}

// Every forwarder of the selector with arguments that each library must see unchanged: a file
// index beyond one byte, UTF-8 paths, the caller's own play-order table.
std::vector<Forwarder> Forwarders() {
    static const auto playOrder = PlayOrder();
    HWND list = ListWindow().handle();
    const std::string window = FakeWindowText(list);
    return {
        {"PX_MemoryInfo", [](auto& s) { return Show(s.PX_MemoryInfo()); },
         [](auto& a) { return Show(a.PX_MemoryInfo); }, "PX_MemoryInfo()", "-120", kByKind},
        {"PX_InternalTotalMemory", [](auto& s) { return Show(s.PX_InternalTotalMemory()); },
         [](auto& a) { return Show(a.PX_InternalTotalMemory); }, "PX_InternalTotalMemory()", "0",
         kByKind},
        {"PX_InternalFreeMemory", [](auto& s) { return Show(s.PX_InternalFreeMemory()); },
         [](auto& a) { return Show(a.PX_InternalFreeMemory); }, "PX_InternalFreeMemory()", "0",
         kByKind},
        {"PX_ExternalTotalMemory", [](auto& s) { return Show(s.PX_ExternalTotalMemory()); },
         [](auto& a) { return Show(a.PX_ExternalTotalMemory); }, "PX_ExternalTotalMemory()", "0",
         kByKind},
        {"PX_ExternalFreeMemory", [](auto& s) { return Show(s.PX_ExternalFreeMemory()); },
         [](auto& a) { return Show(a.PX_ExternalFreeMemory); }, "PX_ExternalFreeMemory()", "0",
         kByKind},
        {"PX_GetFileList", [list](auto& s) { return Show(s.PX_GetFileList(list)); },
         [](auto& a) { return Show(a.PX_GetFileList); }, "PX_GetFileList(" + window + ")", "-120",
         kByKind},
        {"PX_GetPlayerVersion", [](auto& s) { return Show(s.PX_GetPlayerVersion()); },
         [](auto& a) { return Show(a.PX_GetPlayerVersion); }, "PX_GetPlayerVersion()", "", kByKind},
        {"PX_DeleteFromInternalMemory",
         [](auto& s) { return Show(s.PX_DeleteFromInternalMemory(70007)); },
         [](auto& a) { return Show(a.PX_DeleteFromInternalMemory); },
         "PX_DeleteFromInternalMemory(70007)", "-120", kByKind},
        {"PX_DeleteFromExternalMemory",
         [](auto& s) { return Show(s.PX_DeleteFromExternalMemory(131)); },
         [](auto& a) { return Show(a.PX_DeleteFromExternalMemory); },
         "PX_DeleteFromExternalMemory(131)", "-120", kByKind},
        {"PX_CopyToInternalMemory",
         [](auto& s) { return Show(s.PX_CopyToInternalMemory("/home/kim/Müsik/a.mp3")); },
         [](auto& a) { return Show(a.PX_CopyToInternalMemory); },
         "PX_CopyToInternalMemory(/home/kim/Müsik/a.mp3)", "-120", kByKind},
        {"PX_CopyToExternalMemory",
         [](auto& s) { return Show(s.PX_CopyToExternalMemory("/home/kim/b.tel")); },
         [](auto& a) { return Show(a.PX_CopyToExternalMemory); },
         "PX_CopyToExternalMemory(/home/kim/b.tel)", "-120", kByKind},
        {"PX_CopyFromInternalMemory",
         [](auto& s) { return Show(s.PX_CopyFromInternalMemory(-7, "/tmp/c.sc4")); },
         [](auto& a) { return Show(a.PX_CopyFromInternalMemory); },
         "PX_CopyFromInternalMemory(-7,/tmp/c.sc4)", "-120", kByKind},
        {"PX_FormatInternalMemory", [](auto& s) { return Show(s.PX_FormatInternalMemory("KIVO")); },
         [](auto& a) { return Show(a.PX_FormatInternalMemory); }, "PX_FormatInternalMemory(KIVO)",
         "-120", kByKind},
        {"PX_FormatExternalMemory", [](auto& s) { return Show(s.PX_FormatExternalMemory()); },
         [](auto& a) { return Show(a.PX_FormatExternalMemory); }, "PX_FormatExternalMemory()",
         "-120", kByKind},
        {"PX_CardInserted", [](auto& s) { return Show(s.PX_CardInserted()); },
         [](auto& a) { return Show(a.PX_CardInserted); }, "PX_CardInserted()", "-120", kByKind},
        {"PX_SetConfig", [](auto& s) { return Show(s.PX_SetConfig(playOrder.data())); },
         [](auto& a) { return Show(a.PX_SetConfig); }, "PX_SetConfig(6..131)", "-120", kByKind},
        {"PX_PhoneBookIndex", [](auto& s) { return Show(s.PX_PhoneBookIndex()); },
         [](auto& a) { return Show(a.PX_PhoneBookIndex); }, "PX_PhoneBookIndex()", "-120", kByKind},
        {"PX_CancelTransfer", [](auto& s) { return Show(s.PX_CancelTransfer()); },
         [](auto& a) { return Show(a.PX_CancelTransfer); }, "PX_CancelTransfer()", "-120", kByKind},
        {"PX_SetWindowHandle",
         [list](auto& s) { return Show(s.PX_SetWindowHandle(list)); },
         [](auto& a) { return Show(a.PX_SetWindowHandle); },
         "PX_SetWindowHandle(" + window + ")",
         "-120",
         {Route::kParlink, Route::kParlinkThenBuslink, Route::kNoLink}},
        {"PX_WaveConvert",
         [](auto& s) { return Show(s.PX_WaveConvert("/tmp/v.sc4", "/tmp/v.wav")); },
         [](auto& a) { return Show(a.PX_WaveConvert); },
         "PX_WaveConvert(/tmp/v.sc4,/tmp/v.wav)",
         "-120",
         {Route::kParlink, Route::kParlink, Route::kNoLink}},
        {"PX_CancelWaveConvert",
         [](auto& s) { return Show(s.PX_CancelWaveConvert()); },
         [](auto& a) { return Show(a.PX_CancelWaveConvert); },
         "PX_CancelWaveConvert()",
         "-120",
         {Route::kParlink, Route::kParlink, Route::kNoLink}},
        {"PX_ECPEmulation",
         [](auto& s) { return Show(s.PX_ECPEmulation(1)); },
         [](auto& a) { return Show(a.PX_ECPEmulation); },
         "PX_ECPEmulation(1)",
         "-120",
         {Route::kParlink, Route::kZero, Route::kNoLink}},
        {"PX_GB_Code",
         [](auto& s) { return Show(s.PX_GB_Code()); },
         [](auto& a) { return Show(a.PX_GB_Code); },
         "PX_GB_Code()",
         "-120",
         {Route::kParlink, Route::kNoLink, Route::kNoLink}},
        {"PX_BIG5_Code",
         [](auto& s) { return Show(s.PX_BIG5_Code()); },
         [](auto& a) { return Show(a.PX_BIG5_Code); },
         "PX_BIG5_Code()",
         "-120",
         {Route::kParlink, Route::kNoLink, Route::kNoLink}},
    };
}

class LPTCtrlTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(selector.Bind(kFullSet), "");
        ClearLogs();
    }

    void ClearLogs() {
        parlink.Clear();
        buslink.Clear();
    }

    // Calls the forwarder once and checks its result and which library saw the call.
    void ExpectRoute(const Forwarder& forwarder, Route route) {
        SCOPED_TRACE(forwarder.name);
        ClearLogs();
        std::string result = forwarder.call(selector);
        switch (route) {
            case Route::kParlink:
                EXPECT_EQ(result, forwarder.answer(kParlinkAnswers));
                EXPECT_THAT(parlink.Calls(), ElementsAre(forwarder.logged));
                EXPECT_THAT(buslink.Calls(), IsEmpty());
                break;
            case Route::kBuslink:
                EXPECT_EQ(result, forwarder.answer(kBuslinkAnswers));
                EXPECT_THAT(parlink.Calls(), IsEmpty());
                EXPECT_THAT(buslink.Calls(), ElementsAre(forwarder.logged));
                break;
            case Route::kParlinkThenBuslink:
                EXPECT_EQ(result, forwarder.answer(kBuslinkAnswers));
                EXPECT_THAT(parlink.Calls(), ElementsAre(forwarder.logged));
                EXPECT_THAT(buslink.Calls(), ElementsAre(forwarder.logged));
                break;
            case Route::kZero:
                EXPECT_EQ(result, "0");
                EXPECT_THAT(parlink.Calls(), IsEmpty());
                EXPECT_THAT(buslink.Calls(), IsEmpty());
                break;
            case Route::kNoLink:
                EXPECT_EQ(result, forwarder.noLink);
                EXPECT_THAT(parlink.Calls(), IsEmpty());
                EXPECT_THAT(buslink.Calls(), IsEmpty());
                break;
        }
    }

    LinkSelector selector;
    FakeLibrary parlink{kFullSet / kivo::explorer::lptctrl::kParlinkFile};
    FakeLibrary buslink{kFullSet / kivo::explorer::lptctrl::kBuslinkFile};
};

class LPTCtrlForwarding : public LPTCtrlTest, public testing::WithParamInterface<int16_t> {};

TEST_P(LPTCtrlForwarding, EachForwarderReachesTheLibraryOfItsKind) {
    selector.SetPortKind(GetParam());
    for (const Forwarder& forwarder : Forwarders())
        ExpectRoute(forwarder, forwarder.route[GetParam()]);
}

INSTANTIATE_TEST_SUITE_P(PortKinds, LPTCtrlForwarding, testing::Values(0, 1, 2));

TEST_F(LPTCtrlTest, BeforeAnyPortKindEveryForwarderGoesToParlink) {
    EXPECT_EQ(selector.PortKind(), kivo::explorer::lptctrl::kParallelPort);
    for (const Forwarder& forwarder : Forwarders())
        ExpectRoute(forwarder, forwarder.route[0]);
}

TEST_F(LPTCtrlTest, PortSettingMapsToThreeKindsWithoutCallingALibrary) {
    struct Case {
        int16_t port;
        uint8_t kind;
    };
    // 256 and 257 would pass for 0 and 1 if the setting were cut to a byte.
    const Case cases[] = {{0, 0},   {1, 1},   {2, 2},     {3, 2},      {-1, 2},
                          {256, 2}, {257, 2}, {32767, 2}, {-32768, 2}, {1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.port);
        selector.SetPortKind(c.port);
        EXPECT_EQ(selector.PortKind(), c.kind);
    }
    EXPECT_THAT(parlink.Calls(), IsEmpty());
    EXPECT_THAT(buslink.Calls(), IsEmpty());
}

std::vector<std::string>& Journal() {
    static std::vector<std::string> journal;
    return journal;
}

TEST_F(LPTCtrlTest, UnderUsbTheWindowGoesToParlinkFirstThenBuslink) {
    Journal().clear();
    parlink.SetJournal([](const char* entry) { Journal().push_back(entry); });
    buslink.SetJournal([](const char* entry) { Journal().push_back(entry); });
    HWND window = ListWindow().handle();
    selector.SetPortKind(1);

    EXPECT_EQ(selector.PX_SetWindowHandle(window), kBuslinkAnswers.PX_SetWindowHandle);

    const std::string call = "PX_SetWindowHandle(" + FakeWindowText(window) + ")";
    EXPECT_THAT(Journal(), ElementsAre("parlink " + call, "buslink " + call));
    parlink.SetJournal(nullptr);
    buslink.SetJournal(nullptr);
}

TEST_F(LPTCtrlTest, UnderUsbConversionProgressReachesTheSharedWindow) {
    std::vector<std::pair<WPARAM, LPARAM>> progress;
    CallbackWindow window([&](UINT message, WPARAM percent, LPARAM pass) {
        if (message == kConvertProgressMessage)
            progress.emplace_back(percent, pass);
        return LRESULT{0};
    });
    selector.SetPortKind(1);
    selector.PX_SetWindowHandle(window.handle());

    EXPECT_EQ(selector.PX_WaveConvert("/tmp/v.sc4", "/tmp/v.wav"), kParlinkAnswers.PX_WaveConvert);

    // parlink sends the pass number; buslink would send 0.
    EXPECT_THAT(progress, ElementsAre(std::pair<WPARAM, LPARAM>{50, 1}));
}

TEST(LPTCtrlUnbound, AnswersTheNoLinkValuesAndCallsNothing) {
    LinkSelector selector;
    for (const Forwarder& forwarder : Forwarders()) {
        SCOPED_TRACE(forwarder.name);
        EXPECT_EQ(forwarder.call(selector), forwarder.noLink);
    }
}

struct BindFailure {
    const char* label;
    fs::path parlink;
    fs::path buslink;
    std::vector<std::string> message;  // parts the message must hold
};

void PrintTo(const BindFailure& failure, std::ostream* out) {
    *out << failure.label;
}

class LPTCtrlBinding : public testing::TestWithParam<BindFailure> {};

TEST_P(LPTCtrlBinding, RefuseWithTheMissingPieceAndKeepWhatWasBound) {
    const BindFailure& failure = GetParam();
    FakeLibrary buslink(kFullSet / kivo::explorer::lptctrl::kBuslinkFile);
    LinkSelector unbound;
    LinkSelector bound;
    ASSERT_EQ(bound.Bind(kFullSet), "");
    bound.SetPortKind(1);

    std::string message = unbound.Bind(failure.parlink, failure.buslink);
    for (const std::string& part : failure.message)
        EXPECT_THAT(message, HasSubstr(part));
    EXPECT_EQ(unbound.PX_MemoryInfo(), kivo::explorer::lptctrl::kNoLinkStatus);

    EXPECT_EQ(bound.Bind(failure.parlink, failure.buslink), message);
    buslink.Clear();
    EXPECT_EQ(bound.PX_MemoryInfo(), kBuslinkAnswers.PX_MemoryInfo);
    EXPECT_THAT(buslink.Calls(), ElementsAre("PX_MemoryInfo()"));
}

const fs::path kParlink = kFullSet / kivo::explorer::lptctrl::kParlinkFile;
const fs::path kBuslink = kFullSet / kivo::explorer::lptctrl::kBuslinkFile;
const fs::path kNowhere = kFakes / "nowhere";

INSTANTIATE_TEST_SUITE_P(
    MissingPieces, LPTCtrlBinding,
    testing::Values(
        BindFailure{"NoParlink",
                    kNowhere / kivo::explorer::lptctrl::kParlinkFile,
                    kBuslink,
                    {"Cannot load the link library", (kNowhere / "libparlink.so").string()}},
        BindFailure{"NoBuslink",
                    kParlink,
                    kNowhere / kivo::explorer::lptctrl::kBuslinkFile,
                    {"Cannot load the link library", (kNowhere / "libbuslink.so").string()}},
        BindFailure{
            "ParlinkLacksBig5",
            kFakes / "lacking" / kivo::explorer::lptctrl::kParlinkFile,
            kBuslink,
            {(kFakes / "lacking/libparlink.so").string() + " lacks the function PX_BIG5_Code"}},
        BindFailure{"BuslinkLacksSetWindowHandle",
                    kParlink,
                    kFakes / "lacking" / kivo::explorer::lptctrl::kBuslinkFile,
                    {(kFakes / "lacking/libbuslink.so").string() +
                     " lacks the function PX_SetWindowHandle"}},
        BindFailure{"BuslinkFamilyAsParlink",
                    kBuslink,
                    kBuslink,
                    {kBuslink.string() + " lacks the function PX_CancelWaveConvert"}}),
    [](const testing::TestParamInfo<BindFailure>& info) { return info.param.label; });

}  // namespace
