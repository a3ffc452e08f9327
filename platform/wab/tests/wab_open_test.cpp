#include "platform/wab/mapi.h"
#include "platform/wab/module.h"
#include "platform/wab/testing/fixture_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

extern "C" HRESULT WABOpen(IAddrBook** addrBook, IWABObject** wabObject, WAB_PARAM* params,
                           uint32_t reserved);

namespace kivo::wab {
namespace {

namespace fs = std::filesystem;
using fixture::Contact;
using fixture::ContactRecord;

struct Releaser {
    void operator()(IUnknown* p) const {
        if (p)
            p->Release();
    }
};
template <typename T>
using Ref = std::unique_ptr<T, Releaser>;

class WabOpenTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("wab_open_test-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override {
        FreeKept();
        book_.reset();
        wab_.reset();
        fs::remove_all(dir_);
    }

    std::string Write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return (dir_ / name).string();
    }

    void FreeKept() {
        for (void* p : kept_)
            EXPECT_EQ(wab_->FreeBuffer(p), S_OK);
        kept_.clear();
    }

    HRESULT Open(const std::string& path) {
        FreeKept();
        WAB_PARAM params{sizeof(WAB_PARAM), nullptr, const_cast<char*>(path.c_str()), 0};
        IAddrBook* book = nullptr;
        IWABObject* wab = nullptr;
        HRESULT hr = WABOpen(&book, &wab, &params, 0);
        book_.reset(book);
        wab_.reset(wab);
        return hr;
    }

    // Each row of the personal address book's contents table, read one at a time.
    std::vector<std::vector<SPropValue>> Rows(const SPropTagArray* columns) {
        uint32_t size = 0;
        ENTRYID* pab = nullptr;
        EXPECT_EQ(book_->GetPAB(&size, &pab), S_OK);
        uint32_t type = 0;
        IUnknown* object = nullptr;
        EXPECT_EQ(book_->OpenEntry(size, pab, nullptr, 0, &type, &object), S_OK);
        wab_->FreeBuffer(pab);
        EXPECT_EQ(type, MAPI_ABCONT);
        Ref<IABContainer> container(static_cast<IABContainer*>(object));
        IMAPITable* t = nullptr;
        EXPECT_EQ(container->GetContentsTable(0, &t), S_OK);
        Ref<IMAPITable> table(t);
        if (columns) {
            EXPECT_EQ(table->SetColumns(columns, 0), S_OK);
        }
        EXPECT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
        std::vector<std::vector<SPropValue>> rows;
        while (true) {
            SRowSet* set = nullptr;
            EXPECT_EQ(table->QueryRows(1, 0, &set), S_OK);
            if (set == nullptr)
                break;
            uint32_t n = set->cRows;
            if (n == 1) {
                rows.emplace_back(set->aRow[0].lpProps,
                                  set->aRow[0].lpProps + set->aRow[0].cValues);
                kept_.push_back(set->aRow[0].lpProps);
            }
            wab_->FreeBuffer(set);
            if (n == 0)
                break;
        }
        return rows;
    }

    // Property arrays whose values the test still reads; freed at the end.
    std::vector<void*> kept_;
    fs::path dir_;
    Ref<IAddrBook> book_;
    Ref<IWABObject> wab_;
};

std::string Text(const std::vector<SPropValue>& props, uint32_t tag) {
    for (const auto& p : props)
        if (p.ulPropTag == tag)
            return p.Value.lpszA;
    return "<none>";
}

const SPropValue* Prop(const SPropValue* props, uint32_t count, uint32_t tag) {
    for (uint32_t i = 0; i < count; ++i)
        if (props[i].ulPropTag == tag)
            return &props[i];
    return nullptr;
}

