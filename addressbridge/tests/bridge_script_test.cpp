#include "addressbridge/tests/bridge_fixture.h"
#include "addressbridge/tests/scripted_wab.h"

#include <algorithm>

namespace {

class ScriptedBridge : public BridgeTest {
protected:
    void SetUp() override {
        BridgeTest::SetUp();
        WabScript().Reset();
        SetLibraryPath((ProgramFolder() / "libwabscript.so").string());
    }
    void TearDown() override {
        BridgeTest::TearDown();
        WabScript().Reset();
    }

    static ScriptedContact Person(const std::string& surname, const std::string& given = "",
                                  const std::string& home = "", const std::string& business = "") {
        return {MAPI_MAILUSER,
                {{PR_SURNAME, surname},
                 {PR_GIVEN_NAME, given},
                 {PR_HOME_TELEPHONE_NUMBER, home},
                 {PR_BUSINESS_TELEPHONE_NUMBER, business}}};
    }
    // Every object released and every buffer of the allocator freed, none freed that it did not
    // hand out.
    static void ExpectAllReleased() {
        EXPECT_EQ(WabScript().liveObjects, 0);
        EXPECT_EQ(WabScript().allocator.RootCount(), 0u);
        EXPECT_TRUE(WabScript().foreignFrees.empty());
    }
    static size_t IndexOf(const std::string& call) {
        const auto& calls = WabScript().calls;
        return static_cast<size_t>(std::find(calls.begin(), calls.end(), call) - calls.begin());
    }
};

TEST_F(ScriptedBridge, CallsTheAddressBookAsDesignedAndReleasesEverything) {
    auto& script = WabScript();
    script.contacts = {
        Person("Lee", "Ann", "1", "2"), {MAPI_DISTLIST, {{PR_SURNAME, "Team"}}}, Person("Kim")};
    std::string path = Write("book.wab", "");
    EXPECT_EQ(AllocList(path), 0);
    EXPECT_EQ(Rows(), (std::vector<BridgeTest::Row>{{"Lee Ann", "1", "2"}, {"Kim", "", ""}}));
    EXPECT_EQ(script.openedFile, path);
    EXPECT_EQ(script.paramSize, sizeof(WAB_PARAM));
    const std::vector<std::string> opening = {
        "WABOpen 0", "GetPAB", "OpenEntry 0 0", "GetContentsTable 0",
        "SetColumns 3001001E 0FFF0102 0FFE0003 0", "SeekRow 0 0 none", "QueryRows 1 0",
        // The entry identifier is copied with the address book's allocator.
        "AllocateBuffer 16", "AllocateMore 4", "OpenEntry 1 0", "GetProps all 0",
        "Release MailUser", "QueryRows 1 0", "QueryRows 1 0", "AllocateBuffer 16"};
    ASSERT_GE(script.calls.size(), opening.size());
    EXPECT_EQ(std::vector<std::string>(script.calls.begin(), script.calls.begin() + opening.size()),
              opening);
    // The container goes before the table, at the end of the fill.
    EXPECT_LT(IndexOf("Release Container"), IndexOf("Release Table"));
    // The last contact's properties and both objects are held until WAB_FreeList.
    EXPECT_EQ(script.liveObjects, 2);
    EXPECT_EQ(script.allocator.RootCount(), 1u);
    EXPECT_EQ(FreeList(), 0);
    EXPECT_EQ(list_.RowCount(), 0);
    EXPECT_LT(IndexOf("Release AddrBook"), IndexOf("Release WabObject"));
    ExpectAllReleased();
}

TEST_F(ScriptedBridge, FailingOpenMakesNoFurtherCallAndAddsNoRow) {
    WabScript().openResult = MAPI_E_CALL_FAILED;
    WabScript().contacts = {Person("Lee")};
    list_.InsertRow(0, "kept", 0);
    EXPECT_EQ(AllocList(Write("book.wab", "")), 0);
    EXPECT_EQ(list_.RowCount(), 1);
    EXPECT_EQ(FreeList(), 0);
    EXPECT_EQ(WabScript().calls, std::vector<std::string>{"WABOpen 0"});
    EXPECT_EQ(list_.RowCount(), 0);
    ExpectAllReleased();
}

TEST_F(ScriptedBridge, FailingStepEndsTheFillKeepingTheRowsAdded) {
    struct Case {
        const char* what;
        void (*script)(ScriptedWab&);
        size_t rows;
    };
    const Case cases[] = {
        {"GetPAB", [](ScriptedWab& s) { s.getPabResult = MAPI_E_CALL_FAILED; }, 0},
        {"OpenEntry of the address book",
         [](ScriptedWab& s) { s.openPabResult = MAPI_E_NOT_FOUND; }, 0},
        {"address book that is no container",
         [](ScriptedWab& s) { s.pabObjectType = MAPI_MAILUSER; }, 0},
        {"GetContentsTable", [](ScriptedWab& s) { s.contentsResult = MAPI_E_NO_SUPPORT; }, 0},
        {"SetColumns", [](ScriptedWab& s) { s.setColumnsResult = MAPI_E_CALL_FAILED; }, 0},
        {"SeekRow", [](ScriptedWab& s) { s.seekResult = MAPI_E_CALL_FAILED; }, 0},
        {"QueryRows at the second row", [](ScriptedWab& s) { s.queryFailsAtRow = 1; }, 1},
    };
    for (const auto& c : cases) {
        WabScript().Reset();
        WabScript().contacts = {Person("Lee"), Person("Kim")};
        c.script(WabScript());
        EXPECT_EQ(AllocList(Write("book.wab", "")), 0) << c.what;
        EXPECT_EQ(Rows().size(), c.rows) << c.what;
        EXPECT_EQ(FreeList(), 0) << c.what;
        ExpectAllReleased();
    }
}

TEST_F(ScriptedBridge, ContactThatCannotBeOpenedGetsAnEmptyRowAndOneNotCopiedNone) {
    auto& script = WabScript();
    ScriptedContact unopenable = Person("Hidden", "", "9");
    unopenable.openFails = true;
    script.contacts = {unopenable, Person("Lee"), Person("Kim")};
    // The third contact's identifier cannot be copied.
    script.failAllocateMoreAt = 2;
    AllocList(Write("book.wab", ""));
    EXPECT_EQ(Rows(), (std::vector<BridgeTest::Row>{{"", "", ""}, {"Lee", "", ""}}));
    FreeList();
    ExpectAllReleased();
}

TEST_F(ScriptedBridge, ContactWhoseIdentifierHasNoBytesGetsNoRow) {
    ScriptedContact broken = Person("Broken");
    broken.entryIdWithoutBytes = true;
    WabScript().contacts = {Person("Lee"), broken, Person("Kim")};
    AllocList(Write("book.wab", ""));
    EXPECT_EQ(Rows(), (std::vector<BridgeTest::Row>{{"Lee", "", ""}, {"Kim", "", ""}}));
    FreeList();
    ExpectAllReleased();
}

TEST_F(ScriptedBridge, SecondAllocListClosesTheHeldConnectionFirst) {
    WabScript().contacts = {Person("Lee")};
    std::string path = Write("book.wab", "");
    AllocList(path);
    WabScript().calls.clear();
    AllocList(path);
    const auto& calls = WabScript().calls;
    ASSERT_FALSE(calls.empty());
    EXPECT_LT(IndexOf("Release AddrBook"), IndexOf("WABOpen 0"));
    EXPECT_LT(IndexOf("Release WabObject"), IndexOf("WABOpen 0"));
    EXPECT_EQ(WabScript().liveObjects, 2);
    EXPECT_EQ(list_.RowCount(), 2);
    FreeList();
    ExpectAllReleased();
}

TEST_F(ScriptedBridge, DataOfTheCallersRowsIsNeverFreedByTheBridge) {
    void* callers = nullptr;
    ASSERT_EQ(WabScript().allocator.Allocate(8, &callers), S_OK);
    list_.InsertRow(0, "mine", reinterpret_cast<LPARAM>(callers));
    list_.InsertRow(1, "other", 0x1234);
    WabScript().contacts = {Person("Lee")};
    AllocList(Write("book.wab", ""));
    EXPECT_EQ(FreeList(), 0);
    EXPECT_EQ(list_.RowCount(), 0);
    EXPECT_TRUE(WabScript().foreignFrees.empty());
    EXPECT_EQ(WabScript().allocator.Free(callers), S_OK);
    ExpectAllReleased();
}

}  // namespace