TEST_F(WabOpenTest, RefusesBadParametersAndUnreadableFiles) {
    std::string wab = Write("a.wab", fixture::WriteWabBinary({}));
    std::string older = Write(
        "old.wab", std::string("\x81\x32\x84\xC1\x85\x05\xD0\x11", 8) + std::string(100, '\0'));
    std::string text = Write("notes.txt", "name,phone\r\nLee,1\r\n");
    std::string empty = Write("empty.wab", "");
    struct Case {
        const char* what;
        std::string path;
        HRESULT result;
    };
    const Case files[] = {
        {"missing file", (dir_ / "none.wab").string(), MAPI_E_NOT_FOUND},
        {"a folder", dir_.string(), MAPI_E_NOT_FOUND},
        {"no name", "", MAPI_E_NOT_FOUND},
        {"older variant", older, MAPI_E_CORRUPT_DATA},
        {"neither format", text, MAPI_E_CORRUPT_DATA},
        {"empty file", empty, MAPI_E_CORRUPT_DATA},
        {"sound file", wab, S_OK},
    };
    for (const auto& c : files) {
        EXPECT_EQ(Open(c.path), c.result) << c.what;
        EXPECT_EQ(book_ != nullptr, c.result == S_OK) << c.what;
        EXPECT_EQ(wab_ != nullptr, c.result == S_OK) << c.what;
    }
    IAddrBook* book = reinterpret_cast<IAddrBook*>(1);
    IWABObject* object = reinterpret_cast<IWABObject*>(1);
    WAB_PARAM small{8, nullptr, wab.data(), 0};
    EXPECT_EQ(WABOpen(&book, &object, &small, 0), MAPI_E_INVALID_PARAMETER);
    EXPECT_EQ(book, nullptr);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(WABOpen(&book, &object, nullptr, 0), MAPI_E_INVALID_PARAMETER);
    EXPECT_EQ(WABOpen(nullptr, &object, &small, 0), MAPI_E_INVALID_PARAMETER);
    WAB_PARAM flagged{sizeof(WAB_PARAM), nullptr, wab.data(), 1};
    EXPECT_EQ(WABOpen(&book, &object, &flagged, 0), MAPI_E_UNKNOWN_FLAGS);
}

TEST_F(WabOpenTest, ContentsTableGivesOneRowPerEntryInFileOrder) {
    auto list = ContactRecord(3, Contact{.display = "Team", .objectType = MAPI_DISTLIST});
    ASSERT_EQ(
        Open(Write(
            "a.wab",
            fixture::WriteWabBinary({
                ContactRecord(1, Contact{.surname = "Lee", .given = "Ann", .display = "Ann Lee"}),
                list,
                ContactRecord(2, Contact{.surname = "Kim"}),
            }))),
        S_OK);
    SizedPropTagArray<3> columns{3, {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE}};
    auto rows = Rows(columns.get());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(Text(rows[0], PR_DISPLAY_NAME), "Ann Lee");
    EXPECT_EQ(rows[0][2].Value.l, static_cast<int32_t>(MAPI_MAILUSER));
    EXPECT_EQ(rows[1][2].Value.l, static_cast<int32_t>(MAPI_DISTLIST));
    // A column the entry lacks is an error value in its place.
    EXPECT_EQ(rows[2][0].ulPropTag, PropTag(PT_ERROR, PropId(PR_DISPLAY_NAME)));
    EXPECT_EQ(rows[2][0].Value.err, MAPI_E_NOT_FOUND);
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 3u);
        EXPECT_EQ(row[1].ulPropTag, PR_ENTRYID);
    }
    // Each entry opens by its identifier as the object its type says.
    uint32_t types[] = {MAPI_MAILUSER, MAPI_DISTLIST, MAPI_MAILUSER};
    for (size_t i = 0; i < rows.size(); ++i) {
        uint32_t type = 0;
        IUnknown* object = nullptr;
        ASSERT_EQ(book_->OpenEntry(rows[i][1].Value.bin.cb,
                                   reinterpret_cast<const ENTRYID*>(rows[i][1].Value.bin.lpb),
                                   nullptr, 0, &type, &object),
                  S_OK);
        EXPECT_EQ(type, types[i]);
        object->Release();
    }
}

TEST_F(WabOpenTest, GetPropsServesWideTextsInTheAnsiCodePage) {
    struct Case {
        const char* langId;
        std::string surname;
        std::string served;
    };
    const Case cases[] = {
        {"0409", "Müller", "M\xFCller"},
        {"0409", "김", "_"},
        {"0412", "김민수", "\xB1\xE8\xB9\xCE\xBC\xF6"},
        {"0411", "山田", "\x8E\x52\x93\x63"},
    };
    for (const auto& c : cases) {
        ::setenv("KIVO_LANGID", c.langId, 1);
        ASSERT_EQ(Open(Write("a.wab", fixture::WriteWabBinary({ContactRecord(
                                          1, Contact{.surname = c.surname, .home = "1"})}))),
                  S_OK);
        auto rows = Rows(nullptr);
        ASSERT_EQ(rows.size(), 1u);
        uint32_t type = 0;
        IUnknown* object = nullptr;
        ASSERT_EQ(book_->OpenEntry(rows[0][1].Value.bin.cb,
                                   reinterpret_cast<const ENTRYID*>(rows[0][1].Value.bin.lpb),
                                   nullptr, 0, &type, &object),
                  S_OK);
        Ref<IMailUser> user(static_cast<IMailUser*>(object));
        uint32_t count = 0;
        SPropValue* props = nullptr;
        ASSERT_EQ(user->GetProps(nullptr, 0, &count, &props), S_OK);
        const SPropValue* surname = Prop(props, count, PR_SURNAME);
        ASSERT_NE(surname, nullptr) << c.langId;
        EXPECT_EQ(std::string(surname->Value.lpszA), c.served) << c.langId;
        EXPECT_EQ(std::string(Prop(props, count, PR_HOME_TELEPHONE_NUMBER)->Value.lpszA), "1");
        EXPECT_EQ(Prop(props, count, PropTag(PT_UNICODE, PropId(PR_SURNAME))), nullptr);
        EXPECT_EQ(Prop(props, count, PR_OBJECT_TYPE)->Value.l, static_cast<int32_t>(MAPI_MAILUSER));
        EXPECT_EQ(wab_->FreeBuffer(props), S_OK);
    }
    ::setenv("KIVO_LANGID", "0409", 1);
}

TEST_F(WabOpenTest, GetPropsWithATagListMarksWhatIsMissing) {
    ASSERT_EQ(Open(Write("a.vcf", fixture::WriteVCard({.contact = {.surname = "Lee"}}))), S_OK);
    auto rows = Rows(nullptr);
    ASSERT_EQ(rows.size(), 1u);
    uint32_t type = 0;
    IUnknown* object = nullptr;
    ASSERT_EQ(book_->OpenEntry(rows[0][1].Value.bin.cb,
                               reinterpret_cast<const ENTRYID*>(rows[0][1].Value.bin.lpb), nullptr,
                               0, &type, &object),
              S_OK);
    Ref<IMailUser> user(static_cast<IMailUser*>(object));
    SizedPropTagArray<2> tags{2, {PR_GIVEN_NAME, PR_SURNAME}};
    uint32_t count = 0;
    SPropValue* props = nullptr;
    ASSERT_EQ(user->GetProps(tags.get(), 0, &count, &props), MAPI_W_ERRORS_RETURNED);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(props[0].ulPropTag, PropTag(PT_ERROR, PropId(PR_GIVEN_NAME)));
    EXPECT_EQ(std::string(props[1].Value.lpszA), "Lee");
    EXPECT_EQ(wab_->FreeBuffer(props), S_OK);
    EXPECT_EQ(user->GetProps(nullptr, 0x80000000, &count, &props), MAPI_E_UNKNOWN_FLAGS);
}

TEST_F(WabOpenTest, OpenEntryRefusesUnknownIdentifiers) {
    ASSERT_EQ(Open(Write("a.wab", fixture::WriteWabBinary({ContactRecord(1, Contact{})}))), S_OK);
    uint32_t type = 0;
    IUnknown* object = reinterpret_cast<IUnknown*>(1);
    std::string beyond("\0\0\0\0KIVO\x02\0\0\0", 12);
    std::string foreign("\0\0\0\0ABCD\x01\0\0\0", 12);
    auto id = [](const std::string& s) { return reinterpret_cast<const ENTRYID*>(s.data()); };
    EXPECT_EQ(book_->OpenEntry(12, id(beyond), nullptr, 0, &type, &object), MAPI_E_NOT_FOUND);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(book_->OpenEntry(12, id(foreign), nullptr, 0, &type, &object),
              MAPI_E_INVALID_ENTRYID);
    EXPECT_EQ(book_->OpenEntry(4, id(beyond), nullptr, 0, &type, &object), MAPI_E_INVALID_ENTRYID);
    int iid = 0;
    EXPECT_EQ(book_->OpenEntry(0, nullptr, &iid, 0, &type, &object),
              MAPI_E_INTERFACE_NOT_SUPPORTED);
    // No identifier is the root container.
    ASSERT_EQ(book_->OpenEntry(0, nullptr, nullptr, 0, &type, &object), S_OK);
    EXPECT_EQ(type, MAPI_ABCONT);
    object->Release();
}

TEST_F(WabOpenTest, TableCursorSeeksAndReadsSeveralRows) {
    std::vector<fixture::Record> records;
    for (uint32_t i = 1; i <= 5; ++i)
        records.push_back(ContactRecord(i, Contact{.surname = std::to_string(i)}));
    ASSERT_EQ(Open(Write("a.wab", fixture::WriteWabBinary(records))), S_OK);
    IUnknown* object = nullptr;
    uint32_t type = 0;
    ASSERT_EQ(book_->OpenEntry(0, nullptr, nullptr, 0, &type, &object), S_OK);
    Ref<IABContainer> container(static_cast<IABContainer*>(object));
    IMAPITable* t = nullptr;
    ASSERT_EQ(container->GetContentsTable(0, &t), S_OK);
    Ref<IMAPITable> table(t);
    SizedPropTagArray<1> surname{1, {PR_SURNAME}};
    ASSERT_EQ(table->SetColumns(surname.get(), 0), S_OK);
    int32_t sought = 0;
    EXPECT_EQ(table->SeekRow(BOOKMARK_END, -2, &sought), S_OK);
    EXPECT_EQ(sought, -2);
    SRowSet* set = nullptr;
    ASSERT_EQ(table->QueryRows(10, 0, &set), S_OK);
    ASSERT_EQ(set->cRows, 2u);
    EXPECT_EQ(std::string(set->aRow[0].lpProps[0].Value.lpszA), "4");
    EXPECT_EQ(std::string(set->aRow[1].lpProps[0].Value.lpszA), "5");
    for (uint32_t i = 0; i < set->cRows; ++i)
        wab_->FreeBuffer(set->aRow[i].lpProps);
    wab_->FreeBuffer(set);
    EXPECT_EQ(table->SeekRow(BOOKMARK_CURRENT, -100, &sought), S_OK);
    EXPECT_EQ(sought, -5);
    EXPECT_EQ(table->SeekRow(7, 0, nullptr), MAPI_E_INVALID_BOOKMARK);
    EXPECT_EQ(table->QueryRows(0, 0, &set), MAPI_E_INVALID_PARAMETER);
    EXPECT_EQ(table->SetColumns(nullptr, 0), MAPI_E_INVALID_PARAMETER);
}

TEST(WabModule, LoadsTheLibraryByItsPlatformNameBesideThePrograms) {
    for (const char* name : {"WAB32.DLL", "wab32.dll", "libwab32.so"}) {
        HMODULE module = LoadLibraryA(name);
        ASSERT_NE(module, nullptr) << name;
        auto open = reinterpret_cast<WABOpenFunction>(GetProcAddress(module, "WABOpen"));
        EXPECT_NE(open, nullptr) << name;
        EXPECT_EQ(GetProcAddress(module, "WABClose"), nullptr);
        EXPECT_EQ(FreeLibrary(module), TRUE);
    }
    EXPECT_EQ(LoadLibraryA("NOSUCH.DLL"), nullptr);
    EXPECT_EQ(LoadLibraryA("/nonexistent/libwab32.so"), nullptr);
    EXPECT_EQ(LoadLibraryA(""), nullptr);
    EXPECT_EQ(FreeLibrary(nullptr), FALSE);
}

}  // namespace
}  // namespace kivo::wab
